#pragma once
// The view of the loaded file: loading it, rebuilding the visible rows from the filter and the
// colour rules, and the level counters of those rows.

#include "viewer/uSkerrinState.h"

bool LoadAndShow(TSkerrinState& S);
// The restored selection takes the keyboard focus unless the filter or context box has it, or
// MayTakeFocus is false (a rebuild the user did not ask for, such as tail's).
void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst, bool MayTakeFocus = true);
// Leaves an empty, usable view (after a failed load): no row can point past the entry list.
void ResetToEmptyView(TSkerrinState& S);
// Reads the filter box into FilterW and FilterLowerW.
void ReadFilterStrings(TSkerrinState& S);
// Errors, warnings and infos among the visible rows, counted anew.
void RecountLevels(TSkerrinState& S);
