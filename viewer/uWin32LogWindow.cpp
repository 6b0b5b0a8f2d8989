#include "viewer/uWin32LogWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "viewer/uTrace.h"
#include "settings/uTheme.h"
#include "viewer/uHostIntegration.h"
#include "viewer/uLineRender.h"
#include "viewer/uClipboard.h"
#include "viewer/uContextMenu.h"
#include "viewer/uNavigate.h"
#include "viewer/uStatusBar.h"
#include "viewer/uTailView.h"
#include "viewer/uToolbar.h"
#include "viewer/uViewState.h"
#include "viewer/uWrapView.h"

namespace {

RECT ClientRect(HWND Window) {
  RECT R{};
  GetClientRect(Window, &R);
  return R;
}

bool Live(HWND Window) { return Window && IsWindow(Window); }

void PaintToolbarStrip(TSkerrinState& S, HDC DC) {
  const RECT Client = ClientRect(S.Window);
  RECT Strip{0, 0, Client.right, std::min<LONG>(Client.bottom, S.ToolbarHeight)};
  if (S.BarBrush) {
    FillRect(DC, &Strip, S.BarBrush.Get());
  } else {
    TBrushHolder Brush(CreateSolidBrush(static_cast<COLORREF>(BarBackColor(S))));
    FillRect(DC, &Strip, Brush.Get());
  }
}

void OnFormatChosen(TSkerrinState& S) {
  const int Entry = static_cast<int>(SendMessageW(S.FormatCombo, CB_GETCURSEL, 0, 0));
  ApplyFormatBoxEntry(AppSettings, Entry);
  SaveSettings();
  if (!LoadAndShow(S)) ResetToEmptyView(S);
}

void OnFilterChanged(TSkerrinState& S) {
  ReadFilterStrings(S);
  ShowClearButtonOnTop(S, false);
  SetTimer(S.Window, FilterTimerId, FilterDebounceMs, nullptr);
}

void ClearFilter(TSkerrinState& S) {
  if (S.FilterEdit) SetWindowTextW(S.FilterEdit, L"");
  // Setting the text fires a change notification that would start the timer; the rebuild below
  // already shows the unfiltered view.
  KillTimer(S.Window, FilterTimerId);
  S.FilterW.clear();
  S.FilterLowerW.clear();
  RebuildView(S, false, true);
}

bool Checked(HWND Box) { return Box && SendMessageW(Box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void OnCommand(TSkerrinState& S, int Id, int Notification) {
  switch (Id) {
    // --- tail, navigation, copying and go-to (feature units) ---
    case IdFollowBox:
      SetFollowing(S, Checked(S.FollowBox));
      break;
    case IdTailBox:
      SetTailEnabled(S, Checked(S.TailBox));
      break;
    case IdPrevError:
    case IdNextError:
    case IdPrevWarn:
    case IdNextWarn:
    case IdPrevInfo:
    case IdNextInfo:
      JumpToLevelCommand(S, Id);
      break;
    case IdMenuCopy:
      CopySelection(S);
      break;
    case IdMenuCopyAll:
      CopyAllVisible(S);
      break;
    case IdMenuGoToTime:
      GoToDateTime(S);
      break;
    case IdMenuGoToLine:
      PromptGoToLine(S);
      break;
    // --- end feature commands ---
    case IdFilterEdit:
    case IdLookEdit:
      if (Notification == EN_CHANGE) OnFilterChanged(S);
      else if (Notification == EN_SETFOCUS || Notification == EN_KILLFOCUS || Notification == EN_UPDATE)
        ShowClearButtonOnTop(S, true);
      break;
    case IdClearFilter:
      ClearFilter(S);
      break;
    case IdLineNumBox:
      AppSettings.ShowLineNumbers = Checked(S.LineNumBox);
      SaveSettings();
      RebuildView(S, false, true);
      break;
    case IdFormatCombo:
      if (Notification == CBN_SELCHANGE) OnFormatChosen(S);
      break;
    case IdSyncBox:
      S.SyncEnabled = Checked(S.SyncBox);
      break;
    case IdMenuLineNumbers:
      AppSettings.ShowLineNumbers = !AppSettings.ShowLineNumbers;
      SaveSettings();
      if (S.LineNumBox) SendMessageW(S.LineNumBox, BM_SETCHECK, AppSettings.ShowLineNumbers ? BST_CHECKED : BST_UNCHECKED, 0);
      RebuildView(S, false, true);
      break;
    case IdMenuWordWrap:
      AppSettings.WordWrap = !AppSettings.WordWrap;
      SaveSettings();
      CreateListControl(S);
      LayoutViewer(S);
      RebuildView(S, false, true);
      break;
    default:
      // Level jumps, options, tail, copying and go-to arrive with their features.
      break;
  }
}

HBRUSH ColorControl(HDC DC, TColor Back, TColor Text, HBRUSH Brush) {
  SetBkMode(DC, OPAQUE);
  SetBkColor(DC, static_cast<COLORREF>(Back));
  SetTextColor(DC, static_cast<COLORREF>(Text));
  return Brush;
}

bool IsBarCheckOrLabel(const TSkerrinState& S, HWND Control) {
  const HWND Controls[] = {S.TailBox, S.FollowBox, S.LineNumBox, S.SyncBox, S.TailLabel,
                           S.FollowLabel, S.LineNumLabel, S.SyncLabel, S.FilterLabel};
  return Control && std::find(std::begin(Controls), std::end(Controls), Control) != std::end(Controls);
}

void Teardown(HWND Window, TSkerrinState* S) {
  KillTimer(Window, FilterTimerId);
  KillTimer(Window, TailTimerId);
  if (!S) return;
  RemoveParentSubclass(*S);
  const HWND KeyWindows[] = {S->PrevErrorButton, S->NextErrorButton, S->PrevWarnButton, S->NextWarnButton,
                             S->PrevInfoButton,  S->NextInfoButton,  S->TailBox,        S->FollowBox,
                             S->LineNumBox,      S->SyncBox,         S->OptionsButton,  S->FormatCombo,
                             S->Window};
  for (HWND W : KeyWindows) RemoveKeySubclass(W);
  RemoveLookSubclass(S->LookEdit);
  RemoveKeySubclass(S->LookEdit);
  RemoveKeySubclass(S->FilterEdit);
  RemoveKeySubclass(S->ClearFilterButton);
  S->ListPrevProc.Restore();
  S->FilterEditPrevProc.Restore();
  S->ClearFilterPrevProc.Restore();
  for (HWND W : {S->ListWindow, S->FilterEdit, S->ClearFilterButton})
    if (Live(W)) SetWindowLongPtrW(W, GWLP_USERDATA, 0);
  if (Live(S->ToolTip)) DestroyWindow(S->ToolTip);
  S->ToolTip = nullptr;
  if (Live(S->StatusBar)) {
    SendMessageW(S->StatusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
    SendMessageW(S->StatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L""));
  }
  SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
  delete S;
}

LRESULT OnCreate(HWND Window, LPARAM LParam) {
  auto* Create = reinterpret_cast<CREATESTRUCTW*>(LParam);
  auto* S = static_cast<TSkerrinState*>(Create->lpCreateParams);
  if (!S) return -1;
  S->Window = Window;
  S->InListerWindow = IsListerWindow(S->ParentWindow, S->ShowFlags);
  SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(S));
  if (S->InListerWindow && Live(S->ParentWindow)) InstallParentSubclass(*S);
  CreateToolbar(*S);
  InstallKeySubclass(Window, S);
  CreateListControl(*S);
  S->Following = AppSettings.Follow;
  ApplySettingsToWindow(*S);
  LayoutViewer(*S);
  if (!LoadAndShow(*S)) ResetToEmptyView(*S);
  Trace("viewer WM_CREATE initialized");
  return 0;
}

}  // namespace

HINSTANCE PluginInstance() {
  HMODULE Module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&PluginInstance), &Module);
  return Module;
}

