#include "options/uOptionsTheme.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "settings/uTheme.h"
#include "toolkit/uColorPaint.h"
#include "toolkit/uControlPaint.h"
#include "toolkit/uWindowText.h"

namespace {

constexpr COLORREF DarkDialogText = RGB(225, 225, 225);
constexpr COLORREF DarkFieldText = RGB(235, 235, 235);
constexpr COLORREF DarkPressed = RGB(58, 58, 58);
constexpr COLORREF DarkButtonBorder = RGB(94, 94, 94);
constexpr COLORREF DarkDisabledText = RGB(128, 128, 128);
constexpr COLORREF DarkBoxBorder = RGB(142, 142, 142);
constexpr COLORREF DarkSelectedTab = RGB(50, 50, 50);
constexpr COLORREF DarkTabBorder = RGB(86, 86, 86);
constexpr COLORREF LightTabBorder = RGB(208, 208, 208);

// At 96 DPI: the height under the tabs that the dark strip covers at least, and the selected
// tab's accent line.
constexpr int TabStripHeight = 24;
constexpr int AccentWidth = 2;

constexpr wchar_t TabStateProperty[] = L"WLXLogOptState";
constexpr wchar_t TabPreviousProperty[] = L"WLXLogOptPrevProc";
const TSubclassProps TabProps{TabStateProperty, TabPreviousProperty};

using TSetWindowTheme = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
using TDwmSetWindowAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// Optional system functions: each library is tried once per process and stays loaded, since
// the dialog may open again at any time.
template <typename F>
F SystemFunction(const wchar_t* Library, const char* Name) {
  HMODULE Module = LoadLibraryW(Library);
  return Module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(Module, Name))) : nullptr;
}

TSetWindowTheme SetWindowThemeFunction() {
  static const TSetWindowTheme Function = SystemFunction<TSetWindowTheme>(L"uxtheme.dll", "SetWindowTheme");
  return Function;
}

TDwmSetWindowAttribute DwmSetWindowAttributeFunction() {
  static const TDwmSetWindowAttribute Function =
      SystemFunction<TDwmSetWindowAttribute>(L"dwmapi.dll", "DwmSetWindowAttribute");
  return Function;
}

COLORREF Sys(int Index) { return GetSysColor(Index); }

// The dialog's controls: flat buttons whose caption keeps its place when pressed, check boxes
// with the accent when focused or hot and details of fixed size.
TControlLook DialogLook(const TOptionsState& S) {
  return {.Dark = S.Dark,
          .DarkColors = {.Field = DarkField,
                         .SelectedItem = DarkSelectedItem,
                         .Text = DarkFieldText,
                         .DisabledText = DarkDisabledText,
                         .PressedFill = DarkPressed,
                         .ButtonBorder = DarkButtonBorder,
                         .CheckBorder = DarkBoxBorder},
          .Dpi = S.Dpi};
}

void DrawCheckBox(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  const RECT R = Item.rcItem;
  FillRectColor(Item.hDC, R, DialogBackColor(S));
  const RECT Box = DrawCheckSquare(Item.hDC, R, DialogLook(S), IsOptionChecked(Item.hwndItem), Item.itemState);
  const COLORREF Text = (Item.itemState & ODS_DISABLED) ? Sys(COLOR_GRAYTEXT) : DialogTextColor(S);
  const RECT TextArea{Box.right + 6, R.top, R.right, R.bottom};
  DrawControlText(Item.hDC, Item.hwndItem, WindowTextW(Item.hwndItem), TextArea, Text, DT_LEFT);
  if (Item.itemState & ODS_FOCUS) {
    RECT Focus{TextArea.left + 1, TextArea.top + 2, TextArea.right - 1, TextArea.bottom - 2};
    DrawFocusRect(Item.hDC, &Focus);
  }
}

