#pragma once
// The tail's poll timer, and where following the file resumes after a load. Polling itself and
// showing the new lines are uTailView's.

#include "viewer/uSkerrinState.h"

// Starts (or restarts) the poll timer with the interval of the settings, clamped.
void StartTail(TSkerrinState& S);
void StopTail(TSkerrinState& S);
// Runs or stops the timer as TailEnabled says, with the Tail box to match.
void StartOrStopTail(TSkerrinState& S);
// After every load of the file (also a failed one), before the view shows it: tail resumes
// where the load stopped, and the log's last line number and longest line are the load's.
void ResetTailToLoad(TSkerrinState& S);