bool RegisterViewerClasses() {
  const bool Wrap = RegisterPluginClass(WrapViewClassName, WrapViewProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  const bool Viewer = RegisterPluginClass(ViewerClassName, ViewerWindowProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  return Wrap && Viewer;
}

TSkerrinState* StateFromWindow(HWND Window) {
  if (!Window || !IsWindow(Window)) return nullptr;
  wchar_t Name[64];
  if (!GetClassNameW(Window, Name, 64) || lstrcmpW(Name, ViewerClassName) != 0) return nullptr;
  return reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
}

TSkerrinState::TSkerrinState() : Log(std::make_unique<TLoadedLog>()) {}

TSkerrinState::~TSkerrinState() {
  if (Window) KillTimer(Window, TailTimerId);
  if (MeasureDC && MeasureDCFontBefore) SelectObject(MeasureDC.Get(), MeasureDCFontBefore);
  MeasureDC.Reset();
  ListBrush.Reset();
  BarBrush.Reset();
  Font.Reset();
  if (OwnsUiFont && UiFont) DeleteObject(UiFont);
  UiFont = nullptr;
  Log.reset();
}

HWND CreateSkerrinWindow(HWND Parent, const std::string& FileName, int ShowFlags) {
  const size_t NameStart = FileName.find_last_of("\\/");
  TraceF("CreateSkerrinWindow enter parent=%p flags=$%x file=%s", static_cast<void*>(Parent),
         static_cast<unsigned>(ShowFlags),
         (NameStart == std::string::npos ? FileName : FileName.substr(NameStart + 1)).c_str());
  TraceWindow("parent at entry", Parent);
  if (!RegisterViewerClasses()) return nullptr;
  auto S = std::make_unique<TSkerrinState>();
  S->ParentWindow = Parent;
  S->FileName = FileName;
  S->ShowFlags = ShowFlags;
  S->HostDark = (ShowFlags & lcp_darkmode) != 0;
  S->HostDarkNative = (ShowFlags & lcp_darkmodenative) != 0;
  SetHostDarkMode(true, S->HostDark);

  int Width = 100, Height = 100;
  RECT R{};
  if (Live(Parent) && GetClientRect(Parent, &R)) {
    Width = R.left < R.right ? R.right - R.left : 100;
    Height = R.top < R.bottom ? R.bottom - R.top : 100;
  }
  TSkerrinState* Raw = S.release();
  HWND Window = CreateWindowExW(0, ViewerClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                Width, Height, Parent, nullptr, PluginInstance(), Raw);
  TraceF("CreateWindowEx returned viewer=%p initial=%dx%d", static_cast<void*>(Window), Width, Height);
  TraceWindow("parent after CreateWindowEx", Parent);
  TraceWindow("viewer after CreateWindowEx", Window);
  if (!Window) {
    // WM_CREATE hands the record to the window only on its success path, so a window that
    // was not created never owned it.
    delete Raw;
    return nullptr;
  }
  if (Live(Parent) && GetClientRect(Parent, &R) && R.right > R.left && R.bottom > R.top)
    SetWindowPos(Window, nullptr, 0, 0, R.right - R.left, R.bottom - R.top, SWP_NOACTIVATE | SWP_NOZORDER);
  if (TSkerrinState* Created = StateFromWindow(Window)) LayoutViewer(*Created);
  TraceWindow("viewer before ShowWindow", Window);
  ShowWindow(Window, SW_SHOWNOACTIVATE);
  TraceWindow("viewer after ShowWindow", Window);
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  TraceWindow("viewer after RedrawWindow", Window);
  return Window;
}

int ScaleBy(int Value, int Numerator, int Denominator) { return MulDiv(Value, Numerator, Denominator); }

int ScaleToDpi(const TSkerrinState& S, int Value) { return MulDiv(Value, S.Dpi, 96); }

bool ViewerIsDark(const TSkerrinState& S) {
  if (AppSettings.ThemeMode == 1) return false;
  if (AppSettings.ThemeMode == 2) return true;
  return S.HostDark;
}

const TColorScheme& ViewerScheme(const TSkerrinState& S) {
  return ViewerIsDark(S) ? AppSettings.ColorsDark : AppSettings.ColorsLight;
}

TColor ListBackColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? AppSettings.ColorsDark.BgColor : AppSettings.WindowBgColor;
}
TColor ListTextColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? AppSettings.ColorsDark.FgColor : AppSettings.ColorsLight.FgColor;
}
TColor BarBackColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? AppSettings.BarDarkModeColor : static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
}
TColor BarTextColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? 0xD4D4D4 : static_cast<TColor>(GetSysColor(COLOR_BTNTEXT));
}

