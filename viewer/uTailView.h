#pragma once
// Tail and follow in the viewer window: each poll of the file, the view extended in place as
// lines arrive, a reload when the file was replaced, truncated or rewritten, and the Tail and
// Follow boxes. The timer itself is uTailTimer's.

#include "viewer/uSkerrinState.h"

// One poll of the file; the window calls it for every tick of the tail timer.
void TailTick(TSkerrinState& S);
// What the Follow box does.
void SetFollowing(TSkerrinState& S, bool On);
// What the Tail box does.
void SetTailEnabled(TSkerrinState& S, bool On);
// After the settings were changed elsewhere (the options dialog).
void ApplyTailSettings(TSkerrinState& S);
