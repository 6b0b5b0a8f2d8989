#pragma once
// What a row of the view is: its entry, its text, the effective level and colour rule of the
// entry, and whether the wrap view has the row selected. Rows are 0 .. VisibleCount - 1 and
// -1 is none; entries index the loaded log's list.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/uNavigation.h"
#include "viewer/uSkerrinState.h"

int32_t VisibleToEntry(const TSkerrinState& S, int32_t Row);
// The row showing an entry; -1 when it is not visible.
int32_t RowOfEntry(const TSkerrinState& S, int32_t Entry);
// The view's rows as the portable navigation and copy functions take them.
TVisibleRows RowsOf(const TSkerrinState& S);
// The stored bytes of an entry's line.
std::string_view EntryBytes(const TSkerrinState& S, int32_t Entry);
// The row's line decoded; empty for no row.
std::wstring RowTextW(TSkerrinState& S, int32_t Row);
TLogLevel EffectiveLevel(TSkerrinState& S, int32_t EntryIndex);
int32_t RuleForEntry(TSkerrinState& S, int32_t EntryIndex);

// The wrap view's selection: one flag per row, grown as rows appear.
void EnsureSelectionCapacity(TSkerrinState& S, int32_t N);
void ClearSelection(TSkerrinState& S);
bool IsRowSelected(const TSkerrinState& S, int32_t Row);
void SetRowSelected(TSkerrinState& S, int32_t Row, bool Selected);
// Selects the rows from A to B, in either order, adding to the selection.
void SelectRowRange(TSkerrinState& S, int32_t A, int32_t B);