int HostStatusHeightFor(const TSkerrinState& S, int HostHeight) {
  const int Lo = ScaleToDpi(S, 18), Hi = ScaleToDpi(S, 80);
  if (HostHeight < Lo || HostHeight > Hi) return std::min(Hi, std::max(Lo, ScaleToDpi(S, 22)));
  return std::min(Hi, std::max(Lo, HostHeight - ScaleToDpi(S, 2)));
}

void UpdateDpiMetrics(TSkerrinState& S) {
  const int Dpi = S.Window ? DeviceDpi(S.Window) : 0;
  S.Dpi = Dpi > 0 ? Dpi : 96;
  S.ToolbarHeight = ScaleToDpi(S, 34);
  HWND HostBar = nullptr;
  int H = FindHostStatusBar(HostBar);
  if (H > 0 && HostBar) {
    const int HostDpi = DeviceDpi(HostBar);
    if (HostDpi > 0) H = MulDiv(H, S.Dpi, HostDpi);
  }
  S.HostStatusHeight = HostStatusHeightFor(S, H);
  S.StatusHeight = S.HostStatusHeight;
}

void CreateListControl(TSkerrinState& S) {
  const bool Wrap = AppSettings.WordWrap;
  const bool Horizontal = !AppSettings.WordWrap && AppSettings.HorzScrollbar;
  if (S.ListWindow && S.WrapViewActive == Wrap) {
    if (Wrap) return;
    const bool HasHorizontal = (GetWindowLongPtrW(S.ListWindow, GWL_STYLE) & WS_HSCROLL) != 0;
    if (HasHorizontal == Horizontal) return;
  }
  if (S.ListWindow) {
    S.ListPrevProc.Restore();
    SetWindowLongPtrW(S.ListWindow, GWLP_USERDATA, 0);
    DestroyWindow(S.ListWindow);
    S.ListWindow = nullptr;
  }
  const RECT Client = ClientRect(S.Window);
  int Bottom = Client.bottom;
  if (Live(S.StatusBar)) {
    RECT Bar{};
    GetWindowRect(S.StatusBar, &Bar);
    MapWindowPoints(nullptr, S.Window, reinterpret_cast<POINT*>(&Bar), 2);
    if (Bar.bottom > Bar.top) Bottom = Bar.top - 1;
  }
  const int Top = S.ToolbarHeight;
  DWORD Style;
  const wchar_t* Class;
  if (Wrap) {
    Class = WrapViewClassName;
    Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP;
  } else {
    Class = L"LISTBOX";
    Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA |
            LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL;
    if (Horizontal) Style |= WS_HSCROLL;
  }
  // The wrap view finds the record through its creation parameter before WM_CREATE returns.
  HWND List = CreateWindowExW(WS_EX_CLIENTEDGE, Class, L"", Style, 0, Top, Client.right,
                              std::max(0, Bottom - Top), S.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdList)),
                              PluginInstance(), &S);
  TraceWindow("list after CreateWindowEx", List);
  if (!List) return;
  S.ListWindow = List;
  SetWindowLongPtrW(List, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
  S.ListPrevProc.Install(List, ListProc);
  if (S.Font) SendMessageW(List, WM_SETFONT, reinterpret_cast<WPARAM>(S.Font.Get()), TRUE);
  S.WrapViewActive = Wrap;
  S.ListIsListbox = !Wrap;
  S.WrapTop = 0;
  S.WrapCaret = -1;
  S.WrapAnchor = -1;
  std::fill(S.WrapSelection.begin(), S.WrapSelection.end(), 0);
  MoveWindow(List, 0, Top, Client.right, std::max(0, Bottom - Top), TRUE);
  TraceWindow("list after initial MoveWindow", List);
  if (Wrap) UpdateWrapScrollBar(S);
}

