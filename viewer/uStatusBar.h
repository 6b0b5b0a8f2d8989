#pragma once
// The viewer's status bar: the file summary on the left (with the levels the view hides) and the
// per-level counters on the right, both owner-drawn in the bar's colours; a counter is clicked to
// show its level alone.

#include <windows.h>

#include <cstdint>

#include "viewer/uSkerrinState.h"

// Paints the bar double-buffered, so that its texts can change many times a second without
// flicker.
void InstallStatusBarPaint(TSkerrinState& S);
// Rebuilds the texts of both parts and asks the bar to draw them again.
void UpdateStatus(TSkerrinState& S);
// Answers the bar's owner-draw request for part 0 or part 1.
void DrawStatusPart(TSkerrinState& S, const DRAWITEMSTRUCT& Item);
// The size shown in the summary: the bytes of the file the view holds.
int64_t StatusByteCount(const TSkerrinState& S);
// The level whose counter is drawn at X of the status bar (its client coordinates): lError,
// lWarn or lInfo, or -1 for none.
int32_t CounterLevelAt(const TSkerrinState& S, int X);
