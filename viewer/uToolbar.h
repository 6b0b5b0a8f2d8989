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

// The toolbar's groups, left to right: a window too narrow for all of them gives them up from
// the right, into the "more" menu, so that the filter group keeps its room at the right edge.
enum TToolbarGroup : int32_t {
  tgErrorButtons,
  tgWarnButtons,
  tgInfoButtons,
  tgTail,
  tgFollow,
  tgLineNumbers,
  tgSync,
  tgOptions,
  tgFormat,
};
constexpr int32_t ToolbarGroupCount = 9;
// What a client width has room for: the groups shown (from the left), where the filter group
// starts, and the "more" button's rectangle (Width 0 when every group is shown).
struct TToolbarFit {
  int32_t GroupsShown;
  int FilterLeft;
  TControlRect More;
};
TToolbarFit FitToolbar(const TSkerrinState& S, int ClientWidth);
// The "more" menu of the groups the toolbar has no room for; a choice does what the control
// would have done.
void ShowMoreMenu(TSkerrinState& S);
void MoreMenuChoice(TSkerrinState& S, int Id);

// The format box entry for the current settings, and the settings for a chosen entry.
int FormatBoxEntry(const TAppSettings& Settings);
void ApplyFormatBoxEntry(TAppSettings& Settings, int Entry);

// The filter box: Up and Down move the selected line while the caret stays in the box.
LRESULT CALLBACK FilterEditProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT CALLBACK ClearButtonProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
