#include "options/uOptionPages.h"

#include <commctrl.h>

#include <algorithm>
#include <set>
#include <string>

#include "options/uOptionColors.h"
#include "options/uOptionsTheme.h"
#include "platform/uPlatformWide.h"
#include "toolkit/uWindowClass.h"
#include "toolkit/uWindowText.h"

namespace {

constexpr wchar_t PreviewText[] = L"AaBbCcDdEe 1234 #@!  The quick brown fox";
const wchar_t* const TabNames[OptionPageCount] = {L"View", L"Colors", L"Color Rules", L"Format", L"Tail"};
enum { ViewPage, ColorsPage, ColorRulesPage, FormatPage, TailPage };
constexpr int FaceNameLength = 31;
// The number edits of the column positions, in the order of the settings' fields: a start and a
// length for each role, a row of the page for each.
constexpr int PositionEdits = 8;
constexpr int PositionRows = PositionEdits / 2;
const wchar_t* const PositionLabels[PositionRows] = {L"TS start/len:", L"LVL start/len:", L"SRC start/len:",
                                                     L"THR start/len:"};

// One control of a page as the tables give it, at 96 DPI.
struct TControlRow {
  TControlKind Kind;
  int Id;
  const wchar_t* Text;
  int X, Y, W, H;
  DWORD Extra = 0;
};

constexpr DWORD VScroll = WS_VSCROLL;
constexpr int NoId = -1;

const TControlRow ViewRows[] = {
    {TControlKind::Check, IdShowLineNumbers, L"Show line numbers", 10, 10, 220, 22},
    {TControlKind::Static, NoId, L"Minimum digits:", 240, 12, 88, 20},
    {TControlKind::NumberEdit, IdLineNumWidth, L"5", 332, 10, 44, 22},
    {TControlKind::Check, IdWordWrap, L"Word wrap", 10, 38, 220, 22},
    {TControlKind::Check, IdHorzScrollbar, L"Horizontal scrollbar", 10, 64, 220, 22},
    {TControlKind::Check, IdCloseOnEsc, L"ESC closes lister window", 10, 90, 220, 22},
    {TControlKind::Button, IdWindowBgButton, L"Window BG ", 10, 116, 160, 24},
    {TControlKind::Swatch, IdWindowBgSwatch, nullptr, 174, 118, 14, 20},
    {TControlKind::Button, IdBarDarkButton, L"Bar Darkmode ", 196, 116, 160, 24},
    {TControlKind::Swatch, IdBarDarkSwatch, nullptr, 360, 118, 14, 20},
    {TControlKind::Static, NoId, L"Font:", 10, 170, 80, 20},
    {TControlKind::ListCombo, IdFontCombo, nullptr, 128, 168, 210, 300, CBS_SORT | VScroll},
    {TControlKind::Button, IdFontDrop, L"v", 344, 167, 32, 24},
    {TControlKind::Static, NoId, L"Font size:", 10, 196, 80, 20},
    {TControlKind::NumberEdit, IdFontSize, L"9", 128, 194, 50, 22},
    {TControlKind::Static, NoId, L"Appearance:", 10, 222, 80, 20},
    {TControlKind::ListCombo, IdAppearance, nullptr, 128, 220, 210, 160, VScroll},
    {TControlKind::Static, IdFontPreview, PreviewText, 10, 248, 366, 60, SS_LEFTNOWORDWRAP | SS_SUNKEN},
};

const TControlRow FormatRows[] = {
    {TControlKind::Check, IdAutoDetect, L"Auto detect format", 10, 10, 220, 22},
    {TControlKind::Static, NoId, L"Force format:", 10, 38, 100, 20},
    {TControlKind::ListCombo, IdForceFormat, nullptr, 120, 36, 260, 260, VScroll},
    {TControlKind::Static, IdCustomModeLabel, L"Custom mode:", 10, 70, 100, 20},
    {TControlKind::ListCombo, IdCustomMode, nullptr, 120, 68, 130, 120},
    {TControlKind::Static, IdDelimiterLabel, L"Delimiter:", 260, 70, 60, 20},
    {TControlKind::Edit, IdDelimiter, L"|", 324, 68, 56, 22},
    {TControlKind::Static, IdFieldRolesLabel, L"Field roles:", 10, 98, 100, 20},
};

const TControlRow TailRows[] = {
    {TControlKind::Check, IdTailEnabled, L"Enable tail when opening file", 10, 12, 260, 22},
    {TControlKind::Static, NoId, L"Tail interval (ms):", 10, 42, 130, 20},
    {TControlKind::NumberEdit, IdTailInterval, L"1000", 146, 40, 90, 22},
};

template <size_t N>
void AddRows(TOptionsState& S, HWND Page, const TControlRow (&Rows)[N]) {
  for (const TControlRow& R : Rows) AddOptionControl(S, Page, R.Kind, R.Id, R.Text, R.X, R.Y, R.W, R.H, R.Extra);
}

HWND Control(const TOptionsState& S, int Id) { return OptionControl(S, Id); }

std::wstring Decimal(int32_t Value) { return std::to_wstring(Value); }

void CreateFontSizeUpDown(TOptionsState& S, HWND Page) {
  HWND UpDown = AddOptionControl(S, Page, TControlKind::UpDown, IdFontSizeUpDown, nullptr, 178, 194, 16, 22);
  if (!UpDown) return;
  SendMessageW(UpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Control(S, IdFontSize)), 0);
  SendMessageW(UpDown, UDM_SETRANGE32, FontSizeRange.Low, FontSizeRange.High);
}

