#pragma once
// The list control below the toolbar: a listbox that holds only a row count (word wrap off) or
// the viewer's own wrap view (word wrap on), created to match the settings together with the
// rows object the features reach it through, and the window procedures through which the keys,
// clicks, scrolling and painting of either reach the viewer.

#include <windows.h>

#include "viewer/uSkerrinState.h"

// (Re)creates ListWindow and Rows to match the settings WordWrap and HorzScrollbar.
void CreateListControl(TSkerrinState& S);

LRESULT CALLBACK WrapViewProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
