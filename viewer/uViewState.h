#pragma once
// The view of the loaded file: loading it, rebuilding the visible rows from the filter and the
// colour rules, and the level counters of those rows.

#include "viewer/uSkerrinState.h"

bool LoadAndShow(TSkerrinState& S);
void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst);
// Leaves an empty, usable view (after a failed load): no row can point past the entry list.
void ResetToEmptyView(TSkerrinState& S);
// Reads the filter box into FilterW and FilterLowerW.
void ReadFilterStrings(TSkerrinState& S);
// Errors, warnings and infos among the visible rows, counted anew.
void RecountLevels(TSkerrinState& S);
