#pragma once
// Tail and follow in the viewer window: the poll timer, the view extended in place as lines
// arrive, a reload when the file was replaced, truncated or rewritten, and the Tail and Follow
// boxes.

#include "viewer/uSkerrinState.h"

// Starts (or restarts) the poll timer with the interval of the settings, clamped.
void StartTail(TSkerrinState& S);
void StopTail(TSkerrinState& S);
// One poll of the file; the window calls it for every tick of the tail timer.
void TailTick(TSkerrinState& S);
// What the Follow box does.
void SetFollowing(TSkerrinState& S, bool On);
// What the Tail box does.
void SetTailEnabled(TSkerrinState& S, bool On);
// After every load of the file (also a failed one): tail resumes where the load stopped and
// runs or stops as the settings say.
void ResumeTailAfterLoad(TSkerrinState& S);
// After the settings were changed elsewhere (the options dialog).
void ApplyTailSettings(TSkerrinState& S);