int StatusFirstPartEnd(int ClientWidth) { return std::max(ClientWidth - 495, 220); }

void LayoutViewer(TSkerrinState& S) {
  if (!S.Window) return;
  const RECT Client = ClientRect(S.Window);
  const int W = Client.right, H = Client.bottom;
  const int StatusH = std::min(ScaleToDpi(S, 80), std::max(ScaleToDpi(S, 18), static_cast<int>(S.StatusHeight)));
  if (S.StatusBar) {
    SendMessageW(S.StatusBar, SB_SETMINHEIGHT, StatusH, 0);
    SendMessageW(S.StatusBar, WM_SIZE, 0, 0);
    MoveWindow(S.StatusBar, 0, H - StatusH, W, StatusH, TRUE);
  }
  if (S.ListWindow) MoveWindow(S.ListWindow, 0, S.ToolbarHeight, W, std::max(0, H - StatusH - S.ToolbarHeight), TRUE);
  LayoutToolbar(S, W);
  if (S.StatusBar) {
    int Parts[2] = {StatusFirstPartEnd(W), -1};
    SendMessageW(S.StatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(Parts));
  }
  if (AppSettings.WordWrap && S.ListWindow && S.WrapViewActive) {
    InvalidateRowHeights(S);
    UpdateWrapScrollBar(S);
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  }
  UpdateStatus(S);
}