void CreateFormatPage(TOptionsState& S, HWND Page) {
  AddRows(S, Page, FormatRows);
  for (int Row = 0; Row < PositionRows; ++Row) {
    const int Y = 140 + 28 * Row;
    AddOptionControl(S, Page, TControlKind::Static, IdPositionLabels + Row, PositionLabels[Row], 10, Y + 2, 100, 20);
    AddOptionControl(S, Page, TControlKind::NumberEdit, IdTSStart + 2 * Row, L"0", 120, Y, 50, 22);
    AddOptionControl(S, Page, TControlKind::NumberEdit, IdTSStart + 2 * Row + 1, L"0", 176, Y, 50, 22);
  }
  for (int I = 0; I < CustomFieldSlots; ++I) {
    const int X = 10 + 92 * (I % 4), Row = I / 4;
    const std::wstring Label = std::to_wstring(I + 1) + L":";
    AddOptionControl(S, Page, TControlKind::Static, IdFieldLabel + I, Label.c_str(), X, 126 + 30 * Row, 18, 18);
    AddOptionControl(S, Page, TControlKind::ListCombo, IdFieldRole + I, nullptr, X + 18, 122 + 30 * Row, 70, 120);
  }
}

BOOL CALLBACK GiveTabStop(HWND Window, LPARAM) {
  static const wchar_t* const Classes[] = {L"Button", L"Edit", L"ComboBox", L"ListBox"};
  wchar_t Class[32] = L"";
  GetClassNameW(Window, Class, 32);
  const LONG_PTR Style = GetWindowLongPtrW(Window, GWL_STYLE);
  for (const wchar_t* Name : Classes)
    if (lstrcmpiW(Class, Name) == 0 && !(Style & WS_TABSTOP)) SetWindowLongPtrW(Window, GWL_STYLE, Style | WS_TABSTOP);
  return TRUE;
}

int CALLBACK AddFontFamily(const LOGFONTW* Font, const TEXTMETRICW*, DWORD, LPARAM Param) {
  auto& Names = *reinterpret_cast<std::set<std::wstring>*>(Param);
  Names.insert(std::wstring(Font->lfFaceName).substr(0, FaceNameLength));
  return 1;
}

// The text of a combo box's entry; empty for no entry.
std::wstring ComboEntry(HWND Combo, int Index) {
  const LRESULT Length = SendMessageW(Combo, CB_GETLBTEXTLEN, Index, 0);
  if (Length < 0) return {};
  std::wstring Entry(static_cast<size_t>(Length) + 1, L'\0');
  SendMessageW(Combo, CB_GETLBTEXT, Index, reinterpret_cast<LPARAM>(Entry.data()));
  Entry.resize(static_cast<size_t>(Length));
  return Entry;
}

