#include "viewer/uToolbar.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "model/uLogTypes.h"
#include "settings/uSettings.h"
#include "viewer/uHostIntegration.h"
#include "viewer/uWin32LogWindow.h"

namespace {

constexpr COLORREF AccentBlue = RGB(0, 120, 215);
constexpr COLORREF PressedBlueBorder = RGB(0, 84, 153);
constexpr COLORREF PressedBlueFill = RGB(204, 228, 247);
constexpr COLORREF HotFill = RGB(229, 241, 251);
constexpr COLORREF LightBorder = RGB(173, 173, 173);
constexpr COLORREF DisabledBorder = RGB(200, 200, 200);
constexpr COLORREF UncheckedBoxBorder = RGB(118, 118, 118);
constexpr COLORREF DarkFill = RGB(42, 42, 42);
constexpr COLORREF DarkPressedFill = RGB(55, 55, 55);
constexpr COLORREF DarkSelectedItem = RGB(72, 72, 72);
constexpr COLORREF DarkLightEdge = RGB(96, 96, 96);
constexpr COLORREF DarkShadowEdge = RGB(18, 18, 18);

struct TButtonSpec {
  HWND TSkerrinState::*Field;
  int Id;
  const wchar_t* Text;
  const wchar_t* Tip;
  int X;
};

const TButtonSpec NavigationButtons[] = {
    {&TSkerrinState::PrevErrorButton, IdPrevError, L"<E", L"Previous error", 6},
    {&TSkerrinState::NextErrorButton, IdNextError, L"E>", L"Next error", 42},
    {&TSkerrinState::PrevWarnButton, IdPrevWarn, L"<W", L"Previous warning", 82},
    {&TSkerrinState::NextWarnButton, IdNextWarn, L"W>", L"Next warning", 118},
    {&TSkerrinState::PrevInfoButton, IdPrevInfo, L"<I", L"Previous info", 158},
    {&TSkerrinState::NextInfoButton, IdNextInfo, L"I>", L"Next info", 194},
};

struct TCheckSpec {
  HWND TSkerrinState::*Box;
  HWND TSkerrinState::*Label;
  int Id;
  const wchar_t* Text;
  const wchar_t* Tip;
  const wchar_t* LabelTip;  // null: the label has no tooltip
  int BoxX, LabelX, LabelWidth;
};

const TCheckSpec CheckBoxes[] = {
    {&TSkerrinState::TailBox, &TSkerrinState::TailLabel, IdTailBox, L"Tail", L"Enable tail", L"Enable tail", 236, 252, 40},
    {&TSkerrinState::FollowBox, &TSkerrinState::FollowLabel, IdFollowBox, L"Follow", L"Follow end of file",
     L"Follow end of file", 300, 316, 52},
    {&TSkerrinState::LineNumBox, &TSkerrinState::LineNumLabel, IdLineNumBox, L"Line#", L"Show line numbers", nullptr,
     375, 391, 44},
    {&TSkerrinState::SyncBox, &TSkerrinState::SyncLabel, IdSyncBox, L"Sync", L"Synchronize by timestamp",
     L"Synchronize by timestamp", 438, 454, 38},
};

HWND MakeControl(TSkerrinState& S, DWORD ExStyle, const wchar_t* Class, const wchar_t* Text, DWORD Style, int Id,
                 HWND Parent = nullptr, int Height = 23) {
  return CreateWindowExW(ExStyle, Class, Text, WS_CHILD | WS_VISIBLE | Style, 0, 0, 10, Height,
                         Parent ? Parent : S.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                         PluginInstance(), nullptr);
}

void AddTool(TSkerrinState& S, HWND Control, const wchar_t* Tip) {
  if (!S.ToolTip || !Control || !Tip) return;
  TOOLINFOW Info{};
  Info.cbSize = sizeof(Info);
  Info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  Info.hwnd = S.Window;
  Info.uId = reinterpret_cast<UINT_PTR>(Control);
  Info.lpszText = const_cast<wchar_t*>(Tip);
  SendMessageW(S.ToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Info));
}

