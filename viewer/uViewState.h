#pragma once
// The visible rows of a viewer and the row operations every feature uses: load, rebuild,
// current row, select, centre and the top row.

#include <string>

#include "viewer/uSkerrinState.h"

bool LoadAndShow(TSkerrinState& S);
void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst);
// Leaves an empty, usable view (after a failed load): no row can point past the entry list.
void ResetToEmptyView(TSkerrinState& S);
// Reads the filter box into FilterW and FilterLowerW.
void ReadFilterStrings(TSkerrinState& S);

int32_t VisibleToEntry(const TSkerrinState& S, int32_t Row);
int32_t CurrentRow(const TSkerrinState& S);
void SelectRow(TSkerrinState& S, int32_t Row, bool ScrollToTop, bool Redraw, bool TakeFocus);
void CentreRow(TSkerrinState& S, int32_t Row);
int32_t GetTopRow(const TSkerrinState& S);
void SetTopRow(TSkerrinState& S, int32_t Row);
int32_t RowsPerPage(const TSkerrinState& S);
std::wstring RowTextW(TSkerrinState& S, int32_t Row);
TLogLevel EffectiveLevel(TSkerrinState& S, int32_t EntryIndex);
int32_t RuleForEntry(TSkerrinState& S, int32_t EntryIndex);
