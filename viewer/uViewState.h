#pragma once
// The view of the loaded file: loading it, rebuilding the visible rows from the filter and the
// colour rules, growing them as the log grows, and the level counters of those rows.

#include <cstdint>
#include <vector>

#include "viewer/uSkerrinState.h"

// Loads FileName afresh and shows all of it; false when the load failed, which leaves an empty,
// usable view that says why. Either way tail then runs or stops as the settings say.
bool LoadAndShow(TSkerrinState& S);
// The restored selection takes the keyboard focus unless the filter or context box has it, or
// MayTakeFocus is false (a rebuild the user did not ask for, such as tail's).
void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst, bool MayTakeFocus = true);
// Reads the filter box into FilterW and FilterLowerW.
void ReadFilterStrings(TSkerrinState& S);

// What the log gained since the view was last shown: entries OldCount .. NewCount - 1, and
// ChangedEntry (or -1), an entry whose line was completed and parsed again.
struct TLogGrowth {
  int32_t OldCount = 0;
  int32_t NewCount = 0;
  int32_t ChangedEntry = -1;
  bool LongestLineChanged = false;
};
// Shows what the log gained: without a filter the new entries become new rows in place, with
// one the view is rebuilt. Following, the last row is selected and shown; otherwise the
// selected lines, the caret's line and the top row stay.
void ShowGrowth(TSkerrinState& S, const TLogGrowth& Growth);

// Where the user is in the view, by entry, so that it can be found again after the rows
// changed: the selected lines (in row order) and the caret's line.
struct TViewPlace {
  std::vector<int32_t> SelectedEntries;
  int32_t CaretEntry = -1;
};
TViewPlace NoteViewPlace(const TSkerrinState& S);
// Selects the noted lines that are still visible and puts the caret back on its line; nothing
// when nothing was selected.
void RestoreSelection(TSkerrinState& S, const TViewPlace& Place);
