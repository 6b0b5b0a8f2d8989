#include "viewer/uToolbarPaint.h"

#include <algorithm>
#include <string>

#include "toolkit/uColorPaint.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"

namespace {

constexpr COLORREF DarkPressedFill = RGB(55, 55, 55);
constexpr COLORREF DarkLightEdge = RGB(96, 96, 96);
constexpr COLORREF DarkShadowEdge = RGB(18, 18, 18);

// The light look's check box at 96 DPI: its square never below MinCheckSquare pixels, its
// distance from the left edge, and the check mark's stroke and inset.
constexpr int MinCheckSquare = 11;
constexpr int CheckSquareLeft = 1;
constexpr int CheckMarkStroke = 2;
constexpr int CheckMarkInset = 3;
// The format box's drop button: its least width and the half-width and height of its arrow.
constexpr int DropButtonWidth = 18;
constexpr int DropArrowHalfWidth = 3;
constexpr int DropArrowRise = 1;

void Triangle(HDC DC, COLORREF Color, POINT A, POINT B, POINT C) {
  TBrushHolder Brush(CreateSolidBrush(Color));
  TSelectScope SelectBrush(DC, Brush.Get());
  TSelectScope SelectPen(DC, GetStockObject(NULL_PEN));
  POINT Points[3] = {A, B, C};
  Polygon(DC, Points, 3);
}

COLORREF Sys(int Index) { return GetSysColor(Index); }

}  // namespace

void PaintToolbarStrip(TSkerrinState& S, HDC DC) {
  RECT Client{};
  GetClientRect(S.Window, &Client);
  const RECT Strip{0, 0, Client.right, std::min<LONG>(Client.bottom, S.Metrics.ToolbarHeight)};
  if (S.Draw.BarBrush) FillRect(DC, &Strip, S.Draw.BarBrush.Get());
  else FillRectColor(DC, Strip, static_cast<COLORREF>(BarBackColor(S)));
}