void DrawTabItem(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  HWND Tab = Item.hwndItem;
  const bool Selected = static_cast<LRESULT>(Item.itemID) == SendMessageW(Tab, TCM_GETCURSEL, 0, 0);
  wchar_t Text[64] = L"";
  TCITEMW Tc{};
  Tc.mask = TCIF_TEXT;
  Tc.pszText = Text;
  Tc.cchTextMax = 64;
  SendMessageW(Tab, TCM_GETITEMW, Item.itemID, reinterpret_cast<LPARAM>(&Tc));
  COLORREF Fill, TextColor, Border;
  if (S.Dark) {
    Fill = Selected ? DarkSelectedTab : DialogBackColor(S), TextColor = DialogTextColor(S), Border = DarkTabBorder;
  } else {
    Fill = Selected ? Sys(COLOR_WINDOW) : Sys(COLOR_BTNFACE), TextColor = Sys(COLOR_BTNTEXT), Border = LightTabBorder;
  }
  const RECT R = Item.rcItem;
  FillRectColor(Item.hDC, R, Fill);
  const POINT Edges[4] = {{R.left, R.bottom}, {R.left, R.top}, {R.right - 1, R.top}, {R.right - 1, R.bottom}};
  PolylineColor(Item.hDC, Border, 1, Edges, 4);
  if (!S.Dark && Selected) {
    const POINT Line[2] = {{R.left + 1, R.top + 1}, {R.right - 1, R.top + 1}};
    PolylineColor(Item.hDC, ControlAccent, std::max(AccentWidth, Scaled(S, AccentWidth)), Line, 2);
  }
  DrawControlText(Item.hDC, Tab, Text, R, TextColor, DT_CENTER);
}

void DrawSwatch(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  const int Id = static_cast<int>(Item.CtlID);
  TColor Color;
  if (Id >= IdSchemeBgSwatch && Id < IdSchemeBgSwatch + SchemeRows) Color = S.SwatchBg[Id - IdSchemeBgSwatch];
  else if (Id >= IdSchemeFgSwatch && Id < IdSchemeFgSwatch + SchemeRows) Color = S.SwatchFg[Id - IdSchemeFgSwatch];
  else if (Id == IdWindowBgSwatch) Color = S.Settings.WindowBgColor;
  else if (Id == IdBarDarkSwatch) Color = S.Settings.BarDarkModeColor;
  else return;
  FillRectColor(Item.hDC, Item.rcItem, static_cast<COLORREF>(Color) & 0xFFFFFF);
  FrameRectColor(Item.hDC, Item.rcItem, RGB(0, 0, 0));
}

void FillTabStrip(const TOptionsState& S, HWND Tab) {
  RECT Client{};
  GetClientRect(Tab, &Client);
  const int Count = static_cast<int>(SendMessageW(Tab, TCM_GETITEMCOUNT, 0, 0));
  LONG Right = Client.left, Bottom = Client.top + Scaled(S, TabStripHeight);
  for (int I = 0; I < Count; ++I) {
    RECT Item{};
    if (!SendMessageW(Tab, TCM_GETITEMRECT, I, reinterpret_cast<LPARAM>(&Item))) continue;
    Right = std::max(Right, Item.right + 1);
    Bottom = std::max(Bottom, Item.bottom);
  }
  const RECT Strip{Right, Client.top, Client.right, Bottom + 1};
  if (Strip.left >= Strip.right) return;
  TWindowDC DC(Tab);
  if (DC.Get()) FillRect(DC.Get(), &Strip, S.DialogBrush.Get());
}

LRESULT CALLBACK TabProc(HWND Tab, UINT Msg, WPARAM WParam, LPARAM LParam) {
  const auto* S = static_cast<const TOptionsState*>(PublishedRecord(Tab, TabProps));
  if (!S) return PassOnFromStub(Tab, TabProc, Msg, WParam, LParam);
  const TPreviousProc Previous = PublishedPrevious(Tab, TabProps);
  try {
    if (S->Dark && Msg == WM_ERASEBKGND) {
      RECT Client{};
      GetClientRect(Tab, &Client);
      FillRect(reinterpret_cast<HDC>(WParam), &Client, S->DialogBrush.Get());
      return 1;
    }
    if (S->Dark && Msg == WM_PAINT) {
      const LRESULT Result = Previous.Call(Tab, Msg, WParam, LParam);
      FillTabStrip(*S, Tab);
      return Result;
    }
  } catch (...) {
    // Nothing may unwind into the message loop.
  }
  return Previous.Call(Tab, Msg, WParam, LParam);
}