int ComboIndexOf(HWND Combo, const std::wstring& Text) {
  const int Count = static_cast<int>(SendMessageW(Combo, CB_GETCOUNT, 0, 0));
  for (int I = 0; I < Count; ++I)
    if (ComboEntry(Combo, I) == Text) return I;
  return -1;
}

// The font combo's text: its selected entry, or what it shows when nothing is selected.
std::string FontComboText(const TOptionsState& S) {
  HWND Combo = Control(S, IdFontCombo);
  const int Selected = ComboSelection(Combo);
  return Selected < 0 ? ControlTextUtf8(Combo) : Utf8FromWide(ComboEntry(Combo, Selected));
}

// The delimiter is a byte of the log's text, which an 8-bit log holds in the system's code page:
// the box shows it as that code page's character, and reads characters back the same way.
std::wstring DelimiterText(char Delimiter) {
  wchar_t Shown[2] = {};
  const int Length = MultiByteToWideChar(CP_ACP, 0, &Delimiter, 1, Shown, 2);
  return std::wstring(Shown, Length > 0 ? Length : 0);
}

// The box's text in the code page; nothing when a character has no byte there, which leaves the
// delimiter as it was. A box that still shows what it was filled with keeps its byte, even one
// that the code page has no character for.
std::string DelimiterBytes(const TOptionsState& S) {
  const char Current = S.Settings.CustomFormat.Delimiter;
  const std::u16string Typed = WindowTextU16(Control(S, IdDelimiter));
  const std::wstring Text(Typed.begin(), Typed.end());
  if (Text == DelimiterText(Current)) return std::string(1, Current);
  if (Text.empty()) return {};
  // Two bytes a character at most, in the double-byte code pages.
  std::string Bytes(Text.size() * 2, '\0');
  BOOL Unmapped = FALSE;
  const int Length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Text.data(), static_cast<int>(Text.size()),
                                         Bytes.data(), static_cast<int>(Bytes.size()), nullptr, &Unmapped);
  if (Length <= 0 || Unmapped) return {};
  Bytes.resize(static_cast<size_t>(Length));
  return Bytes;
}

// Shows or hides a control of the Format page; a hidden control is disabled too, so that the
// keyboard cannot reach it, and its place is repainted at once.
void SetFormatControlVisible(HWND Control, bool Show) {
  if (!Control) return;
  // The style, not IsWindowVisible: the page itself may be hidden.
  const bool Shown = (GetWindowLongPtrW(Control, GWL_STYLE) & WS_VISIBLE) != 0;
  if (Shown == Show) {
    SetControlEnabled(Control, Show);
    return;
  }
  if (Show) {
    SetControlEnabled(Control, true);
    ShowWindow(Control, SW_SHOW);
    InvalidateRect(Control, nullptr, TRUE);
    UpdateWindow(Control);
    return;
  }
  SetControlEnabled(Control, false);
  RECT Area{};
  GetWindowRect(Control, &Area);
  ShowWindow(Control, SW_HIDE);
  HWND Parent = GetParent(Control);
  MapWindowPoints(nullptr, Parent, reinterpret_cast<POINT*>(&Area), 2);
  RedrawWindow(Parent, &Area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void FillFormatControls(TOptionsState& S) {
  const TAppSettings& Settings = S.Settings;
  SetOptionChecked(S, IdAutoDetect, Settings.AutoDetect);
  HWND Force = Control(S, IdForceFormat);
  SendMessageW(Force, CB_RESETCONTENT, 0, 0);
  for (int I = 0; I < LogFormatCount; ++I) {
    const std::wstring Name = WideFromUtf8(FormatDisplayName(static_cast<TLogFormat>(I)));
    SendMessageW(Force, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Name.c_str()));
  }
  SendMessageW(Force, CB_SETCURSEL, Settings.ForceFormat, 0);
  SetControlEnabled(Force, !Settings.AutoDetect);
  const TCustomFormatConfig& C = Settings.CustomFormat;
  HWND Mode = Control(S, IdCustomMode);
  AddComboEntries(Mode, {L"Delimiter", L"Position"});
  SendMessageW(Mode, CB_SETCURSEL, C.Mode, 0);
  SetWindowTextW(Control(S, IdDelimiter), DelimiterText(C.Delimiter).c_str());
  for (int I = 0; I < CustomFieldSlots; ++I) {
    HWND Role = Control(S, IdFieldRole + I);
    AddComboEntries(Role, {L"--", L"TS", L"Lvl", L"Src", L"Thr"});
    const int Value = C.Fields[I];
    SendMessageW(Role, CB_SETCURSEL, Value >= 0 && Value < CustomFieldRoleCount ? Value : 0, 0);
  }
  const int32_t Positions[PositionEdits] = {C.TSStart,  C.TSLen,  C.LvlStart, C.LvlLen,
                                            C.SrcStart, C.SrcLen, C.ThrStart, C.ThrLen};
  for (int I = 0; I < PositionEdits; ++I) SetWindowTextW(Control(S, IdTSStart + I), Decimal(Positions[I]).c_str());
  UpdateFormatPage(S);
}

}  // namespace

