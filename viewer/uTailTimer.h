#pragma once
// The tail's poll timer, and where following the file resumes after a load. Polling itself and
// showing the new lines are uTailView's.

#include "viewer/uSkerrinState.h"

// Starts (or restarts) the poll timer with the interval of the settings, clamped.
void StartTail(TSkerrinState& S);
void StopTail(TSkerrinState& S);
// After every load of the file (also a failed one): tail resumes where the load stopped and
// runs or stops as the settings say.
void ResumeTailAfterLoad(TSkerrinState& S);
