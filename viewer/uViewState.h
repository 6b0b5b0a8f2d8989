#pragma once
// The view of the loaded file: rebuilding the visible rows from the filter and the
// colour rules, growing them as the log grows, and the level counters of those rows.

#include <cstdint>
#include <vector>

#include "viewer/uSkerrinState.h"

// Whether the row a load selects takes the keyboard focus.
bool LoadMayTakeFocus(const TSkerrinState& S);
// The restored selection takes the keyboard focus unless the filter or context box has it, or
// MayTakeFocus is false (a rebuild the user did not ask for, such as tail's).
void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst, bool MayTakeFocus = true);
// Reads the filter box into FilterW.
void ReadFilterStrings(TSkerrinState& S);

// What the log gained since the view was last shown: entries OldCount .. NewCount - 1, and
// ChangedEntry (or -1), an entry whose line was completed and parsed again.
struct TLogGrowth {
  int32_t OldCount = 0;
  int32_t NewCount = 0;
  int32_t ChangedEntry = -1;
  bool LongestLineChanged = false;
  // Following selects the new last row. A load's rows follow only when tail will follow the file
  // afterwards: a log opened without tail shows its beginning.
  bool MayFollow = true;
};
// Shows what the log gained: the rows grow by the lines appended, tested against the query the
// rows were built with, and the counters with them. Following, the last row is selected and
// shown; otherwise the selected lines, the caret's line and the top row stay.
void ShowGrowth(TSkerrinState& S, const TLogGrowth& Growth);

// Where the user is (TViewPlace).
TViewPlace NoteViewPlace(const TSkerrinState& S);
// Selects the noted lines that are still visible and puts the caret back on its line; nothing
// when nothing was selected. The page stays where the control has it.
void RestoreSelection(TSkerrinState& S, const TViewPlace& Place);
// Puts the noted place back where its lines are still visible: the selection (the caret's line
// alone when nothing was selected), the caret and the first visible line. The focus goes
// nowhere but to a list control that replaced the one that had it.
void RestoreViewPlace(TSkerrinState& S, const TViewPlace& Place);
// Rebuilds the rows (after the settings changed) and puts the noted place back, without
// moving the focus.
void RebuildKeepingPlace(TSkerrinState& S, const TViewPlace& Place);
