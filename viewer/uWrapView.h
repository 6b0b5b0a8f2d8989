#pragma once
// Scrolling in the viewer's own wrap view (the list control while word wrap is on): its top
// row, its scroll bar and its keys. Selection flags are in uViewRows.

#include <windows.h>

#include "viewer/uSkerrinState.h"

void SetWrapTop(TSkerrinState& S, int32_t Row);
// Scrolls as little as needed to bring Row onto the page.
void EnsureRowVisible(TSkerrinState& S, int32_t Row);
void UpdateWrapScrollBar(TSkerrinState& S);
// A scroll-bar request (SB_LINEUP, SB_THUMBTRACK, ...).
void WrapScroll(TSkerrinState& S, int Code);
// Arrow, page, Home and End keys, with Shift extending and Ctrl moving only the caret.
void WrapKey(TSkerrinState& S, UINT Key);
