#pragma once
// The owner-drawn controls that the viewer's toolbar and the options dialog both have: push
// buttons, check boxes and combo-box items, each drawn here once for both owners. The light look
// is the platform's own and the same for both; in the dark look each owner brings its colours.
// The details in which the toolbar's controls have always looked different from the dialog's
// are named in TControlLook, so that each owner keeps its look to the pixel.

#include <windows.h>

#include <string>

// An owner's colours for its controls in the dark look.
struct TDarkControlColors {
  COLORREF Field;         // input fields, list items and buttons
  COLORREF SelectedItem;  // the selected item of a dropped list
  COLORREF Text;          // captions, item texts and the check mark
  COLORREF DisabledText;
  COLORREF PressedFill;
  COLORREF ButtonBorder;  // the frame of a flat button
  COLORREF CheckBorder;
};

struct TControlLook {
  bool Dark = false;
  TDarkControlColors DarkColors{};
  int Dpi = 96;
  // The dialog's look by default; the toolbar's differs in these:
  bool RaisedButtons = false;        // dark buttons with raised edges that sink when pressed, not framed
  bool ShiftPressedCaption = false;  // a pressed button's caption moves a pixel right and down
  int CaptionInset = 4;              // a button's caption is centred in its rectangle less this
  bool AccentWhenChecked = false;    // the light check box's accent frame: when checked, not when focused or hot
  bool ScaledCheckDetails = false;   // the check box's margin, mark inset and stroke follow the DPI
  bool ListFocusRect = false;        // the focused item of a dropped list gets a focus rectangle
};

void DrawPushButton(const DRAWITEMSTRUCT& Item, const TControlLook& Look);
// The square of a check box at the left of Area, centred vertically, in the state of the item
// state bits State (ODS_DISABLED, ODS_FOCUS, ODS_HOTLIGHT); the square is returned, so that a
// caption can follow it.
RECT DrawCheckSquare(HDC DC, const RECT& Area, const TControlLook& Look, bool Checked, UINT State);
// An item of a combo box's list, or the box's own field.
void DrawComboItem(const DRAWITEMSTRUCT& Item, const TControlLook& Look);

// Text in one line, vertically centred in Area, transparent, in the control's font (the stock
// GUI font when it has none); Align is DT_LEFT or DT_CENTER.
void DrawControlText(HDC DC, HWND Control, const std::wstring& Text, RECT Area, COLORREF Color, UINT Align);
