#include "viewer/uToolbar.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "model/uLogTypes.h"
#include "viewer/uListRows.h"
#include "viewer/uToolbarPaint.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"
#include "toolkit/uPopupMenu.h"
#include "toolkit/uWindowClass.h"

namespace {

// The toolbar's geometry at 96 DPI.
constexpr int ControlTop = 6;  // buttons, the format box and the edit boxes
constexpr int ControlHeight = 23;
constexpr int NavigationButtonWidth = 34;
constexpr int CheckBoxTop = 8, CheckBoxWidth = 16, CheckBoxHeight = 20;
constexpr int LabelTop = 10, LabelHeight = 16;
constexpr int OptionsLeft = 500, OptionsWidth = 72;
constexpr int FormatLeft = 578, FormatWidth = 120;
constexpr int FormatDropHeight = 240;  // unscaled: the list the format box drops
// The filter group follows the right edge; from FilterMinLeft on the left it has room for every
// other group, and a narrower window gives groups up into the "more" menu (the button sits
// MoreGap after the last group shown) rather than cut the filter group.
constexpr int FilterMinLeft = 704, FilterFromRight = 220, FilterLabelWidth = 35;
constexpr int MoreLeft = 6, MoreWidth = 24, MoreGap = 4;
constexpr int FilterEditOffset = 36, FilterEditWidth = 130;
constexpr int ClearButtonWidth = 13, ClearButtonFromRight = 17;
constexpr int ClearButtonHeight = ControlHeight - 6;  // inside the filter box's sunken frame
constexpr int FilterTextRightMargin = 16;             // keeps the text clear of the clear button
constexpr int LookGap = 2, LookWidth = 24, UpDownOffset = 26, UpDownWidth = 16;
// Unscaled, before the first layout.
constexpr int InitialFilterTextRightMargin = 20;
constexpr int ContextLimit = 9999;

struct TButtonSpec {
  HWND TToolbarControls::*Field;
  int Id;
  const wchar_t* Text;
  const wchar_t* Tip;
  int X;
};

const TButtonSpec NavigationButtons[] = {
    {&TToolbarControls::PrevErrorButton, IdPrevError, L"<E", L"Previous error", 6},
    {&TToolbarControls::NextErrorButton, IdNextError, L"E>", L"Next error", 42},
    {&TToolbarControls::PrevWarnButton, IdPrevWarn, L"<W", L"Previous warning", 82},
    {&TToolbarControls::NextWarnButton, IdNextWarn, L"W>", L"Next warning", 118},
    {&TToolbarControls::PrevInfoButton, IdPrevInfo, L"<I", L"Previous info", 158},
    {&TToolbarControls::NextInfoButton, IdNextInfo, L"I>", L"Next info", 194},
};

struct TCheckSpec {
  HWND TToolbarControls::*Box;
  HWND TToolbarControls::*Label;
  int Id;
  const wchar_t* Text;
  const wchar_t* Tip;
  const wchar_t* LabelTip;  // null: the label has no tooltip
  int BoxX, LabelX, LabelWidth;
};

const TCheckSpec CheckBoxes[] = {
    {&TToolbarControls::TailBox, &TToolbarControls::TailLabel, IdTailBox, L"Tail", L"Enable tail", L"Enable tail", 236,
     252, 40},
    {&TToolbarControls::FollowBox, &TToolbarControls::FollowLabel, IdFollowBox, L"Follow", L"Follow end of file",
     L"Follow end of file", 300, 316, 52},
    {&TToolbarControls::LineNumBox, &TToolbarControls::LineNumLabel, IdLineNumBox, L"Line#", L"Show line numbers",
     nullptr, 375, 391, 44},
    {&TToolbarControls::SyncBox, &TToolbarControls::SyncLabel, IdSyncBox, L"Sync", L"Synchronize by timestamp",
     L"Synchronize by timestamp", 438, 454, 38},
};

// The left and right edges of a group at 96 DPI.
struct TGroupSpan {
  int Left, Right;
};
TGroupSpan GroupSpan(int32_t Group) {
  if (Group <= tgInfoButtons) {
    const size_t Pair = 2 * static_cast<size_t>(Group);
    return {NavigationButtons[Pair].X, NavigationButtons[Pair + 1].X + NavigationButtonWidth};
  }
  if (Group <= tgSync) {
    const TCheckSpec& C = CheckBoxes[Group - tgTail];
    return {C.BoxX, C.LabelX + C.LabelWidth};
  }
  if (Group == tgOptions) return {OptionsLeft, OptionsLeft + OptionsWidth};
  return {FormatLeft, FormatLeft + FormatWidth};
}

// The controls of a group (one or two).
std::pair<HWND, HWND> GroupControls(const TToolbarControls& Bar, int32_t Group) {
  if (Group <= tgInfoButtons) {
    const size_t Pair = 2 * static_cast<size_t>(Group);
    return {Bar.*NavigationButtons[Pair].Field, Bar.*NavigationButtons[Pair + 1].Field};
  }
  if (Group <= tgSync) {
    const TCheckSpec& C = CheckBoxes[Group - tgTail];
    return {Bar.*C.Box, Bar.*C.Label};
  }
  return {Group == tgOptions ? Bar.OptionsButton : Bar.FormatCombo, nullptr};
}

// By the control's own style: before the viewer is shown no child counts as visible.
void ShowOrHide(HWND Control, bool Shown) {
  if (!Control) return;
  const bool Visible = (GetWindowLongPtrW(Control, GWL_STYLE) & WS_VISIBLE) != 0;
  if (Visible != Shown) ShowWindow(Control, Shown ? SW_SHOWNA : SW_HIDE);
}

HWND MakeControl(TSkerrinState& S, DWORD ExStyle, const wchar_t* Class, const wchar_t* Text, DWORD Style, int Id,
                 HWND Parent = nullptr, int Height = ControlHeight) {
  return CreateWindowExW(ExStyle, Class, Text, WS_CHILD | WS_VISIBLE | Style, 0, 0, 10, Height,
                         Parent ? Parent : S.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)),
                         PluginInstance(), nullptr);
}