void CreateOptionPages(TOptionsState& S) {
  S.TabCtrl = AddOptionControl(S, S.Wnd, TControlKind::Tabs, IdOptTabs, nullptr, 10, 10, 408, 358);
  InstallTabSubclass(S);
  for (int I = 0; I < OptionPageCount; ++I) {
    TCITEMW Item{};
    Item.mask = TCIF_TEXT;
    Item.pszText = const_cast<wchar_t*>(TabNames[I]);
    SendMessageW(S.TabCtrl, TCM_INSERTITEMW, I, reinterpret_cast<LPARAM>(&Item));
  }
  for (HWND& Page : S.Pages) {
    Page = CreateWindowExW(WS_EX_CONTROLPARENT, OptionsPageClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, 0, 0, S.Wnd,
                           nullptr, PluginInstance(), nullptr);
    // Above the tab control, which clips itself against them.
    if (Page) SetWindowPos(Page, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  AddRows(S, S.Pages[ViewPage], ViewRows);
  CreateFontSizeUpDown(S, S.Pages[ViewPage]);
  CreateColorsPage(S, S.Pages[ColorsPage]);
  CreateColorRulesPage(S, S.Pages[ColorRulesPage]);
  CreateFormatPage(S, S.Pages[FormatPage]);
  AddRows(S, S.Pages[TailPage], TailRows);
  EnumChildWindows(S.Wnd, GiveTabStop, 0);
  LayoutOptionPages(S);
  ShowOptionsPage(S, 0);
}

void CreateDialogButtons(TOptionsState& S) {
  S.StatusLabel = AddOptionControl(S, S.Wnd, TControlKind::Static, IdOptStatus, L"", 12, 374, 300, 20);
  AddOptionControl(S, S.Wnd, TControlKind::Button, IdOptOk, L"OK", 258, 372, 75, 26);
  AddOptionControl(S, S.Wnd, TControlKind::Button, IdOptCancel, L"Cancel", 342, 372, 75, 26);
}

void PlaceOptionControls(TOptionsState& S) {
  for (const TOptionControl& C : S.Controls) {
    if (!IsWindow(C.Window)) continue;
    const RECT& R = C.At96;
    MoveWindow(C.Window, Scaled(S, R.left), Scaled(S, R.top), Scaled(S, R.right - R.left), Scaled(S, R.bottom - R.top),
               FALSE);
  }
  LayoutOptionPages(S);
}

void LayoutOptionPages(TOptionsState& S) {
  if (!S.TabCtrl) return;
  RECT Area{};
  GetClientRect(S.TabCtrl, &Area);
  SendMessageW(S.TabCtrl, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Area));
  MapWindowPoints(S.TabCtrl, S.Wnd, reinterpret_cast<POINT*>(&Area), 2);
  for (HWND Page : S.Pages)
    if (Page) MoveWindow(Page, Area.left, Area.top, Area.right - Area.left, Area.bottom - Area.top, TRUE);
}

void ShowOptionsPage(TOptionsState& S, int Index) {
  if (Index < 0 || Index >= OptionPageCount) Index = 0;
  if (Index == FormatPage) UpdateFormatPage(S);
  for (int I = 0; I < OptionPageCount; ++I)
    if (S.Pages[I] && I != Index) ShowWindow(S.Pages[I], SW_HIDE);
  if (S.Pages[Index]) ShowWindow(S.Pages[Index], SW_SHOW);
}

void LoadOptionControls(TOptionsState& S) {
  const TAppSettings& Settings = S.Settings;
  SetOptionChecked(S, IdShowLineNumbers, Settings.ShowLineNumbers);
  SetWindowTextW(Control(S, IdLineNumWidth), Decimal(Settings.LineNumWidth).c_str());
  SetOptionChecked(S, IdWordWrap, Settings.WordWrap);
  SetOptionChecked(S, IdHorzScrollbar, Settings.HorzScrollbar);
  SetOptionChecked(S, IdCloseOnEsc, Settings.CloseOnEscInLister);
  RefreshViewColors(S);
  FillFontList(S);
  HWND Fonts = Control(S, IdFontCombo);
  const int FontEntry = ComboIndexOf(Fonts, WideFromUtf8(Settings.FontName));
  if (FontEntry >= 0) SendMessageW(Fonts, CB_SETCURSEL, FontEntry, 0);
  SetWindowTextW(Control(S, IdFontSize), Decimal(Settings.FontSize).c_str());
  HWND Appearance = Control(S, IdAppearance);
  AddComboEntries(Appearance, {L"Auto (System)", L"Always light", L"Always dark"});
  SendMessageW(Appearance, CB_SETCURSEL, Settings.ThemeMode, 0);
  UpdateFontPreview(S);
  LoadColorControls(S);
  FillFormatControls(S);
  SetOptionChecked(S, IdTailEnabled, Settings.TailEnabled);
  SetWindowTextW(Control(S, IdTailInterval), Decimal(Settings.TailIntervalMs).c_str());
  const std::wstring Status = L"Detected format: " + WideFromUtf8(FormatDisplayName(S.DetectedFormat));
  SetWindowTextW(S.StatusLabel, Status.c_str());
}

TOptionControlValues ReadOptionControls(const TOptionsState& S) {
  TOptionControlValues V;
  V.DisableDefaultLevels = IsOptionChecked(S, IdUserRulesOnly);
  V.ShowLineNumbers = IsOptionChecked(S, IdShowLineNumbers);
  V.LineNumWidth = ControlTextUtf8(Control(S, IdLineNumWidth));
  V.WordWrap = IsOptionChecked(S, IdWordWrap);
  V.HorzScrollbar = IsOptionChecked(S, IdHorzScrollbar);
  V.CloseOnEscInLister = IsOptionChecked(S, IdCloseOnEsc);
  V.FontName = FontComboText(S);
  V.FontSize = ControlTextUtf8(Control(S, IdFontSize));
  V.ThemeSelection = ComboSelection(Control(S, IdAppearance));
  V.AutoDetect = IsOptionChecked(S, IdAutoDetect);
  V.ForceFormatSelection = ComboSelection(Control(S, IdForceFormat));
  V.ModeSelection = ComboSelection(Control(S, IdCustomMode));
  V.Delimiter = DelimiterBytes(S);
  for (int I = 0; I < CustomFieldSlots; ++I) V.FieldSelections[I] = ComboSelection(Control(S, IdFieldRole + I));
  for (int I = 0; I < PositionEdits; ++I) V.Positions[I] = ControlTextUtf8(Control(S, IdTSStart + I));
  V.TailEnabled = IsOptionChecked(S, IdTailEnabled);
  V.TailInterval = ControlTextUtf8(Control(S, IdTailInterval));
  return V;
}

void UpdateFormatPage(TOptionsState& S) {
  const bool Auto = IsOptionChecked(S, IdAutoDetect);
  const TFormatPageView View =
      FormatPageView(Auto, ComboSelection(Control(S, IdForceFormat)), ComboSelection(Control(S, IdCustomMode)));
  SetControlEnabled(Control(S, IdForceFormat), View.ForceEnabled);
  for (int Id : {IdCustomModeLabel, IdCustomMode}) SetFormatControlVisible(Control(S, Id), View.CustomMode);
  for (int Id : {IdDelimiterLabel, IdDelimiter, IdFieldRolesLabel})
    SetFormatControlVisible(Control(S, Id), View.Delimited);
  for (int I = 0; I < CustomFieldSlots; ++I) {
    SetFormatControlVisible(Control(S, IdFieldLabel + I), View.Delimited);
    SetFormatControlVisible(Control(S, IdFieldRole + I), View.Delimited);
  }
  for (int I = 0; I < PositionRows; ++I) SetFormatControlVisible(Control(S, IdPositionLabels + I), View.Positional);
  for (int I = 0; I < PositionEdits; ++I) SetFormatControlVisible(Control(S, IdTSStart + I), View.Positional);
}

void FillFontList(TOptionsState& S) {
  HWND Combo = Control(S, IdFontCombo);
  if (!Combo) return;
  SendMessageW(Combo, CB_RESETCONTENT, 0, 0);
  std::set<std::wstring> Names;
  if (HDC Screen = GetDC(nullptr)) {
    LOGFONTW Wanted{};
    Wanted.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(Screen, &Wanted, AddFontFamily, reinterpret_cast<LPARAM>(&Names), 0);
    ReleaseDC(nullptr, Screen);
  }
  if (Names.empty()) Names = {L"Courier New", L"Consolas", L"Lucida Console", L"Segoe UI"};
  for (const std::wstring& Name : Names) SendMessageW(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Name.c_str()));
  const std::wstring Current = WideFromUtf8(S.Settings.FontName);
  if (!Current.empty() && ComboIndexOf(Combo, Current) < 0)
    SendMessageW(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Current.c_str()));
}

