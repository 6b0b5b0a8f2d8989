#pragma once
// The toolbar strip: navigation buttons, check boxes with labels, Options, the format box, the
// filter box with its clear button and the context number with its up-down control, their
// creation and their layout at any width and DPI. Their drawing is uToolbarPaint's; the key
// subclasses they carry are uHostIntegration's.

#include <windows.h>

#include "viewer/uSkerrinState.h"

struct TControlRect {
  int X, Y, Width, Height;
};

// Creates the toolbar's controls, its tooltips and the status bar.
void CreateToolbar(TSkerrinState& S);
void LayoutToolbar(TSkerrinState& S, int ClientWidth);
void FillFormatBox(TSkerrinState& S);
void ApplyToolbarFont(TSkerrinState& S);
void ShowClearButtonOnTop(TSkerrinState& S, bool RepaintNow);

// Positions at 96 DPI scaled to the viewer's DPI (the filter group depends on the width).
TControlRect FilterLabelRect(const TSkerrinState& S, int ClientWidth);
TControlRect NavigationButtonRect(const TSkerrinState& S, int Index);

// The format box entry for the current settings, and the settings for a chosen entry.
int FormatBoxEntry(const TAppSettings& Settings);
void ApplyFormatBoxEntry(TAppSettings& Settings, int Entry);

// The filter box: Up and Down move the selected line while the caret stays in the box.
LRESULT CALLBACK FilterEditProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT CALLBACK ClearButtonProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