void ApplySettingsToWindow(TSkerrinState& S) {
  CreateListControl(S);
  auto SetCheck = [](HWND Box, bool On) {
    if (Box) SendMessageW(Box, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  SetCheck(S.LineNumBox, AppSettings.ShowLineNumbers);
  SetCheck(S.FollowBox, S.Following);
  SetCheck(S.TailBox, AppSettings.TailEnabled);
  SetCheck(S.SyncBox, S.SyncEnabled);
  FillFormatBox(S);
  if (S.LookEdit && GetWindowTextLengthW(S.LookEdit) == 0) SetWindowTextW(S.LookEdit, L"0");
  ApplyToolbarFont(S);
  CreateLineFont(S);
  if (S.StatusBar && S.Font) SendMessageW(S.StatusBar, WM_SETFONT, reinterpret_cast<WPARAM>(S.Font.Get()), TRUE);
  if (S.StatusBar && S.Font) {
    TWindowDC DC(S.StatusBar);
    if (DC.Get()) {
      TSelectScope Select(DC.Get(), S.Font.Get());
      TEXTMETRICW Metrics{};
      if (GetTextMetricsW(DC.Get(), &Metrics)) {
        const int Lo = ScaleToDpi(S, 18), Hi = ScaleToDpi(S, 80);
        S.StatusHeight = std::min(Hi, std::max({Lo, static_cast<int>(S.HostStatusHeight),
                                                static_cast<int>(Metrics.tmHeight) + ScaleToDpi(S, 8)}));
      }
    }
  }
  S.ListBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(ListBackColor(S))));
  S.BarBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(BarBackColor(S))));
  if (S.ListWindow && S.Font) SendMessageW(S.ListWindow, WM_SETFONT, reinterpret_cast<WPARAM>(S.Font.Get()), FALSE);
  UpdateRowMetrics(S);
  UpdateStatus(S);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
  InvalidateRect(S.Window, nullptr, TRUE);
}

