#pragma once
// The list's context menu: copying, the line-number and word-wrap switches, the levels shown,
// the code page of 8-bit lines and the two go-to prompts. Its commands arrive at the viewer
// window as ordinary commands.

#include "viewer/uSkerrinState.h"

// Screen position of the request; both -1 (a keyboard request) opens it at the mouse cursor.
void ShowContextMenu(TSkerrinState& S, int X, int Y);