void Place(const TSkerrinState& S, HWND Control, int X, int Y, int Width, int Height) {
  if (!Control) return;
  SetWindowPos(Control, nullptr, ScaleToDpi(S, X), ScaleToDpi(S, Y), ScaleToDpi(S, Width), ScaleToDpi(S, Height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void FrameRectColor(HDC DC, const RECT& R, COLORREF Color) {
  TBrushHolder Brush(CreateSolidBrush(Color));
  FrameRect(DC, &R, Brush.Get());
}

void FillRectColor(HDC DC, const RECT& R, COLORREF Color) {
  TBrushHolder Brush(CreateSolidBrush(Color));
  FillRect(DC, &R, Brush.Get());
}

void Polyline3(HDC DC, COLORREF Color, POINT A, POINT B, POINT C) {
  TPenHolder Pen(CreatePen(PS_SOLID, 1, Color));
  TSelectScope Select(DC, Pen.Get());
  POINT Points[3] = {A, B, C};
  Polyline(DC, Points, 3);
}

void Triangle(HDC DC, COLORREF Color, POINT A, POINT B, POINT C) {
  TBrushHolder Brush(CreateSolidBrush(Color));
  TSelectScope SelectBrush(DC, Brush.Get());
  TSelectScope SelectPen(DC, GetStockObject(NULL_PEN));
  POINT Points[3] = {A, B, C};
  Polygon(DC, Points, 3);
}

COLORREF Sys(int Index) { return GetSysColor(Index); }

}  // namespace

TControlRect NavigationButtonRect(const TSkerrinState& S, int Index) {
  return {ScaleToDpi(S, NavigationButtons[Index].X), ScaleToDpi(S, 6), ScaleToDpi(S, 34), ScaleToDpi(S, 23)};
}

TControlRect FilterLabelRect(const TSkerrinState& S, int ClientWidth) {
  return {std::max(ScaleToDpi(S, 704), ClientWidth - ScaleToDpi(S, 220)), ScaleToDpi(S, 10), ScaleToDpi(S, 35),
          ScaleToDpi(S, 16)};
}

void CreateToolbar(TSkerrinState& S) {
  UpdateDpiMetrics(S);
  INITCOMMONCONTROLSEX Init{sizeof(Init), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&Init);

  for (const TButtonSpec& B : NavigationButtons)
    S.*B.Field = MakeControl(S, 0, L"BUTTON", B.Text, BS_OWNERDRAW | WS_TABSTOP, B.Id);
  for (const TCheckSpec& C : CheckBoxes) {
    S.*C.Box = MakeControl(S, 0, L"BUTTON", L"", BS_AUTOCHECKBOX | WS_TABSTOP, C.Id);
    S.*C.Label = MakeControl(S, 0, L"STATIC", C.Text, 0, 0);
  }
  S.OptionsButton = MakeControl(S, 0, L"BUTTON", L"Options", BS_OWNERDRAW | WS_TABSTOP, IdOptions);
  S.FormatCombo = MakeControl(S, 0, L"COMBOBOX", L"",
                              CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                              IdFormatCombo, nullptr, 240);
  S.FilterLabel = MakeControl(S, 0, L"STATIC", L"Filter:", 0, 0);
  S.FilterEdit = MakeControl(S, WS_EX_CLIENTEDGE, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, IdFilterEdit);
  if (S.FilterEdit)
    S.ClearFilterButton = MakeControl(S, 0, L"STATIC", L"", SS_NOTIFY, IdClearFilter, S.FilterEdit, 13);
  S.LookEdit = MakeControl(S, WS_EX_CLIENTEDGE, L"EDIT", L"0", ES_AUTOHSCROLL | WS_TABSTOP, IdLookEdit);
  S.LookUpDown = MakeControl(S, 0, UPDOWN_CLASSW, L"",
                             UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_HOTTRACK, IdLookUpDown);

  if (S.FilterEdit) {
    SetWindowLongPtrW(S.FilterEdit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
    S.FilterEditPrevProc.Install(S.FilterEdit, FilterEditProc);
    SendMessageW(S.FilterEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 20));
  }
  if (S.ClearFilterButton) {
    SetWindowLongPtrW(S.ClearFilterButton, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
    S.ClearFilterPrevProc.Install(S.ClearFilterButton, ClearButtonProc);
    ShowWindow(S.ClearFilterButton, SW_SHOWNOACTIVATE);
  }
  if (S.LookUpDown) {
    SendMessageW(S.LookUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(S.LookEdit), 0);
    SendMessageW(S.LookUpDown, UDM_SETRANGE32, static_cast<WPARAM>(-9999), 9999);
    SendMessageW(S.LookUpDown, UDM_SETPOS32, 0, 0);
  }

  S.ToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, S.Window, nullptr,
                              PluginInstance(), nullptr);
  if (S.ToolTip) {
    SetWindowPos(S.ToolTip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (const TButtonSpec& B : NavigationButtons) AddTool(S, S.*B.Field, B.Tip);
    for (const TCheckSpec& C : CheckBoxes) {
      AddTool(S, S.*C.Box, C.Tip);
      AddTool(S, S.*C.Label, C.LabelTip);
    }
    AddTool(S, S.OptionsButton, L"Options");
    AddTool(S, S.FormatCombo, L"Force log format");
    AddTool(S, S.FilterEdit, L"Filter text");
    AddTool(S, S.ClearFilterButton, L"Clear filter");
    AddTool(S, S.LookEdit, L"Look before/after");
    AddTool(S, S.LookUpDown, L"Look before/after");
  }
  S.StatusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0,
                                S.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdStatusBar)),
                                PluginInstance(), nullptr);

  for (const TButtonSpec& B : NavigationButtons) InstallKeySubclass(S.*B.Field, &S);
  for (const TCheckSpec& C : CheckBoxes) InstallKeySubclass(S.*C.Box, &S);
  InstallKeySubclass(S.OptionsButton, &S);
  InstallKeySubclass(S.FormatCombo, &S);
  InstallKeySubclass(S.FilterEdit, &S);
  InstallKeySubclass(S.LookEdit, &S);
  InstallLookSubclass(S.LookEdit, &S);
  InstallKeySubclass(S.ClearFilterButton, &S);
}

