#include "toolkit/uControlPaint.h"

#include <algorithm>

#include "toolkit/uColorPaint.h"
#include "toolkit/uDpi.h"
#include "toolkit/uWinHolders.h"
#include "toolkit/uWindowText.h"

namespace {

// At 96 DPI: the check box's square never below MinCheckSquare pixels, its distance from the
// left edge, and the check mark's inset and stroke.
constexpr int MinCheckSquare = 11, CheckSquareLeft = 1, CheckMarkInset = 3, CheckMarkStroke = 2;
// The focus rectangles inside a button and a list item, and the margins of an item's text.
constexpr int ButtonFocusInset = 3, ItemFocusInset = 2, ItemTextMargin = 5;

struct TColors {
  COLORREF Fill, Border, Text;
};

COLORREF Sys(int Index) { return GetSysColor(Index); }

RECT Inset(const RECT& R, int By) { return {R.left + By, R.top + By, R.right - By, R.bottom - By}; }

TColors ButtonColors(const TControlLook& Look, UINT State) {
  const bool Pressed = State & ODS_SELECTED, Disabled = State & ODS_DISABLED;
  if (Look.Dark) {
    const TDarkControlColors& D = Look.DarkColors;
    return {Pressed ? D.PressedFill : D.Field, D.ButtonBorder, Disabled ? D.DisabledText : D.Text};
  }
  if (Disabled) return {Sys(COLOR_BTNFACE), DisabledBorder, Sys(COLOR_GRAYTEXT)};
  if (Pressed) return {PressedFill, PressedBorder, Sys(COLOR_BTNTEXT)};
  if (State & (ODS_FOCUS | ODS_HOTLIGHT)) return {HotFill, ControlAccent, Sys(COLOR_BTNTEXT)};
  return {Sys(COLOR_BTNFACE), LightButtonBorder, Sys(COLOR_BTNTEXT)};
}

void DrawRaisedEdges(HDC DC, const RECT& R, bool Pressed) {
  if (Pressed) {
    FrameRectColor(DC, R, Sys(COLOR_3DDKSHADOW));
    FrameRectColor(DC, Inset(R, 1), Sys(COLOR_BTNSHADOW));
    return;
  }
  const POINT Light[3] = {{R.left, R.bottom - 1}, {R.left, R.top}, {R.right - 1, R.top}};
  const POINT Shadow[3] = {{R.right - 1, R.top}, {R.right - 1, R.bottom - 1}, {R.left, R.bottom - 1}};
  PolylineColor(DC, DarkLightEdge, 1, Light, 3);
  PolylineColor(DC, DarkShadowEdge, 1, Shadow, 3);
}

// Fill, frame and mark of the check box's square.
TColors CheckColors(const TControlLook& Look, bool Checked, UINT State) {
  if (State & ODS_DISABLED) return {Sys(COLOR_BTNFACE), DisabledBorder, Sys(COLOR_GRAYTEXT)};
  if (Look.Dark) return {Look.DarkColors.Field, Look.DarkColors.CheckBorder, Look.DarkColors.Text};
  const bool Accent = Look.AccentWhenChecked ? Checked : (State & (ODS_FOCUS | ODS_HOTLIGHT)) != 0;
  return {Checked ? ControlAccent : Sys(COLOR_WINDOW), Accent ? ControlAccent : UncheckedBorder, RGB(255, 255, 255)};
}

std::wstring ComboItemText(const DRAWITEMSTRUCT& Item) {
  if (Item.itemID == static_cast<UINT>(-1)) return WindowTextW(Item.hwndItem);
  std::wstring Text;
  if (IsWindowUnicode(Item.hwndItem)) {
    const LRESULT Length = SendMessageW(Item.hwndItem, CB_GETLBTEXTLEN, Item.itemID, 0);
    if (Length > 0) {
      Text.resize(static_cast<size_t>(Length) + 1);
      SendMessageW(Item.hwndItem, CB_GETLBTEXT, Item.itemID, reinterpret_cast<LPARAM>(Text.data()));
      Text.resize(static_cast<size_t>(Length));
    }
    return Text;
  }
  // An ANSI combo box holds its items in the system code page.
  const LRESULT Length = SendMessageA(Item.hwndItem, CB_GETLBTEXTLEN, Item.itemID, 0);
  if (Length > 0) {
    std::string Ansi(static_cast<size_t>(Length) + 1, '\0');
    SendMessageA(Item.hwndItem, CB_GETLBTEXT, Item.itemID, reinterpret_cast<LPARAM>(Ansi.data()));
    const int Wide = MultiByteToWideChar(CP_ACP, 0, Ansi.c_str(), -1, nullptr, 0);
    Text.resize(static_cast<size_t>(std::max(Wide, 1)));
    MultiByteToWideChar(CP_ACP, 0, Ansi.c_str(), -1, Text.data(), Wide);
    Text.resize(static_cast<size_t>(std::max(Wide - 1, 0)));
  }
  return Text;
}

}  // namespace

