#include "viewer/uToolbarPaint.h"

#include <algorithm>
#include <string>

#include "toolkit/uColorPaint.h"
#include "toolkit/uControlPaint.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"

namespace {

constexpr COLORREF DarkPressedFill = RGB(55, 55, 55);
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

// The toolbar's controls stand on its strip: dark buttons are raised rather than framed, a
// pressed caption moves, a check box shows its accent when checked and its details grow with
// the DPI, and the format box's list marks its focused item. Its dark check boxes are the
// platform's own.
TControlLook ToolbarLook(const TSkerrinState& S) {
  const auto Text = static_cast<COLORREF>(BarTextColor(S));
  return {.Dark = ViewerIsDark(S),
          .DarkColors = {.Field = DarkField,
                         .SelectedItem = DarkSelectedItem,
                         .Text = Text,
                         .DisabledText = Text,
                         .PressedFill = DarkPressedFill,
                         .ButtonBorder = DarkLightEdge,
                         .CheckBorder = DarkLightEdge},
          .Dpi = S.Metrics.Dpi,
          .RaisedButtons = true,
          .ShiftPressedCaption = true,
          .CaptionInset = 0,
          .AccentWhenChecked = true,
          .ScaledCheckDetails = true,
          .ListFocusRect = true};
}

}  // namespace

void PaintToolbarStrip(TSkerrinState& S, HDC DC) {
  RECT Client{};
  GetClientRect(S.Window, &Client);
  const RECT Strip{0, 0, Client.right, std::min<LONG>(Client.bottom, S.Metrics.ToolbarHeight)};
  if (S.Draw.BarBrush) FillRect(DC, &Strip, S.Draw.BarBrush.Get());
  else FillRectColor(DC, Strip, static_cast<COLORREF>(BarBackColor(S)));
}

void DrawToolbarButton(TSkerrinState& S, const DRAWITEMSTRUCT& Item) { DrawPushButton(Item, ToolbarLook(S)); }

void DrawFormatItem(TSkerrinState& S, const DRAWITEMSTRUCT& Item) { DrawComboItem(Item, ToolbarLook(S)); }

void PaintCheckBox(TSkerrinState& S, HWND Box) {
  TPaintScope Paint(Box);
  const HDC DC = Paint.Get();
  if (!DC) return;
  RECT Client{};
  GetClientRect(Box, &Client);
  FillRect(DC, &Client, S.Draw.BarBrush ? S.Draw.BarBrush.Get() : GetSysColorBrush(COLOR_BTNFACE));
  const bool On = SendMessageW(Box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  DrawCheckSquare(DC, Client, ToolbarLook(S), On, IsWindowEnabled(Box) ? 0 : ODS_DISABLED);
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
  const TWindowDC Whole(Control, TDCArea::Whole);
  const HDC DC = Whole.Get();
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
}

HBRUSH FormatBoxColors(TSkerrinState& S, HWND Control, HDC DC) {
  const HWND Box = S.Bar.FormatCombo;
  if (!Box || !Control || !S.Draw.FieldBrush || !ViewerIsDark(S)) return nullptr;
  COMBOBOXINFO Parts{};
  Parts.cbSize = sizeof(Parts);
  if (Control != Box && !(GetComboBoxInfo(Box, &Parts) && Control == Parts.hwndList)) return nullptr;
  SetBkColor(DC, DarkField);
  SetTextColor(DC, static_cast<COLORREF>(BarTextColor(S)));
  return S.Draw.FieldBrush.Get();
}