void LayoutToolbar(TSkerrinState& S, int W) {
  for (const TButtonSpec& B : NavigationButtons) Place(S, S.*B.Field, B.X, 6, 34, 23);
  for (const TCheckSpec& C : CheckBoxes) {
    Place(S, S.*C.Box, C.BoxX, 8, 16, 20);
    Place(S, S.*C.Label, C.LabelX, 10, C.LabelWidth, 16);
  }
  int ComboHeight = ScaleToDpi(S, 23);
  if (S.FormatCombo) {
    Place(S, S.FormatCombo, 578, 6, 120, 23);
    RECT R{};
    if (GetWindowRect(S.FormatCombo, &R)) ComboHeight = R.bottom - R.top;
    ComboHeight = std::max(1, ComboHeight);
  }
  const int Top = std::max(0, (S.ToolbarHeight - ComboHeight) / 2);
  if (S.FormatCombo)
    SetWindowPos(S.FormatCombo, nullptr, ScaleToDpi(S, 578), Top, ScaleToDpi(S, 120), ScaleToDpi(S, 23),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (S.OptionsButton)
    SetWindowPos(S.OptionsButton, nullptr, ScaleToDpi(S, 500), Top, ScaleToDpi(S, 72), ComboHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);

  const TControlRect Label = FilterLabelRect(S, W);
  const int Ex = Label.X + ScaleToDpi(S, 36);
  const int EditWidth = ScaleToDpi(S, 130);
  auto PlaceAt = [&](HWND Control, int X, int Y, int Width, int Height) {
    if (Control) SetWindowPos(Control, nullptr, X, Y, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  PlaceAt(S.FilterLabel, Label.X, Label.Y, Label.Width, Label.Height);
  PlaceAt(S.FilterEdit, Ex, ScaleToDpi(S, 6), EditWidth, ScaleToDpi(S, 23));
  PlaceAt(S.ClearFilterButton, ScaleToDpi(S, 130 - 17), 0, ScaleToDpi(S, 13), std::max(1, ScaleToDpi(S, 23 - 6)));
  ShowClearButtonOnTop(S, false);
  PlaceAt(S.LookEdit, Ex + EditWidth + ScaleToDpi(S, 2), ScaleToDpi(S, 6), ScaleToDpi(S, 24), ScaleToDpi(S, 23));
  PlaceAt(S.LookUpDown, Ex + EditWidth + ScaleToDpi(S, 26), ScaleToDpi(S, 6), ScaleToDpi(S, 16), ScaleToDpi(S, 23));
  if (S.FilterEdit)
    SendMessageW(S.FilterEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, ScaleToDpi(S, 16)));
}

void ShowClearButtonOnTop(TSkerrinState& S, bool RepaintNow) {
  if (!S.ClearFilterButton) return;
  SetWindowPos(S.ClearFilterButton, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (RepaintNow) RedrawWindow(S.ClearFilterButton, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

int FormatBoxEntry(const TAppSettings& Settings) {
  if (Settings.AutoDetect) return 0;
  const int Ordinal = static_cast<int>(Settings.ForceFormat);
  return Ordinal >= -1 && Ordinal < LogFormatCount ? Ordinal + 1 : 0;
}

void ApplyFormatBoxEntry(TAppSettings& Settings, int Entry) {
  if (Entry == 0) {
    Settings.AutoDetect = true;
  } else if (Entry >= 1 && Entry <= LogFormatCount) {
    Settings.AutoDetect = false;
    Settings.ForceFormat = static_cast<TLogFormat>(Entry - 1);
  }
}

void FillFormatBox(TSkerrinState& S) {
  if (!S.FormatCombo) return;
  SendMessageW(S.FormatCombo, CB_RESETCONTENT, 0, 0);
  SendMessageW(S.FormatCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Auto"));
  for (int I = 0; I < LogFormatCount; ++I) {
    const std::string Name = FormatDisplayName(static_cast<TLogFormat>(I));
    const std::wstring Wide(Name.begin(), Name.end());  // the display names are ASCII
    SendMessageW(S.FormatCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide.c_str()));
  }
  int Entry = FormatBoxEntry(AppSettings);
  if (Entry > LogFormatCount) Entry = 0;
  SendMessageW(S.FormatCombo, CB_SETCURSEL, Entry, 0);
}

void ApplyToolbarFont(TSkerrinState& S) {
  if (S.OwnsUiFont && S.UiFont) DeleteObject(S.UiFont);
  S.UiFont = nullptr;
  S.OwnsUiFont = false;
  const auto Stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTW Description{};
  if (Stock && GetObjectW(Stock, sizeof(Description), &Description)) {
    Description.lfWeight = FW_NORMAL;
    S.UiFont = CreateFontIndirectW(&Description);
    S.OwnsUiFont = S.UiFont != nullptr;
  }
  if (!S.UiFont) S.UiFont = Stock;
  const HWND Controls[] = {S.PrevErrorButton, S.NextErrorButton, S.PrevWarnButton, S.NextWarnButton, S.PrevInfoButton,
                           S.NextInfoButton,  S.TailBox,         S.TailLabel,      S.FollowBox,      S.FollowLabel,
                           S.LineNumBox,      S.LineNumLabel,    S.SyncBox,        S.SyncLabel,      S.OptionsButton,
                           S.FormatCombo,     S.FilterLabel,     S.FilterEdit,     S.LookEdit,       S.LookUpDown,
                           S.ClearFilterButton};
  for (HWND Control : Controls)
    if (Control) SendMessageW(Control, WM_SETFONT, reinterpret_cast<WPARAM>(S.UiFont), TRUE);
}

void DrawToolbarButton(TSkerrinState& S, const DRAWITEMSTRUCT& Item) {
  const HDC DC = Item.hDC;
  const RECT R = Item.rcItem;
  const bool Selected = Item.itemState & ODS_SELECTED;
  const bool Focused = Item.itemState & ODS_FOCUS;
  const bool Disabled = Item.itemState & ODS_DISABLED;
  const bool Hot = Item.itemState & ODS_HOTLIGHT;
  const bool Dark = ViewerIsDark(S);
  COLORREF Fill, Text, Border = LightBorder;
  if (Dark) {
    Fill = Selected ? DarkPressedFill : DarkFill;
    Text = static_cast<COLORREF>(BarTextColor(S));
  } else if (Disabled) {
    Fill = Sys(COLOR_BTNFACE), Text = Sys(COLOR_GRAYTEXT), Border = DisabledBorder;
  } else if (Selected) {
    Fill = PressedBlueFill, Border = PressedBlueBorder, Text = Sys(COLOR_BTNTEXT);
  } else if (Hot || Focused) {
    Fill = HotFill, Border = AccentBlue, Text = Sys(COLOR_BTNTEXT);
  } else {
    Fill = Sys(COLOR_BTNFACE), Border = LightBorder, Text = Sys(COLOR_BTNTEXT);
  }
  FillRectColor(DC, R, Fill);
  if (!Dark) {
    FrameRectColor(DC, R, Border);
  } else if (Selected) {
    FrameRectColor(DC, R, Sys(COLOR_3DDKSHADOW));
    const RECT Inner{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
    FrameRectColor(DC, Inner, Sys(COLOR_BTNSHADOW));
  } else {
    Polyline3(DC, DarkLightEdge, {R.left, R.bottom - 1}, {R.left, R.top}, {R.right - 1, R.top});
    Polyline3(DC, DarkShadowEdge, {R.right - 1, R.top}, {R.right - 1, R.bottom - 1}, {R.left, R.bottom - 1});
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
    Fill = Selected && !Field ? DarkSelectedItem : DarkFill;
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
  FillRect(DC, &Client, S.BarBrush ? S.BarBrush.Get() : GetSysColorBrush(COLOR_BTNFACE));
  const int N = std::max(11, ScaleToDpi(S, 13));
  const int Left = Client.left + std::max(1, ScaleToDpi(S, 1));
  const int Top = (Client.top + Client.bottom) / 2 - N / 2;
  const RECT Square{Left, Top, Left + N, Top + N};
  const bool Disabled = !IsWindowEnabled(Box);
  const bool On = SendMessageW(Box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  COLORREF Border, Fill, Mark = RGB(255, 255, 255);
  if (Disabled) Border = DisabledBorder, Fill = Sys(COLOR_BTNFACE), Mark = Sys(COLOR_GRAYTEXT);
  else if (On) Border = AccentBlue, Fill = AccentBlue;
  else Border = UncheckedBoxBorder, Fill = Sys(COLOR_WINDOW);
  FillRectColor(DC, Square, Fill);
  FrameRectColor(DC, Square, Border);
  if (On) {
    TPenHolder Pen(CreatePen(PS_SOLID, std::max(1, ScaleToDpi(S, 2)), Mark));
    TSelectScope Select(DC, Pen.Get());
    POINT Points[3] = {{Square.left + ScaleToDpi(S, 3), Square.top + N / 2},
                       {Square.left + N / 2 - 1, Square.bottom - ScaleToDpi(S, 3)},
                       {Square.right - ScaleToDpi(S, 3), Square.top + ScaleToDpi(S, 3)}};
    Polyline(DC, Points, 3);
  }
}

void PaintUpDownDark(TSkerrinState& S, HWND UpDown) {
  TPaintScope Paint(UpDown);
  const HDC DC = Paint.Get();
  if (!DC) return;
  RECT R{};
  GetClientRect(UpDown, &R);
  FillRectColor(DC, R, DarkFill);
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
  if (WithDropButton) Active = Active || SendMessageW(Control, CB_GETDROPPEDSTATE, 0, 0) != 0 ||
                               (GetFocus() && GetParent(GetFocus()) == Control);
  const COLORREF Frame = Active ? AccentBlue : LightBorder;
  FrameRectColor(DC, R, Frame);
  const RECT Inner{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
  FrameRectColor(DC, Inner, Sys(COLOR_WINDOW));
  if (WithDropButton) {
    const int B = std::max(ScaleToDpi(S, 18), static_cast<int>(R.bottom) - 2);
    const RECT Button{std::max<LONG>(R.left + 2, R.right - B), R.top + 2, R.right - 2, R.bottom - 2};
    FillRectColor(DC, Button, Sys(COLOR_BTNFACE));
    const RECT Line{Button.left, Button.top, Button.left + 1, Button.bottom};
    FillRectColor(DC, Line, Frame);
    const int Cx = (Button.left + Button.right) / 2, Cy = (Button.top + Button.bottom) / 2;
    Triangle(DC, Sys(COLOR_BTNTEXT), {Cx - ScaleToDpi(S, 3), Cy - ScaleToDpi(S, 1)},
             {Cx + ScaleToDpi(S, 3), Cy - ScaleToDpi(S, 1)}, {Cx, Cy + ScaleToDpi(S, 3)});
  }
  ReleaseDC(Control, DC);
}

LRESULT CALLBACK ClearButtonProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  switch (Msg) {
    case WM_PAINT: {
      TPaintScope Paint(Window);
      if (!Paint.Get()) return 0;
      RECT R{};
      GetClientRect(Window, &R);
      FillRect(Paint.Get(), &R, GetSysColorBrush(COLOR_WINDOW));
      TSelectScope Select(Paint.Get(), S ? S->UiFont : nullptr);
      SetBkMode(Paint.Get(), TRANSPARENT);
      SetTextColor(Paint.Get(), S ? static_cast<COLORREF>(ListTextColor(*S)) : Sys(COLOR_WINDOWTEXT));
      DrawTextW(Paint.Get(), L"\u00D7", 1, &R, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
      return TRUE;
    case WM_LBUTTONUP:
      if (S && S->Window) SendMessageW(S->Window, WM_COMMAND, MAKEWPARAM(IdClearFilter, 0), reinterpret_cast<LPARAM>(Window));
      return 0;
    default:
      break;
  }
  if (S) return S->ClearFilterPrevProc.CallPrevious(Window, Msg, WParam, LParam);
  return DefWindowProcW(Window, Msg, WParam, LParam);
}
