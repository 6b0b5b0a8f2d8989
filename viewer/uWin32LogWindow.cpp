#include "viewer/uWin32LogWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "viewer/uClipboard.h"
#include "viewer/uContextMenu.h"
#include "viewer/uHostIntegration.h"
#include "viewer/uHostWindow.h"
#include "viewer/uListControl.h"
#include "viewer/uNavigate.h"
#include "viewer/uStatusBar.h"
#include "viewer/uTailTimer.h"
#include "viewer/uTailView.h"
#include "viewer/uToolbar.h"
#include "viewer/uToolbarPaint.h"
#include "viewer/uTrace.h"
#include "viewer/uViewLoad.h"
#include "viewer/uViewChoices.h"
#include "viewer/uViewState.h"
#include "viewer/uViewerLayout.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"
#include "viewer/uViewerRegistry.h"
#include "viewer/uViewerSync.h"
#include "toolkit/uWindowClass.h"

namespace {

// The size of a viewer whose parent has no usable client area, until the host resizes it.
constexpr int FallbackSize = 100;

bool Live(HWND Window) { return Window && IsWindow(Window); }

bool Checked(HWND Box) { return Box && SendMessageW(Box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void OnFormatChosen(TSkerrinState& S) {
  const int Entry = static_cast<int>(SendMessageW(S.Bar.FormatCombo, CB_GETCURSEL, 0, 0));
  ApplyFormatBoxEntry(S.Settings, Entry);
  SaveSettings(S.Settings, S.HostDark);
  LoadAndShow(S);
}

void OnFilterChanged(TSkerrinState& S) {
  ReadFilterStrings(S);
  ShowClearButtonOnTop(S, false);
  SetTimer(S.Window, FilterTimerId, FilterDebounceMs, nullptr);
}

// The filter text or the context number changed: the last search's highlights go with it.
void RebuildForNewFilter(TSkerrinState& S) {
  S.Search.Highlighting = false;
  RebuildView(S, false, true);
}

void ClearFilter(TSkerrinState& S) {
  if (S.Bar.FilterEdit) SetWindowTextW(S.Bar.FilterEdit, L"");
  // Setting the text fires a change notification that would start the timer; the rebuild below
  // already shows the unfiltered view.
  KillTimer(S.Window, FilterTimerId);
  S.Filter.FilterW.clear();
  RebuildForNewFilter(S);
}

bool SameFormatSettings(const TAppSettings& A, const TAppSettings& B) {
  return A.AutoDetect == B.AutoDetect && A.ForceFormat == B.ForceFormat && A.CustomFormat == B.CustomFormat;
}

// New settings from the options dialog, in one viewer. The lines are parsed anew when the
// format settings changed, so that the format box and the lines agree. Every viewer keeps its
// place; the opener follows as the settings say.
void ReapplySettings(TSkerrinState& S, bool Opener, bool FormatChanged) {
  const TViewPlace Place = NoteViewPlace(S);
  if (Opener) S.Tail.Following = S.Settings.Follow;
  ApplySettingsToWindow(S);
  LayoutViewer(S);
  if (FormatChanged) ReloadKeepingPlace(S, Place);
  else RebuildKeepingPlace(S, Place);
  if (Opener) ApplyTailSettings(S);
  else StartOrStopTail(S);
}

TOptionsDialog OptionsDialog = nullptr;

// What the user changed in the dialog, from Start to Confirmed, goes into the settings in force,
// which are then stored. The rest stays as it is in force, changed meanwhile or not, so that the
// dialog undoes nothing that a save could not store.
bool TakeSettings(TAppSettings& Settings, const TAppSettings& Start, const TAppSettings& Confirmed,
                  THostDark HostDark) {
  TakeChangedSettings(Start, Confirmed, Settings);
  ApplyThemeColors(Settings, HostDark);
  return SaveSettings(Settings, HostDark);
}

void OpenOptions(TSkerrinState& S) {
  if (!OptionsDialog) return;
  const HWND Window = S.Window;
  // The process's record outlives this viewer, which the dialog's loop may see closed; so do
  // the copies taken here.
  TAppSettings& Settings = S.Settings;
  const TAppSettings Before = Settings;
  const THostDark HostDark = S.HostDark;
  const TTakeSettings Take = [&](const TAppSettings& Confirmed) {
    return TakeSettings(Settings, Before, Confirmed, HostDark);
  };
  if (!OptionsDialog(Window, Before, S.Log ? S.Log->Format : lfUnknown, HostDark, Take)) return;
  const bool FormatChanged = !SameFormatSettings(Before, Settings);
  // Every viewer of the process shows the one settings record, so each takes the change now;
  // any of them, the opener too, may have been closed while the dialog was open.
  for (HWND Viewer : RegisteredViewers())
    if (TSkerrinState* Other = StateFromWindow(Viewer)) ReapplySettings(*Other, Viewer == Window, FormatChanged);
}

void OnCommand(TSkerrinState& S, int Id, int Notification) {
  TAppSettings& Settings = S.Settings;
  switch (Id) {
    case IdFollowBox:
      SetFollowing(S, Checked(S.Bar.FollowBox));
      break;
    case IdTailBox:
      SetTailEnabled(S, Checked(S.Bar.TailBox));
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
      PromptGoToDateTime(S);
      break;
    case IdMenuGoToLine:
      PromptGoToLine(S);
      break;
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
      Settings.ShowLineNumbers = Checked(S.Bar.LineNumBox);
      SaveSettings(Settings, S.HostDark);
      RebuildView(S, false, true);
      break;
    case IdFormatCombo:
      if (Notification == CBN_SELCHANGE) OnFormatChosen(S);
      break;
    case IdSyncBox:
      SetSyncEnabled(S, Checked(S.Bar.SyncBox));
      break;
    case IdMenuLineNumbers:
      Settings.ShowLineNumbers = !Settings.ShowLineNumbers;
      SaveSettings(Settings, S.HostDark);
      if (S.Bar.LineNumBox)
        SendMessageW(S.Bar.LineNumBox, BM_SETCHECK, Settings.ShowLineNumbers ? BST_CHECKED : BST_UNCHECKED, 0);
      RebuildView(S, false, true);
      break;
    case IdMenuWordWrap:
      // The other control shows the same rows: it is not rebuilt, so the selection stays whole.
      Settings.WordWrap = !Settings.WordWrap;
      SaveSettings(Settings, S.HostDark);
      CreateListControl(S);
      LayoutViewer(S);
      break;
    case IdOptions:
      OpenOptions(S);
      break;
    case IdMoreButton:
      ShowMoreMenu(S);
      break;
    default:
      ViewChoiceCommand(S, Id);
      break;
  }
}

// A click on the status bar: on a level's counter it shows that level alone, or all again.
void OnStatusBarClick(TSkerrinState& S, const NMMOUSE& Click) {
  if (Click.dwItemSpec != 1) return;
  const int32_t Level = CounterLevelAt(S, Click.pt.x);
  if (Level >= 0) ShowOnlyLevel(S, static_cast<TLogLevel>(Level));
}

HBRUSH ColorControl(HDC DC, TColor Back, TColor Text, HBRUSH Brush) {
  SetBkMode(DC, OPAQUE);
  SetBkColor(DC, static_cast<COLORREF>(Back));
  SetTextColor(DC, static_cast<COLORREF>(Text));
  return Brush;
}

bool IsBarCheckOrLabel(const TSkerrinState& S, HWND Control) {
  const TToolbarControls& B = S.Bar;
  const HWND Controls[] = {B.TailBox,     B.FollowBox,    B.LineNumBox, B.SyncBox,    B.TailLabel,
                           B.FollowLabel, B.LineNumLabel, B.SyncLabel,  B.FilterLabel};
  return Control && std::find(std::begin(Controls), std::end(Controls), Control) != std::end(Controls);
}

// The colours of the child controls that the platform draws: the list's in the list's look,
// the toolbar's in the strip's.
bool ControlColors(TSkerrinState& S, UINT Msg, HDC DC, HWND Control, LRESULT& Result) {
  const HBRUSH ListBrush = S.Draw.ListBrush.Get(), BarBrush = S.Draw.BarBrush.Get();
  if (const HBRUSH Field = FormatBoxColors(S, Control, DC)) {
    Result = reinterpret_cast<LRESULT>(Field);
    return true;
  }
  HBRUSH Brush = nullptr;
  switch (Msg) {
    case WM_CTLCOLOREDIT:
      if (ViewerIsDark(S) && (Control == S.Bar.FilterEdit || Control == S.Bar.LookEdit) && BarBrush)
        Brush = ColorControl(DC, BarBackColor(S), BarTextColor(S), BarBrush);
      break;
    case WM_CTLCOLORLISTBOX:
      if (Control == S.ListWindow && ListBrush) Brush = ColorControl(DC, ListBackColor(S), ListTextColor(S), ListBrush);
      break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      if (Control == S.Bar.ClearFilterButton && ListBrush)
        Brush = ColorControl(DC, ListBackColor(S), ListTextColor(S), ListBrush);
      else if (BarBrush && IsBarCheckOrLabel(S, Control))
        Brush = ColorControl(DC, BarBackColor(S), BarTextColor(S), BarBrush);
      break;
    default:
      break;
  }
  Result = reinterpret_cast<LRESULT>(Brush);
  return Brush != nullptr;
}

bool DrawItem(TSkerrinState& S, const DRAWITEMSTRUCT& Item) {
  const int Id = static_cast<int>(Item.CtlID);
  if (Id == IdFormatCombo) {
    DrawFormatItem(S, Item);
  } else if ((Id >= IdPrevError && Id <= IdNextInfo) || Id == IdOptions || Id == IdMoreButton) {
    DrawToolbarButton(S, Item);
  } else if (Id == IdStatusBar) {
    DrawStatusPart(S, Item);
  } else {
    return false;
  }
  return true;
}

void Teardown(HWND Window, TSkerrinState* S) {
  KillTimer(Window, FilterTimerId);
  KillTimer(Window, TailTimerId);
  KillTimer(Window, LoadTimerId);
  if (!S) return;
  UnregisterViewer(Window);
  RemoveViewerSubclasses(*S);
  for (HWND W : {S->ListWindow, S->Bar.FilterEdit, S->Bar.ClearFilterButton, S->StatusBar})
    if (Live(W)) SetWindowLongPtrW(W, GWLP_USERDATA, 0);
  if (Live(S->Bar.ToolTip)) DestroyWindow(S->Bar.ToolTip);
  S->Bar.ToolTip = nullptr;
  if (Live(S->StatusBar)) {
    // The parts carry pointers into the record as their data.
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
  RegisterViewer(Window);
  if (S->InListerWindow) InstallParentSubclass(*S);
  CreateToolbar(*S);
  InstallStatusBarPaint(*S);
  InstallToolbarSubclasses(*S);
  InstallKeySubclass(*S, Window);
  CreateListControl(*S);
  S->Tail.Following = S->Settings.Follow;
  ApplySettingsToWindow(*S);
  LayoutViewer(*S);
  LoadAndShow(*S);
  Trace("viewer WM_CREATE initialized");
  return 0;
}

void TraceViewerMessage(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_NCCREATE:
      TraceWindow("viewer WM_NCCREATE", Window);
      break;
    case WM_CREATE:
      TraceWindow("viewer WM_CREATE begin", Window);
      break;
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
        TraceF("viewer msg=$%x hwnd=%p pos=%d,%d size=%dx%d flags=$%x", Msg, static_cast<void*>(Window), Pos->x, Pos->y,
               Pos->cx, Pos->cy, Pos->flags);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void SetOptionsDialog(TOptionsDialog Show) { OptionsDialog = Show; }

bool RegisterViewerClasses() {
  const bool Wrap = RegisterPluginClass(WrapViewClassName, WrapViewProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  const bool Viewer = RegisterPluginClass(ViewerClassName, ViewerWindowProc, CS_HREDRAW | CS_VREDRAW, nullptr);
  return Wrap && Viewer;
}

HWND CreateSkerrinWindow(HWND Parent, const std::string& FileName, int ShowFlags, TAppSettings& Settings) {
  const size_t NameStart = FileName.find_last_of("\\/");
  TraceF("CreateSkerrinWindow enter parent=%p flags=$%x file=%s", static_cast<void*>(Parent),
         static_cast<unsigned>(ShowFlags),
         (NameStart == std::string::npos ? FileName : FileName.substr(NameStart + 1)).c_str());
  TraceWindow("parent at entry", Parent);
  if (!RegisterViewerClasses()) return nullptr;
  auto S = std::make_unique<TSkerrinState>(Settings);
  S->ParentWindow = Parent;
  S->FileName = FileName;
  S->ShowFlags = ShowFlags;
  S->HostDark = (ShowFlags & lcp_darkmode) != 0;
  S->HostDarkNative = (ShowFlags & lcp_darkmodenative) != 0;

  int Width = FallbackSize, Height = FallbackSize;
  RECT R{};
  if (Live(Parent) && GetClientRect(Parent, &R)) {
    Width = R.left < R.right ? R.right - R.left : FallbackSize;
    Height = R.top < R.bottom ? R.bottom - R.top : FallbackSize;
  }
  TSkerrinState* Raw = S.release();
  HWND Window = CreateWindowExW(0, ViewerClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, Width,
                                Height, Parent, nullptr, PluginInstance(), Raw);
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
  if (TSkerrinState* Created = StateFromWindow(Window)) {
    LayoutViewer(*Created);
    // A small file is read by now: its rows are shown in the first paint, not in the next.
    TakeLoadedRows(*Created);
  }
  TraceWindow("viewer before ShowWindow", Window);
  ShowWindow(Window, SW_SHOWNOACTIVATE);
  TraceWindow("viewer after ShowWindow", Window);
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  TraceWindow("viewer after RedrawWindow", Window);
  return Window;
}

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
        if (S && S->Settings.ThemeMode == 0) {
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
      case WM_DRAWITEM:
        if (S && DrawItem(*S, *reinterpret_cast<const DRAWITEMSTRUCT*>(LParam))) return 1;
        break;
      case WM_MEASUREITEM: {
        if (!S) break;
        auto& Item = *reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
        if (Item.CtlID != static_cast<UINT>(IdList)) break;
        Item.itemHeight = static_cast<UINT>(S->Metrics.RowHeight);
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
      case WM_NOTIFY: {
        const auto* Header = reinterpret_cast<const NMHDR*>(LParam);
        if (S && Header && Header->hwndFrom == S->StatusBar && Header->code == NM_CLICK)
          OnStatusBarClick(*S, *reinterpret_cast<const NMMOUSE*>(LParam));
        break;
      }
      case WM_TIMER:
        if (S && WParam == FilterTimerId) {
          KillTimer(Window, FilterTimerId);
          RebuildForNewFilter(*S);
        }
        if (S && WParam == TailTimerId) TailTick(*S);
        if (S && WParam == LoadTimerId) TakeLoadedRows(*S);
        return 0;
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSTATIC: {
        LRESULT Brush = 0;
        if (S && ControlColors(*S, Msg, reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam), Brush))
          return Brush;
        break;
      }
      case LoadProgressMessage:
        if (S) TakeLoadedRows(*S);
        return 0;
      case SyncMessage:
        if (S && LParam) OnSyncMessage(*S, *reinterpret_cast<const TSyncPayload*>(LParam));
        return 0;
      default:
        break;
    }
  } catch (...) {
    // Nothing may unwind into the host's message loop.
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}