void DrawControlText(HDC DC, HWND Control, const std::wstring& Text, RECT Area, COLORREF Color, UINT Align) {
  auto Font = reinterpret_cast<HFONT>(SendMessageW(Control, WM_GETFONT, 0, 0));
  if (!Font) Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  TSelectScope SelectFont(DC, Font);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, Color);
  DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &Area, Align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void DrawPushButton(const DRAWITEMSTRUCT& Item, const TControlLook& Look) {
  const RECT R = Item.rcItem;
  const bool Pressed = Item.itemState & ODS_SELECTED;
  const TColors Colors = ButtonColors(Look, Item.itemState);
  FillRectColor(Item.hDC, R, Colors.Fill);
  if (Look.Dark && Look.RaisedButtons) DrawRaisedEdges(Item.hDC, R, Pressed);
  else FrameRectColor(Item.hDC, R, Colors.Border);
  RECT Caption = Inset(R, Look.CaptionInset);
  if (Pressed && Look.ShiftPressedCaption) OffsetRect(&Caption, 1, 1);
  DrawControlText(Item.hDC, Item.hwndItem, WindowTextW(Item.hwndItem), Caption, Colors.Text, DT_CENTER);
  if (Item.itemState & ODS_FOCUS) {
    const RECT Focus = Inset(R, ButtonFocusInset);
    DrawFocusRect(Item.hDC, &Focus);
  }
}

RECT DrawCheckSquare(HDC DC, const RECT& Area, const TControlLook& Look, bool Checked, UINT State) {
  auto Scaled = [&](int Value) { return ScaleBy(Value, Look.Dpi, 96); };
  const bool Grows = Look.ScaledCheckDetails;
  const int Side = std::max(MinCheckSquare, Scaled(CheckSquare));
  const int Left = Area.left + (Grows ? std::max(1, Scaled(CheckSquareLeft)) : CheckSquareLeft);
  const int Top = Area.top + (Area.bottom - Area.top) / 2 - Side / 2;
  const RECT Box{Left, Top, Left + Side, Top + Side};
  const TColors Colors = CheckColors(Look, Checked, State);
  FillRectColor(DC, Box, Colors.Fill);
  FrameRectColor(DC, Box, Colors.Border);
  if (Checked) {
    const int In = Grows ? Scaled(CheckMarkInset) : CheckMarkInset;
    const POINT Mark[3] = {{Box.left + In, Box.top + Side / 2},
                           {Box.left + Side / 2 - 1, Box.bottom - In},
                           {Box.right - In, Box.top + In}};
    PolylineColor(DC, Colors.Text, Grows ? std::max(1, Scaled(CheckMarkStroke)) : CheckMarkStroke, Mark, 3);
  }
  return Box;
}

void DrawComboItem(const DRAWITEMSTRUCT& Item, const TControlLook& Look) {
  const bool InList = (Item.itemState & ODS_SELECTED) && !(Item.itemState & ODS_COMBOBOXEDIT);
  COLORREF Fill, Text;
  if (Look.Dark) {
    Fill = InList ? Look.DarkColors.SelectedItem : Look.DarkColors.Field, Text = Look.DarkColors.Text;
  } else if (Item.itemState & ODS_DISABLED) {
    Fill = Sys(COLOR_BTNFACE), Text = Sys(COLOR_GRAYTEXT);
  } else if (InList) {
    Fill = Sys(COLOR_HIGHLIGHT), Text = Sys(COLOR_HIGHLIGHTTEXT);
  } else {
    Fill = Sys(COLOR_WINDOW), Text = Sys(COLOR_WINDOWTEXT);
  }
  const RECT R = Item.rcItem;
  FillRectColor(Item.hDC, R, Fill);
  DrawControlText(Item.hDC, Item.hwndItem, ComboItemText(Item),
                  {R.left + ItemTextMargin, R.top, R.right - ItemTextMargin, R.bottom}, Text, DT_LEFT);
  if (Look.ListFocusRect && (Item.itemState & ODS_FOCUS) && !(Item.itemState & ODS_COMBOBOXEDIT)) {
    const RECT Focus = Inset(R, ItemFocusInset);
    DrawFocusRect(Item.hDC, &Focus);
  }
}