void DrawToolbarButton(TSkerrinState& S, const DRAWITEMSTRUCT& Item) {
  const HDC DC = Item.hDC;
  const RECT R = Item.rcItem;
  const bool Selected = Item.itemState & ODS_SELECTED;
  const bool Focused = Item.itemState & ODS_FOCUS;
  const bool Disabled = Item.itemState & ODS_DISABLED;
  const bool Hot = Item.itemState & ODS_HOTLIGHT;
  const bool Dark = ViewerIsDark(S);
  COLORREF Fill, Text, Border = LightButtonBorder;
  if (Dark) {
    Fill = Selected ? DarkPressedFill : DarkField;
    Text = static_cast<COLORREF>(BarTextColor(S));
  } else if (Disabled) {
    Fill = Sys(COLOR_BTNFACE), Text = Sys(COLOR_GRAYTEXT), Border = DisabledBorder;
  } else if (Selected) {
    Fill = PressedFill, Border = PressedBorder, Text = Sys(COLOR_BTNTEXT);
  } else if (Hot || Focused) {
    Fill = HotFill, Border = ControlAccent, Text = Sys(COLOR_BTNTEXT);
  } else {
    Fill = Sys(COLOR_BTNFACE), Border = LightButtonBorder, Text = Sys(COLOR_BTNTEXT);
  }
  FillRectColor(DC, R, Fill);
  if (!Dark) {
    FrameRectColor(DC, R, Border);
  } else if (Selected) {
    FrameRectColor(DC, R, Sys(COLOR_3DDKSHADOW));
    const RECT Inner{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
    FrameRectColor(DC, Inner, Sys(COLOR_BTNSHADOW));
  } else {
    const POINT Light[3] = {{R.left, R.bottom - 1}, {R.left, R.top}, {R.right - 1, R.top}};
    const POINT Shadow[3] = {{R.right - 1, R.top}, {R.right - 1, R.bottom - 1}, {R.left, R.bottom - 1}};
    PolylineColor(DC, DarkLightEdge, 1, Light, 3);
    PolylineColor(DC, DarkShadowEdge, 1, Shadow, 3);
  }
  wchar_t Caption[128] = L"";
  GetWindowTextW(Item.hwndItem, Caption, 128);
  auto Font = reinterpret_cast<HFONT>(SendMessageW(Item.hwndItem, WM_GETFONT, 0, 0));
  if (!Font) Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  TSelectScope SelectFont(DC, Font);
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, Text);
  RECT TextRect = R;
  if (Selected) OffsetRect(&TextRect, 1, 1);
  DrawTextW(DC, Caption, -1, &TextRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (Focused) {
    RECT FocusRect{R.left + 3, R.top + 3, R.right - 3, R.bottom - 3};
    DrawFocusRect(DC, &FocusRect);
  }
}

void DrawFormatItem(TSkerrinState& S, const DRAWITEMSTRUCT& Item) {
  const HDC DC = Item.hDC;
  const bool Selected = Item.itemState & ODS_SELECTED;
  const bool Focused = Item.itemState & ODS_FOCUS;
  const bool Disabled = Item.itemState & ODS_DISABLED;
  const bool Field = Item.itemState & ODS_COMBOBOXEDIT;
  COLORREF Fill, Text;
  if (ViewerIsDark(S)) {
    Fill = Selected && !Field ? DarkSelectedItem : DarkField;
    Text = static_cast<COLORREF>(BarTextColor(S));
  } else if (Disabled) {
    Fill = Sys(COLOR_BTNFACE), Text = Sys(COLOR_GRAYTEXT);
  } else if (Selected && !Field) {
    Fill = Sys(COLOR_HIGHLIGHT), Text = Sys(COLOR_HIGHLIGHTTEXT);
  } else {
    Fill = Sys(COLOR_WINDOW), Text = Sys(COLOR_WINDOWTEXT);
  }
  FillRectColor(DC, Item.rcItem, Fill);
  std::wstring Caption;
  if (static_cast<int>(Item.itemID) == -1) {
    wchar_t Buffer[128] = L"";
    GetWindowTextW(Item.hwndItem, Buffer, 128);
    Caption = Buffer;
  } else {
    const auto Length = SendMessageW(Item.hwndItem, CB_GETLBTEXTLEN, Item.itemID, 0);
    if (Length > 0) {
      Caption.resize(static_cast<size_t>(Length) + 1);
      SendMessageW(Item.hwndItem, CB_GETLBTEXT, Item.itemID, reinterpret_cast<LPARAM>(Caption.data()));
      Caption.resize(static_cast<size_t>(Length));
    }
  }
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, Text);
  RECT TextRect{Item.rcItem.left + 5, Item.rcItem.top, Item.rcItem.right - 5, Item.rcItem.bottom};
  DrawTextW(DC, Caption.c_str(), static_cast<int>(Caption.size()), &TextRect,
            DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (Focused && !Field) {
    RECT FocusRect{Item.rcItem.left + 2, Item.rcItem.top + 2, Item.rcItem.right - 2, Item.rcItem.bottom - 2};
    DrawFocusRect(DC, &FocusRect);
  }
}

void PaintCheckBox(TSkerrinState& S, HWND Box) {
  TPaintScope Paint(Box);
  const HDC DC = Paint.Get();
  if (!DC) return;
  RECT Client{};
  GetClientRect(Box, &Client);
  FillRect(DC, &Client, S.Draw.BarBrush ? S.Draw.BarBrush.Get() : GetSysColorBrush(COLOR_BTNFACE));
  const int N = std::max(MinCheckSquare, ScaleToDpi(S, CheckSquare));
  const int Left = Client.left + std::max(1, ScaleToDpi(S, CheckSquareLeft));
  const int Top = (Client.top + Client.bottom) / 2 - N / 2;
  const RECT Square{Left, Top, Left + N, Top + N};
  const bool Disabled = !IsWindowEnabled(Box);
  const bool On = SendMessageW(Box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  COLORREF Border, Fill, Mark = RGB(255, 255, 255);
  if (Disabled) Border = DisabledBorder, Fill = Sys(COLOR_BTNFACE), Mark = Sys(COLOR_GRAYTEXT);
  else if (On) Border = ControlAccent, Fill = ControlAccent;
  else Border = UncheckedBorder, Fill = Sys(COLOR_WINDOW);
  FillRectColor(DC, Square, Fill);
  FrameRectColor(DC, Square, Border);
  if (On) {
    const int Inset = ScaleToDpi(S, CheckMarkInset);
    const POINT Points[3] = {{Square.left + Inset, Square.top + N / 2},
                             {Square.left + N / 2 - 1, Square.bottom - Inset},
                             {Square.right - Inset, Square.top + Inset}};
    PolylineColor(DC, Mark, std::max(1, ScaleToDpi(S, CheckMarkStroke)), Points, 3);
  }
}

void PaintUpDownDark(TSkerrinState& S, HWND UpDown) {
  TPaintScope Paint(UpDown);
  const HDC DC = Paint.Get();
  if (!DC) return;
  RECT R{};
  GetClientRect(UpDown, &R);
  FillRectColor(DC, R, DarkField);
  const int MidY = (R.top + R.bottom) / 2;
  {
    TPenHolder Pen(CreatePen(PS_SOLID, 1, DarkLightEdge));
    TSelectScope SelectPen(DC, Pen.Get());
    TSelectScope SelectBrush(DC, GetStockObject(NULL_BRUSH));
    Rectangle(DC, R.left, R.top, R.right, R.bottom);
    MoveToEx(DC, R.left + 1, MidY, nullptr);
    LineTo(DC, R.right - 1, MidY);
  }
  const COLORREF Arrow = static_cast<COLORREF>(BarTextColor(S));
  const int Cx = (R.left + R.right) / 2;
  int Cy = (R.top + MidY) / 2;
  Triangle(DC, Arrow, {Cx, Cy - 3}, {Cx - 4, Cy + 2}, {Cx + 4, Cy + 2});
  Cy = (MidY + 1 + R.bottom) / 2;
  Triangle(DC, Arrow, {Cx - 4, Cy - 2}, {Cx + 4, Cy - 2}, {Cx, Cy + 3});
}

void PaintEditFrame(TSkerrinState& S, HWND Control, bool WithDropButton) {
  if (ViewerIsDark(S) || !Control) return;
  RECT Window{};
  GetWindowRect(Control, &Window);
  const RECT R{0, 0, Window.right - Window.left, Window.bottom - Window.top};
  HDC DC = GetWindowDC(Control);
  if (!DC) return;
  bool Active = GetFocus() == Control;
  if (WithDropButton)
    Active = Active || SendMessageW(Control, CB_GETDROPPEDSTATE, 0, 0) != 0 ||
             (GetFocus() && GetParent(GetFocus()) == Control);
  const COLORREF Frame = Active ? ControlAccent : LightButtonBorder;
  FrameRectColor(DC, R, Frame);
  const RECT Inner{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
  FrameRectColor(DC, Inner, Sys(COLOR_WINDOW));
  if (WithDropButton) {
    const int B = std::max(ScaleToDpi(S, DropButtonWidth), static_cast<int>(R.bottom) - 2);
    const RECT Button{std::max<LONG>(R.left + 2, R.right - B), R.top + 2, R.right - 2, R.bottom - 2};
    FillRectColor(DC, Button, Sys(COLOR_BTNFACE));
    const RECT Line{Button.left, Button.top, Button.left + 1, Button.bottom};
    FillRectColor(DC, Line, Frame);
    const int Cx = (Button.left + Button.right) / 2, Cy = (Button.top + Button.bottom) / 2;
    const int Half = ScaleToDpi(S, DropArrowHalfWidth), Rise = ScaleToDpi(S, DropArrowRise);
    Triangle(DC, Sys(COLOR_BTNTEXT), {Cx - Half, Cy - Rise}, {Cx + Half, Cy - Rise}, {Cx, Cy + Half});
  }
  ReleaseDC(Control, DC);
}