void AddTool(TSkerrinState& S, HWND Control, const wchar_t* Tip) {
  if (!S.Bar.ToolTip || !Control || !Tip) return;
  TOOLINFOW Info{};
  Info.cbSize = sizeof(Info);
  Info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  Info.hwnd = S.Window;
  Info.uId = reinterpret_cast<UINT_PTR>(Control);
  Info.lpszText = const_cast<wchar_t*>(Tip);
  SendMessageW(S.Bar.ToolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&Info));
}

void Place(const TSkerrinState& S, HWND Control, int X, int Y, int Width, int Height) {
  if (!Control) return;
  SetWindowPos(Control, nullptr, ScaleToDpi(S, X), ScaleToDpi(S, Y), ScaleToDpi(S, Width), ScaleToDpi(S, Height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

TControlRect NavigationButtonRect(const TSkerrinState& S, int Index) {
  return {ScaleToDpi(S, NavigationButtons[Index].X), ScaleToDpi(S, ControlTop), ScaleToDpi(S, NavigationButtonWidth),
          ScaleToDpi(S, ControlHeight)};
}

TToolbarFit FitToolbar(const TSkerrinState& S, int ClientWidth) {
  const int FromRight = ClientWidth - ScaleToDpi(S, FilterFromRight);
  if (FromRight >= ScaleToDpi(S, FilterMinLeft)) return {ToolbarGroupCount, FromRight, {}};
  const int Gap = ScaleToDpi(S, MoreGap), Width = ScaleToDpi(S, MoreWidth);
  // Below the width the "more" button alone needs, the filter group stops and the edge cuts it.
  const int FilterLeft = std::max(FromRight, ScaleToDpi(S, MoreLeft) + Width + Gap);
  int32_t Shown = ToolbarGroupCount;
  while (Shown > 0 && ScaleToDpi(S, GroupSpan(Shown - 1).Right) + Gap + Width + Gap > FilterLeft) --Shown;
  const int MoreX = Shown > 0 ? ScaleToDpi(S, GroupSpan(Shown - 1).Right) + Gap : ScaleToDpi(S, MoreLeft);
  return {Shown, FilterLeft, {MoreX, ScaleToDpi(S, ControlTop), Width, ScaleToDpi(S, ControlHeight)}};
}

TControlRect FilterLabelRect(const TSkerrinState& S, int ClientWidth) {
  return {FitToolbar(S, ClientWidth).FilterLeft, ScaleToDpi(S, LabelTop), ScaleToDpi(S, FilterLabelWidth),
          ScaleToDpi(S, LabelHeight)};
}

void CreateToolbar(TSkerrinState& S) {
  UpdateDpiMetrics(S);
  INITCOMMONCONTROLSEX Init{sizeof(Init), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&Init);

  TToolbarControls& Bar = S.Bar;
  for (const TButtonSpec& B : NavigationButtons)
    Bar.*B.Field = MakeControl(S, 0, L"BUTTON", B.Text, BS_OWNERDRAW | WS_TABSTOP, B.Id);
  for (const TCheckSpec& C : CheckBoxes) {
    Bar.*C.Box = MakeControl(S, 0, L"BUTTON", L"", BS_AUTOCHECKBOX | WS_TABSTOP, C.Id);
    Bar.*C.Label = MakeControl(S, 0, L"STATIC", C.Text, 0, 0);
  }
  Bar.OptionsButton = MakeControl(S, 0, L"BUTTON", L"Options", BS_OWNERDRAW | WS_TABSTOP, IdOptions);
  Bar.FormatCombo = MakeControl(S, 0, L"COMBOBOX", L"",
                                CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                                IdFormatCombo, nullptr, FormatDropHeight);
  Bar.MoreButton = MakeControl(S, 0, L"BUTTON", L"\u00BB", BS_OWNERDRAW | WS_TABSTOP, IdMoreButton);
  if (Bar.MoreButton) ShowWindow(Bar.MoreButton, SW_HIDE);
  Bar.FilterLabel = MakeControl(S, 0, L"STATIC", L"Filter:", 0, 0);
  Bar.FilterEdit = MakeControl(S, WS_EX_CLIENTEDGE, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, IdFilterEdit);
  if (Bar.FilterEdit)
    Bar.ClearFilterButton =
        MakeControl(S, 0, L"STATIC", L"", SS_NOTIFY, IdClearFilter, Bar.FilterEdit, ClearButtonWidth);
  Bar.LookEdit = MakeControl(S, WS_EX_CLIENTEDGE, L"EDIT", L"0", ES_AUTOHSCROLL | WS_TABSTOP, IdLookEdit);
  Bar.LookUpDown = MakeControl(S, 0, UPDOWN_CLASSW, L"",
                               UDS_ARROWKEYS | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_HOTTRACK, IdLookUpDown);

  if (Bar.FilterEdit)
    SendMessageW(Bar.FilterEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELPARAM(0, InitialFilterTextRightMargin));
  if (Bar.ClearFilterButton) ShowWindow(Bar.ClearFilterButton, SW_SHOWNOACTIVATE);
  if (Bar.LookUpDown) {
    SendMessageW(Bar.LookUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(Bar.LookEdit), 0);
    SendMessageW(Bar.LookUpDown, UDM_SETRANGE32, static_cast<WPARAM>(-ContextLimit), ContextLimit);
    SendMessageW(Bar.LookUpDown, UDM_SETPOS32, 0, 0);
  }

  Bar.ToolTip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, S.Window, nullptr, PluginInstance(), nullptr);
  if (Bar.ToolTip) {
    SetWindowPos(Bar.ToolTip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (const TButtonSpec& B : NavigationButtons) AddTool(S, Bar.*B.Field, B.Tip);
    for (const TCheckSpec& C : CheckBoxes) {
      AddTool(S, Bar.*C.Box, C.Tip);
      AddTool(S, Bar.*C.Label, C.LabelTip);
    }
    AddTool(S, Bar.OptionsButton, L"Options");
    AddTool(S, Bar.FormatCombo, L"Force log format");
    AddTool(S, Bar.MoreButton, L"More");
    AddTool(S, Bar.FilterEdit, L"Filter text");
    AddTool(S, Bar.ClearFilterButton, L"Clear filter");
    AddTool(S, Bar.LookEdit, L"Look before/after");
    AddTool(S, Bar.LookUpDown, L"Look before/after");
  }
  // After the tooltips, which subclass their tools too: the subclasses come off in the reverse
  // order, each while it is its window's procedure, so no one is cut out of a chain.
  for (const auto& [Box, Procedure] : {std::pair<HWND, WNDPROC>{Bar.FilterEdit, FilterEditProc},
                                       std::pair<HWND, WNDPROC>{Bar.ClearFilterButton, ClearButtonProc}}) {
    if (!Box) continue;
    SetWindowLongPtrW(Box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
    S.Subclasses.Install(Box, Procedure, TCallPath::Unicode);
  }
  S.StatusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_TOOLTIPS, 0, 0, 0, 0, S.Window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdStatusBar)), PluginInstance(), nullptr);
}

void LayoutToolbar(TSkerrinState& S, int W) {
  TToolbarControls& Bar = S.Bar;
  for (const TButtonSpec& B : NavigationButtons)
    Place(S, Bar.*B.Field, B.X, ControlTop, NavigationButtonWidth, ControlHeight);
  for (const TCheckSpec& C : CheckBoxes) {
    Place(S, Bar.*C.Box, C.BoxX, CheckBoxTop, CheckBoxWidth, CheckBoxHeight);
    Place(S, Bar.*C.Label, C.LabelX, LabelTop, C.LabelWidth, LabelHeight);
  }
  // The format box takes the height its font gives it; it and Options are centred on the strip.
  int ComboHeight = ScaleToDpi(S, ControlHeight);
  if (Bar.FormatCombo) {
    Place(S, Bar.FormatCombo, FormatLeft, ControlTop, FormatWidth, ControlHeight);
    RECT R{};
    if (GetWindowRect(Bar.FormatCombo, &R)) ComboHeight = R.bottom - R.top;
    ComboHeight = std::max(1, ComboHeight);
  }
  const int Top = std::max(0, (S.Metrics.ToolbarHeight - ComboHeight) / 2);
  auto PlaceAt = [&](HWND Control, int X, int Y, int Width, int Height) {
    if (Control) SetWindowPos(Control, nullptr, X, Y, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  PlaceAt(Bar.FormatCombo, ScaleToDpi(S, FormatLeft), Top, ScaleToDpi(S, FormatWidth), ScaleToDpi(S, ControlHeight));
  PlaceAt(Bar.OptionsButton, ScaleToDpi(S, OptionsLeft), Top, ScaleToDpi(S, OptionsWidth), ComboHeight);

  const TToolbarFit Fit = FitToolbar(S, W);
  for (int32_t Group = 0; Group < ToolbarGroupCount; ++Group) {
    const auto [First, Second] = GroupControls(Bar, Group);
    ShowOrHide(First, Group < Fit.GroupsShown);
    ShowOrHide(Second, Group < Fit.GroupsShown);
  }
  Bar.GroupsShown = Fit.GroupsShown;
  if (Fit.More.Width > 0) PlaceAt(Bar.MoreButton, Fit.More.X, Fit.More.Y, Fit.More.Width, Fit.More.Height);
  ShowOrHide(Bar.MoreButton, Fit.More.Width > 0);

  const TControlRect Label = FilterLabelRect(S, W);
  const int EditLeft = Label.X + ScaleToDpi(S, FilterEditOffset);
  const int EditWidth = ScaleToDpi(S, FilterEditWidth);
  const int Y = ScaleToDpi(S, ControlTop), Height = ScaleToDpi(S, ControlHeight);
  PlaceAt(Bar.FilterLabel, Label.X, Label.Y, Label.Width, Label.Height);
  PlaceAt(Bar.FilterEdit, EditLeft, Y, EditWidth, Height);
  // The clear button is a child of the filter box, at its right end.
  PlaceAt(Bar.ClearFilterButton, ScaleToDpi(S, FilterEditWidth - ClearButtonFromRight), 0,
          ScaleToDpi(S, ClearButtonWidth), std::max(1, ScaleToDpi(S, ClearButtonHeight)));
  ShowClearButtonOnTop(S, false);
  PlaceAt(Bar.LookEdit, EditLeft + EditWidth + ScaleToDpi(S, LookGap), Y, ScaleToDpi(S, LookWidth), Height);
  PlaceAt(Bar.LookUpDown, EditLeft + EditWidth + ScaleToDpi(S, UpDownOffset), Y, ScaleToDpi(S, UpDownWidth), Height);
  if (Bar.FilterEdit)
    SendMessageW(Bar.FilterEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELPARAM(0, ScaleToDpi(S, FilterTextRightMargin)));
}

void ShowClearButtonOnTop(TSkerrinState& S, bool RepaintNow) {
  const HWND Button = S.Bar.ClearFilterButton;
  if (!Button) return;
  SetWindowPos(Button, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (RepaintNow) RedrawWindow(Button, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
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
  const HWND Box = S.Bar.FormatCombo;
  if (!Box) return;
  SendMessageW(Box, CB_RESETCONTENT, 0, 0);
  SendMessageW(Box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Auto"));
  for (int I = 0; I < LogFormatCount; ++I) {
    const std::string Name = FormatDisplayName(static_cast<TLogFormat>(I));
    const std::wstring Wide(Name.begin(), Name.end());  // the display names are ASCII
    SendMessageW(Box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide.c_str()));
  }
  int Entry = FormatBoxEntry(S.Settings);
  if (Entry > LogFormatCount) Entry = 0;
  SendMessageW(Box, CB_SETCURSEL, Entry, 0);
}

void ApplyToolbarFont(TSkerrinState& S) {
  TUiFont Font = TUiFont::NormalGuiFont();
  const TToolbarControls& B = S.Bar;
  const HWND Controls[] = {B.PrevErrorButton, B.NextErrorButton,  B.PrevWarnButton, B.NextWarnButton, B.PrevInfoButton,
                           B.NextInfoButton,  B.TailBox,          B.TailLabel,      B.FollowBox,      B.FollowLabel,
                           B.LineNumBox,      B.LineNumLabel,     B.SyncBox,        B.SyncLabel,      B.OptionsButton,
                           B.FormatCombo,     B.MoreButton,       B.FilterLabel,    B.FilterEdit,     B.LookEdit,
                           B.LookUpDown,      B.ClearFilterButton};
  for (HWND Control : Controls)
    if (Control) SendMessageW(Control, WM_SETFONT, reinterpret_cast<WPARAM>(Font.Get()), TRUE);
  // The old font goes only now that no control uses it any more.
  S.Fonts.UiFont = std::move(Font);
}

LRESULT CALLBACK FilterEditProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!S) return PassOnFromStub(Window, FilterEditProc, Msg, WParam, LParam);
  try {
    if (Msg == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (Msg == WM_KEYDOWN && (WParam == VK_UP || WParam == VK_DOWN)) {
      StepSelection(*S, WParam == VK_UP ? -1 : 1);
      return 0;
    }
  } catch (...) {
    return 0;
  }
  const LRESULT Result = S->Subclasses.Previous(Window, FilterEditProc).Call(Window, Msg, WParam, LParam);
  // The call may have torn the viewer down: only a record still attached may be used.
  S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!S) return Result;
  if (Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS || Msg == WM_NCPAINT) PaintEditFrame(*S, Window, false);
  switch (Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
      // The edit paints over the clear button, which is its child.
      ShowClearButtonOnTop(*S, true);
      break;
    default:
      break;
  }
  return Result;
}

LRESULT CALLBACK ClearButtonProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!S) return PassOnFromStub(Window, ClearButtonProc, Msg, WParam, LParam);
  switch (Msg) {
    case WM_PAINT: {
      TPaintScope Paint(Window);
      if (!Paint.Get()) return 0;
      RECT R{};
      GetClientRect(Window, &R);
      // It sits inside the filter box, so it takes the box's colours: in the dark look the
      // system window colour would put a white block with a pale sign in a dark box.
      const bool Dark = ViewerIsDark(*S) && S->Draw.BarBrush;
      FillRect(Paint.Get(), &R, Dark ? S->Draw.BarBrush.Get() : GetSysColorBrush(COLOR_WINDOW));
      TSelectScope Select(Paint.Get(), S->Fonts.UiFont.Get());
      SetBkMode(Paint.Get(), TRANSPARENT);
      SetTextColor(Paint.Get(), static_cast<COLORREF>(Dark ? BarTextColor(*S) : ListTextColor(*S)));
      DrawTextW(Paint.Get(), L"\u00D7", 1, &R, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
      return TRUE;
    case WM_LBUTTONUP:
      if (S->Window)
        SendMessageW(S->Window, WM_COMMAND, MAKEWPARAM(IdClearFilter, 0), reinterpret_cast<LPARAM>(Window));
      return 0;
    default:
      break;
  }
  return S->Subclasses.Previous(Window, ClearButtonProc).Call(Window, Msg, WParam, LParam);
}

void ShowMoreMenu(TSkerrinState& S) {
  const TToolbarControls& Bar = S.Bar;
  TPopupMenu Menu;
  TPopupMenu Formats;
  for (int32_t Group = Bar.GroupsShown; Group < ToolbarGroupCount; ++Group) {
    if (Group <= tgInfoButtons) {
      for (int Half = 0; Half < 2; ++Half) {
        const TButtonSpec& B = NavigationButtons[2 * Group + Half];
        Menu.AddItem(B.Id, B.Tip);
      }
    } else if (Group <= tgSync) {
      if (Group == std::max<int32_t>(Bar.GroupsShown, tgTail)) Menu.AddSeparator();
      const TCheckSpec& C = CheckBoxes[Group - tgTail];
      Menu.AddItem(C.Id, C.Tip, Bar.*C.Box && SendMessageW(Bar.*C.Box, BM_GETCHECK, 0, 0) == BST_CHECKED);
    } else if (Group == tgOptions) {
      Menu.AddSeparator();
      Menu.AddItem(IdOptions, L"Options...");
    } else {
      // The format box's entries, the one in force checked.
      const int Entries = Bar.FormatCombo ? static_cast<int>(SendMessageW(Bar.FormatCombo, CB_GETCOUNT, 0, 0)) : 0;
      for (int Entry = 0; Entry < Entries; ++Entry) {
        wchar_t Name[64] = {};
        if (SendMessageW(Bar.FormatCombo, CB_GETLBTEXTLEN, Entry, 0) < 64)
          SendMessageW(Bar.FormatCombo, CB_GETLBTEXT, Entry, reinterpret_cast<LPARAM>(Name));
        Formats.AddItem(IdMenuFormatFirst + Entry, Name);
      }
      if (Entries > 0)
        Formats.CheckRadio(IdMenuFormatFirst, IdMenuFormatFirst + Entries - 1,
                           IdMenuFormatFirst + FormatBoxEntry(S.Settings));
      if (Group == Bar.GroupsShown) Menu.AddSeparator();
      Menu.AddSubmenu(Formats, L"Format");
    }
  }
  RECT Button{};
  if (!Bar.MoreButton || !GetWindowRect(Bar.MoreButton, &Button)) return;
  const HWND Window = S.Window;
  const int Command = Menu.Track(Window, Button.left, Button.bottom, true);
  // The menu's loop may have seen the viewer closed.
  if (Command && StateFromWindow(Window) == &S) MoreMenuChoice(S, Command);
}

void MoreMenuChoice(TSkerrinState& S, int Id) {
  const TToolbarControls& Bar = S.Bar;
  if (Id >= IdMenuFormatFirst && Id <= IdMenuFormatFirst + LogFormatCount) {
    if (!Bar.FormatCombo) return;
    SendMessageW(Bar.FormatCombo, CB_SETCURSEL, Id - IdMenuFormatFirst, 0);
    SendMessageW(S.Window, WM_COMMAND, MAKEWPARAM(IdFormatCombo, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Bar.FormatCombo));
    return;
  }
  // A check box is ticked or cleared as a click on it would.
  for (const TCheckSpec& C : CheckBoxes) {
    if (C.Id != Id || !(Bar.*C.Box)) continue;
    const bool Checked = SendMessageW(Bar.*C.Box, BM_GETCHECK, 0, 0) == BST_CHECKED;
    SendMessageW(Bar.*C.Box, BM_SETCHECK, Checked ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(S.Window, WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED), reinterpret_cast<LPARAM>(Bar.*C.Box));
    return;
  }
  if ((Id >= IdPrevError && Id <= IdNextInfo) || Id == IdOptions)
    SendMessageW(S.Window, WM_COMMAND, MAKEWPARAM(Id, BN_CLICKED), 0);
}
