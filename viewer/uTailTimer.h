#pragma once
// The tail's poll timer. Polling itself and showing the new lines are uTailView's.

#include "viewer/uSkerrinState.h"

// Starts (or restarts) the poll timer with the interval of the settings, clamped.
void StartTail(TSkerrinState& S);
void StopTail(TSkerrinState& S);
// Runs or stops the timer as TailEnabled says, with the Tail box to match.
void StartOrStopTail(TSkerrinState& S);