namespace {
void TraceViewerMessage(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NCCREATE: TraceWindow("viewer WM_NCCREATE", Window); break;
    case WM_CREATE: TraceWindow("viewer WM_CREATE begin", Window); break;
    case WM_SIZE:
      TraceF("viewer WM_SIZE hwnd=%p type=%d size=%dx%d", static_cast<void*>(Window), static_cast<int>(WParam),
             LOWORD(LParam), HIWORD(LParam));
      break;
    case WM_SHOWWINDOW:
      TraceF("viewer WM_SHOWWINDOW hwnd=%p show=%d status=%d", static_cast<void*>(Window), static_cast<int>(WParam),
             static_cast<int>(LParam));
      TraceWindow("viewer WM_SHOWWINDOW geometry", Window);
      break;
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED: {
      const auto* Pos = reinterpret_cast<const WINDOWPOS*>(LParam);
      if (Pos)
        TraceF("viewer msg=$%x hwnd=%p pos=%d,%d size=%dx%d flags=$%x", Msg, static_cast<void*>(Window), Pos->x,
               Pos->y, Pos->cx, Pos->cy, Pos->flags);
      break;
    }
    default:
      break;
  }
}
}  // namespace

LRESULT CALLBACK ViewerWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  try {
    TraceViewerMessage(Window, Msg, WParam, LParam);
    if (Msg == WM_CREATE) return OnCreate(Window, LParam);
    auto* S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (Msg == WM_DESTROY) {
      Teardown(Window, S);
      return 0;
    }
    if (S) {
      LRESULT KeyResult = 0;
      if (ViewerWindowKeys(*S, Msg, WParam, KeyResult)) return KeyResult;
    }
    switch (Msg) {
      case WM_SIZE:
        if (S) LayoutViewer(*S);
        return 0;
      case WM_PAINT: {
        TPaintScope Paint(Window);
        if (S && Paint.Get()) PaintToolbarStrip(*S, Paint.Get());
        return 0;
      }
      case WM_ERASEBKGND:
        if (S) PaintToolbarStrip(*S, reinterpret_cast<HDC>(WParam));
        return 1;
      case WM_SYSCOLORCHANGE:
      case WM_WININICHANGE:
      case WM_THEMECHANGED:
        if (S && AppSettings.ThemeMode == 0) {
          ApplySettingsToWindow(*S);
          UpdateStatus(*S);
          InvalidateRect(Window, nullptr, TRUE);
          if (S->ListWindow) InvalidateRect(S->ListWindow, nullptr, TRUE);
        }
        return 0;
      case WM_DPICHANGED:
        if (S) {
          UpdateDpiMetrics(*S);
          ApplySettingsToWindow(*S);
          LayoutViewer(*S);
          InvalidateRect(Window, nullptr, TRUE);
        }
        return 0;
      case WM_DRAWITEM: {
        if (!S) break;
        const auto& Item = *reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
        const int Id = static_cast<int>(Item.CtlID);
        if (Id == IdFormatCombo) DrawFormatItem(*S, Item);
        else if ((Id >= IdPrevError && Id <= IdNextInfo) || Id == IdOptions) DrawToolbarButton(*S, Item);
        else if (Id == IdList && (!S->ListIsListbox || S->WrapViewActive)) DrawRow(*S, Item);
        else if (Id == IdStatusBar) DrawStatusPart(*S, Item);
        else break;
        return 1;
      }
      case WM_MEASUREITEM: {
        if (!S) break;
        auto& Item = *reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
        if (Item.CtlID != static_cast<UINT>(IdList)) break;
        Item.itemHeight = static_cast<UINT>(MeasureRow(*S, static_cast<int32_t>(Item.itemID)));
        return 1;
      }
      case WM_CONTEXTMENU:
        if (!S) break;
        if (reinterpret_cast<HWND>(WParam) == S->ListWindow || reinterpret_cast<HWND>(WParam) == Window) {
          ShowContextMenu(*S, static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)));
          return 0;
        }
        break;
      case WM_COMMAND:
        if (S) OnCommand(*S, LOWORD(WParam), HIWORD(WParam));
        return 0;
      case WM_TIMER:
        if (S && WParam == FilterTimerId) {
          KillTimer(Window, FilterTimerId);
          RebuildView(*S, false, true);
        }
        if (S && WParam == TailTimerId) TailTick(*S);
        return 0;
      case WM_CTLCOLOREDIT: {
        const HWND Control = reinterpret_cast<HWND>(LParam);
        if (S && ViewerIsDark(*S) && (Control == S->FilterEdit || Control == S->LookEdit) && S->BarBrush)
          return reinterpret_cast<LRESULT>(ColorControl(reinterpret_cast<HDC>(WParam), BarBackColor(*S),
                                                        BarTextColor(*S), S->BarBrush.Get()));
        break;
      }
      case WM_CTLCOLORLISTBOX: {
        const HWND Control = reinterpret_cast<HWND>(LParam);
        if (S && Control == S->ListWindow && S->ListBrush)
          return reinterpret_cast<LRESULT>(ColorControl(reinterpret_cast<HDC>(WParam), ListBackColor(*S),
                                                        ListTextColor(*S), S->ListBrush.Get()));
        break;
      }
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSTATIC: {
        const HWND Control = reinterpret_cast<HWND>(LParam);
        if (!S) break;
        if (Control == S->ClearFilterButton && S->ListBrush)
          return reinterpret_cast<LRESULT>(ColorControl(reinterpret_cast<HDC>(WParam), ListBackColor(*S),
                                                        ListTextColor(*S), S->ListBrush.Get()));
        if (S->BarBrush && IsBarCheckOrLabel(*S, Control))
          return reinterpret_cast<LRESULT>(ColorControl(reinterpret_cast<HDC>(WParam), BarBackColor(*S),
                                                        BarTextColor(*S), S->BarBrush.Get()));
        break;
      }
      case SyncMessage:
        return 0;
      default:
        break;
    }
  } catch (...) {
    // Nothing may unwind into the host's message loop.
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

bool RegisterPluginClass(const wchar_t* Name, WNDPROC Procedure, UINT Style, HBRUSH Background) {
  WNDCLASSEXW Known{};
  Known.cbSize = sizeof(Known);
  if (GetClassInfoExW(PluginInstance(), Name, &Known)) {
    if (Known.lpfnWndProc == Procedure) return true;
    // Classes outlive the library that registered them: after an unload and a reload at the
    // same address the old class would call into code that is gone, so it is replaced.
    UnregisterClassW(Name, PluginInstance());
  }
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof(Class);
  Class.style = Style;
  Class.lpfnWndProc = Procedure;
  Class.hInstance = PluginInstance();
  Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  Class.hbrBackground = Background;
  Class.lpszClassName = Name;
  return RegisterClassExW(&Class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

int DeviceDpi(HWND Window) {
  int Dpi = 0;
  if (HDC DC = GetDC(Window)) {
    Dpi = GetDeviceCaps(DC, LOGPIXELSX);
    ReleaseDC(Window, DC);
  }
  if (Dpi <= 0) {
    if (HDC Screen = GetDC(nullptr)) {
      Dpi = GetDeviceCaps(Screen, LOGPIXELSX);
      ReleaseDC(nullptr, Screen);
    }
  }
  return Dpi;
}
