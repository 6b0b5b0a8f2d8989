#include "options/uOptionsTheme.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "settings/uTheme.h"
#include "toolkit/uColorPaint.h"
#include "toolkit/uDpi.h"

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

HFONT ControlFont(HWND Control) {
  const auto Font = reinterpret_cast<HFONT>(SendMessageW(Control, WM_GETFONT, 0, 0));
  return Font ? Font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::wstring ControlText(HWND Control) {
  wchar_t Text[256] = L"";
  GetWindowTextW(Control, Text, 256);
  return Text;
}

void DrawLabel(HDC DC, HWND Control, const std::wstring& Text, RECT Area, COLORREF Color, UINT Align) {
  TSelectScope Font(DC, ControlFont(Control));
  SetBkMode(DC, TRANSPARENT);
  SetTextColor(DC, Color);
  DrawTextW(DC, Text.c_str(), static_cast<int>(Text.size()), &Area, Align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool IsCheckBoxId(int Id) {
  static const int Ids[] = {3101, 3103, 3104, 3110, 3301, 3401, 3505, 3506, 3511, 3512};
  return std::find(std::begin(Ids), std::end(Ids), Id) != std::end(Ids);
}

bool IsComboId(int Id) {
  return Id == IdFontCombo || Id == IdAppearance || Id == IdSchemeChoice || Id == IdForceFormat || Id == IdCustomMode ||
         (Id >= IdFieldRole && Id < IdFieldRole + CustomFieldSlots) || Id == IdRuleLevel;
}

bool IsPushButtonId(int Id) {
  return Id == IdOptOk || Id == IdOptCancel || Id == IdFontDrop || Id == IdWindowBgButton || Id == IdBarDarkButton ||
         (Id >= IdSchemeBgButton && Id < IdSchemeBgButton + SchemeRows) ||
         (Id >= IdSchemeFgButton && Id < IdSchemeFgButton + SchemeRows) || Id == IdRuleBg || Id == IdRuleFg ||
         (Id >= IdRuleAdd && Id <= IdRuleDelete);
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
  const TPreviousProc Previous = PublishedPrevious(Tab, TabProps);
  try {
    const auto* S = static_cast<const TOptionsState*>(PublishedRecord(Tab, TabProps));
    if (S && S->Dark && Msg == WM_ERASEBKGND) {
      RECT Client{};
      GetClientRect(Tab, &Client);
      FillRect(reinterpret_cast<HDC>(WParam), &Client, S->DialogBrush.Get());
      return 1;
    }
    if (S && S->Dark && Msg == WM_PAINT) {
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
  const int Id = static_cast<int>(Item.CtlID);
  if (Id == IdOptTabs) DrawTabItem(S, Item);
  else if (IsCheckBoxId(Id)) DrawCheckBox(S, Item);
  else if (IsComboId(Id) || Item.CtlType == ODT_COMBOBOX) DrawComboItem(S, Item);
  else if (IsPushButtonId(Id)) DrawPushButton(S, Item);
  else DrawSwatch(S, Item);
  return true;
}

void DrawPushButton(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  const bool Pressed = Item.itemState & ODS_SELECTED, Disabled = Item.itemState & ODS_DISABLED;
  const bool Focused = Item.itemState & ODS_FOCUS, Hot = Item.itemState & ODS_HOTLIGHT;
  COLORREF Fill, Border, Text;
  if (S.Dark) {
    Fill = Pressed ? DarkPressed : DarkField;
    Border = DarkButtonBorder;
    Text = Disabled ? DarkDisabledText : DarkFieldText;
  } else if (Disabled) {
    Fill = Sys(COLOR_BTNFACE), Border = DisabledBorder, Text = Sys(COLOR_GRAYTEXT);
  } else if (Pressed) {
    Fill = PressedFill, Border = PressedBorder, Text = Sys(COLOR_BTNTEXT);
  } else if (Focused || Hot) {
    Fill = HotFill, Border = ControlAccent, Text = Sys(COLOR_BTNTEXT);
  } else {
    Fill = Sys(COLOR_BTNFACE), Border = LightButtonBorder, Text = Sys(COLOR_BTNTEXT);
  }
  const RECT R = Item.rcItem;
  FillRectColor(Item.hDC, R, Fill);
  FrameRectColor(Item.hDC, R, Border);
  DrawLabel(Item.hDC, Item.hwndItem, ControlText(Item.hwndItem), {R.left + 4, R.top + 4, R.right - 4, R.bottom - 4},
            Text, DT_CENTER);
  if (Focused) {
    RECT Focus{R.left + 3, R.top + 3, R.right - 3, R.bottom - 3};
    DrawFocusRect(Item.hDC, &Focus);
  }
}

void DrawCheckBox(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  const bool Checked = IsOptionChecked(Item.hwndItem);
  const bool Disabled = Item.itemState & ODS_DISABLED;
  const bool Focused = Item.itemState & ODS_FOCUS, Hot = Item.itemState & ODS_HOTLIGHT;
  const COLORREF Back = S.Dark ? DialogBackColor(S) : Sys(COLOR_BTNFACE);
  COLORREF Text, BoxFill, BoxBorder, Mark;
  if (Disabled) {
    Text = Sys(COLOR_GRAYTEXT), BoxFill = Sys(COLOR_BTNFACE), BoxBorder = DisabledBorder, Mark = Sys(COLOR_GRAYTEXT);
  } else if (S.Dark) {
    Text = DialogTextColor(S), BoxFill = DarkField, BoxBorder = DarkBoxBorder, Mark = DarkFieldText;
  } else {
    Text = Sys(COLOR_BTNTEXT);
    BoxFill = Checked ? ControlAccent : Sys(COLOR_WINDOW);
    BoxBorder = Focused || Hot ? ControlAccent : UncheckedBorder;
    Mark = RGB(255, 255, 255);
  }
  const RECT R = Item.rcItem;
  FillRectColor(Item.hDC, R, Back);
  const int Side = Scaled(S, CheckSquare);
  const int Left = R.left + 1, Top = R.top + (R.bottom - R.top) / 2 - Side / 2;
  const RECT Box{Left, Top, Left + Side, Top + Side};
  FillRectColor(Item.hDC, Box, BoxFill);
  FrameRectColor(Item.hDC, Box, BoxBorder);
  if (Checked) {
    const POINT Tick[3] = {
        {Box.left + 3, Box.top + Side / 2}, {Box.left + Side / 2 - 1, Box.bottom - 3}, {Box.right - 3, Box.top + 3}};
    PolylineColor(Item.hDC, Mark, 2, Tick, 3);
  }
  const RECT TextArea{Box.right + 6, R.top, R.right, R.bottom};
  DrawLabel(Item.hDC, Item.hwndItem, ControlText(Item.hwndItem), TextArea, Text, DT_LEFT);
  if (Focused) {
    RECT Focus{TextArea.left + 1, TextArea.top + 2, TextArea.right - 1, TextArea.bottom - 2};
    DrawFocusRect(Item.hDC, &Focus);
  }
}

void DrawComboItem(const TOptionsState& S, const DRAWITEMSTRUCT& Item) {
  const bool ListSelected = (Item.itemState & ODS_SELECTED) && !(Item.itemState & ODS_COMBOBOXEDIT);
  COLORREF Fill, Text;
  if (S.Dark) {
    Fill = ListSelected ? DarkSelectedItem : DarkField, Text = DarkFieldText;
  } else if (Item.itemState & ODS_DISABLED) {
    Fill = Sys(COLOR_BTNFACE), Text = Sys(COLOR_GRAYTEXT);
  } else if (ListSelected) {
    Fill = Sys(COLOR_HIGHLIGHT), Text = Sys(COLOR_HIGHLIGHTTEXT);
  } else {
    Fill = Sys(COLOR_WINDOW), Text = Sys(COLOR_WINDOWTEXT);
  }
  std::wstring Label;
  if (Item.itemID == static_cast<UINT>(-1)) {
    Label = ControlText(Item.hwndItem);
  } else if (IsWindowUnicode(Item.hwndItem)) {
    const LRESULT Length = SendMessageW(Item.hwndItem, CB_GETLBTEXTLEN, Item.itemID, 0);
    if (Length > 0) {
      Label.resize(static_cast<size_t>(Length) + 1);
      SendMessageW(Item.hwndItem, CB_GETLBTEXT, Item.itemID, reinterpret_cast<LPARAM>(Label.data()));
      Label.resize(static_cast<size_t>(Length));
    }
  } else {
    const LRESULT Length = SendMessageA(Item.hwndItem, CB_GETLBTEXTLEN, Item.itemID, 0);
    if (Length > 0) {
      std::string Ansi(static_cast<size_t>(Length) + 1, '\0');
      SendMessageA(Item.hwndItem, CB_GETLBTEXT, Item.itemID, reinterpret_cast<LPARAM>(Ansi.data()));
      const int Wide = MultiByteToWideChar(CP_ACP, 0, Ansi.c_str(), -1, nullptr, 0);
      Label.resize(static_cast<size_t>(std::max(Wide, 1)));
      MultiByteToWideChar(CP_ACP, 0, Ansi.c_str(), -1, Label.data(), Wide);
      Label.resize(static_cast<size_t>(std::max(Wide - 1, 0)));
    }
  }
  const RECT R = Item.rcItem;
  FillRectColor(Item.hDC, R, Fill);
  DrawLabel(Item.hDC, Item.hwndItem, Label, {R.left + 5, R.top, R.right - 5, R.bottom}, Text, DT_LEFT);
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
  DrawLabel(Item.hDC, Tab, Text, R, TextColor, DT_CENTER);
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
