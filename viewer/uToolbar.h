#pragma once
// The toolbar strip: navigation buttons, check boxes with labels, Options, the format box, the
// filter box with its clear button and the context number with its up-down control; their
// layout at any width and DPI, and their drawing in the light and dark themes.

#include <windows.h>

#include "viewer/uSkerrinState.h"

struct TControlRect {
  int X, Y, Width, Height;
};

void CreateToolbar(TSkerrinState& S);
void LayoutToolbar(TSkerrinState& S, int ClientWidth);
void FillFormatBox(TSkerrinState& S);
void ApplyToolbarFont(TSkerrinState& S);

void DrawToolbarButton(TSkerrinState& S, const DRAWITEMSTRUCT& Item);
void DrawFormatItem(TSkerrinState& S, const DRAWITEMSTRUCT& Item);
void PaintCheckBox(TSkerrinState& S, HWND Box);
void PaintUpDownDark(TSkerrinState& S, HWND UpDown);
void PaintEditFrame(TSkerrinState& S, HWND Control, bool WithDropButton);
void ShowClearButtonOnTop(TSkerrinState& S, bool RepaintNow);

// Positions at 96 DPI scaled to the viewer's DPI (the filter group depends on the width).
TControlRect FilterLabelRect(const TSkerrinState& S, int ClientWidth);
TControlRect NavigationButtonRect(const TSkerrinState& S, int Index);

// The format box entry for the current settings, and the settings for a chosen entry.
int FormatBoxEntry(const TAppSettings& Settings);
void ApplyFormatBoxEntry(TAppSettings& Settings, int Entry);

LRESULT CALLBACK ClearButtonProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