BOOL CALLBACK ThemeDescendant(HWND Window, LPARAM Dark) {
  if (const TSetWindowTheme SetTheme = SetWindowThemeFunction()) {
    if (Dark) SetTheme(Window, L"DarkMode_Explorer", nullptr);
    else SetTheme(Window, nullptr, nullptr);
  }
  RedrawWindow(Window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return TRUE;
}

}  // namespace

bool DialogIsDark(const TOptionsState& S) {
  // The working copy's mode: the "Appearance:" choice is previewed before it is confirmed.
  return DecideDarkTheme(S.Settings.ThemeMode, S.HostDark);
}

COLORREF DialogBackColor(const TOptionsState& S) {
  return S.Dark ? static_cast<COLORREF>(S.Settings.BarDarkModeColor) : Sys(COLOR_BTNFACE);
}
COLORREF DialogTextColor(const TOptionsState& S) { return S.Dark ? DarkDialogText : Sys(COLOR_BTNTEXT); }
COLORREF FieldBackColor(const TOptionsState& S) { return S.Dark ? DarkField : Sys(COLOR_WINDOW); }
COLORREF FieldTextColor(const TOptionsState& S) { return S.Dark ? DarkFieldText : Sys(COLOR_WINDOWTEXT); }

void ApplyDialogTheme(TOptionsState& S) {
  S.Dark = DialogIsDark(S);
  S.DialogBrush.Reset(CreateSolidBrush(DialogBackColor(S)));
  S.FieldBrush.Reset(CreateSolidBrush(FieldBackColor(S)));
  if (!S.Wnd) return;
  if (const TDwmSetWindowAttribute SetAttribute = DwmSetWindowAttributeFunction()) {
    // The immersive dark-mode attribute has number 20 on current systems and 19 on early ones.
    const BOOL Value = S.Dark ? -1 : 0;
    SetAttribute(S.Wnd, 20, &Value, sizeof(Value));
    SetAttribute(S.Wnd, 19, &Value, sizeof(Value));
  }
  ThemeDescendant(S.Wnd, S.Dark);
  EnumChildWindows(S.Wnd, ThemeDescendant, S.Dark);
  // Erasing too: without it the margins between the controls kept the old look until
  // something else happened to erase them.
  RedrawWindow(S.Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool AnswerControlColor(const TOptionsState& S, UINT Msg, HDC DC, LRESULT& Brush) {
  const bool Field = Msg == WM_CTLCOLOREDIT || Msg == WM_CTLCOLORLISTBOX;
  if (Field && !S.Dark) return false;
  if (!Field && Msg != WM_CTLCOLORBTN && Msg != WM_CTLCOLORSTATIC) return false;
  SetBkColor(DC, Field ? FieldBackColor(S) : DialogBackColor(S));
  SetTextColor(DC, Field ? FieldTextColor(S) : DialogTextColor(S));
  Brush = reinterpret_cast<LRESULT>(Field ? S.FieldBrush.Get() : S.DialogBrush.Get());
  return Brush != 0;
}

void EraseOptionsBackground(const TOptionsState& S, HWND Window, HDC DC, bool Page) {
  RECT Client{};
  GetClientRect(Window, &Client);
  if (Page && !S.Dark) FillRect(DC, &Client, GetSysColorBrush(COLOR_BTNFACE));
  else if (S.DialogBrush) FillRect(DC, &Client, S.DialogBrush.Get());
  else FillRectColor(DC, Client, DialogBackColor(S));
}

void InstallTabSubclass(TOptionsState& S) {
  if (!S.TabCtrl) return;
  if (S.Subclasses.Install(S.TabCtrl, TabProc, TCallPath::Unicode, &S, &TabProps))
    S.TabPrevProc = S.Subclasses.Previous(S.TabCtrl, TabProc).Proc;
}

bool DrawOptionItem(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  switch (OptionControlKind(S, Item.hwndItem)) {
    case TControlKind::Tabs:
      DrawTabItem(S, Item);
      return true;
    case TControlKind::Check:
      DrawCheckBox(S, Item);
      return true;
    case TControlKind::Button:
      DrawPushButton(Item, DialogLook(S));
      return true;
    case TControlKind::ListCombo:
      DrawComboItem(Item, DialogLook(S));
      return true;
    case TControlKind::Swatch:
      DrawSwatch(S, Item);
      return true;
    default:
      return false;
  }
}