void UpdateFontPreview(TOptionsState& S) {
  HWND Preview = Control(S, IdFontPreview);
  if (!Preview) return;
  const std::wstring Face = WideFromUtf8(FontNameOrDefault(FontComboText(S)));
  const int Size =
      FontSizeRange.Clamped(OptionNumber(ControlTextUtf8(Control(S, IdFontSize))).value_or(TAppSettings{}.FontSize));
  LOGFONTW Font{};
  Font.lfHeight = -MulDiv(Size, S.Dpi, 72);
  Font.lfWeight = FW_NORMAL;
  Font.lfCharSet = DEFAULT_CHARSET;
  Font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynW(Font.lfFaceName, Face.c_str(), LF_FACESIZE);
  TFontHolder Created(CreateFontIndirectW(&Font));
  SendMessageW(Preview, WM_SETFONT, reinterpret_cast<WPARAM>(Created.Get()), TRUE);
  // The old font goes only once the control no longer uses it.
  S.PreviewFont = std::move(Created);
  SetWindowTextW(Preview, PreviewText);
}

bool HandlePageCommand(TOptionsState& S, int Id, int Notification, HWND) {
  const bool Click = Notification == BN_CLICKED;
  const bool Chosen = Notification == CBN_SELCHANGE || Notification == CBN_SELENDOK;
  switch (Id) {
    case IdShowLineNumbers:
    case IdWordWrap:
    case IdHorzScrollbar:
    case IdCloseOnEsc:
    case IdTailEnabled:
      if (Click) SetOptionChecked(S, Id, !IsOptionChecked(S, Id));
      return true;
    case IdAutoDetect:
      if (!Click) return true;
      SetOptionChecked(S, Id, !IsOptionChecked(S, Id));
      UpdateFormatPage(S);
      return true;
    case IdForceFormat:
    case IdCustomMode:
      if (Chosen) UpdateFormatPage(S);
      return true;
    case IdFontCombo:
      if (Notification == CBN_SELCHANGE || Notification == CBN_EDITCHANGE) UpdateFontPreview(S);
      return true;
    case IdFontSize:
      if (Notification == EN_CHANGE) UpdateFontPreview(S);
      return true;
    case IdFontDrop:
      if (Click) SendMessageW(Control(S, IdFontCombo), CB_SHOWDROPDOWN, TRUE, 0);
      return true;
    case IdAppearance: {
      const int Selected = ComboSelection(Control(S, IdAppearance));
      if (Notification == CBN_SELCHANGE && Selected >= 0 && Selected <= 2) {
        // A preview: the working copy changes, the stored mode only on OK.
        S.Settings.ThemeMode = Selected;
        ApplyDialogTheme(S);
      }
      return true;
    }
    default:
      return false;
  }
}
