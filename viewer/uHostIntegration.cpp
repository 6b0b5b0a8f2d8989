#include "viewer/uHostIntegration.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

#include "settings/uSettings.h"
#include "viewer/uClipboard.h"
#include "viewer/uNavigate.h"
#include "viewer/uToolbar.h"
#include "viewer/uViewState.h"
#include "viewer/uWin32LogWindow.h"

namespace {

bool Live(HWND Window) { return Window && IsWindow(Window); }

bool IsEscape(UINT Msg, WPARAM WParam) {
  return ((Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN) && WParam == VK_ESCAPE) || (Msg == WM_CHAR && WParam == 27);
}

void PostEscapeToHost(const TSkerrinState& S, LPARAM KeyData) {
  const HWND Root = HostRootWindow(S);
  if (!Root) return;
  PostMessageW(Root, WM_KEYDOWN, VK_ESCAPE, KeyData);
  PostMessageW(Root, WM_KEYUP, VK_ESCAPE, KeyData);
}

bool IsToolbarCheckBox(const TSkerrinState& S, HWND Window) {
  return Window && (Window == S.TailBox || Window == S.FollowBox || Window == S.LineNumBox || Window == S.SyncBox);
}

struct TClassSearchCtx {
  const wchar_t* ClassName;
  HWND Found = nullptr;
  int32_t Visited = 0;
  int32_t WantedOrdinal = 0;  // 0: the first match ends the search
  int32_t Matches = 0;
};

BOOL CALLBACK FindByClass(HWND Window, LPARAM Param) {
  auto& Ctx = *reinterpret_cast<TClassSearchCtx*>(Param);
  ++Ctx.Visited;
  wchar_t Name[128];
  if (GetClassNameW(Window, Name, 128) && lstrcmpiW(Name, Ctx.ClassName) == 0) {
    ++Ctx.Matches;
    if (Ctx.WantedOrdinal == 0 || Ctx.Matches == Ctx.WantedOrdinal) {
      Ctx.Found = Window;
      return FALSE;
    }
  }
  return TRUE;
}

int WindowHeight(HWND Window) {
  RECT R{};
  GetWindowRect(Window, &R);
  return R.bottom - R.top;
}

bool FocusIn(HWND Control) { return Control && GetFocus() == Control; }

}  // namespace

bool IsListerWindow(HWND Parent, int ShowFlags) {
  if (ShowFlags & lcp_forceshow) return true;
  if (Parent && GetAncestor(Parent, GA_ROOT) == Parent) return true;
  return Parent && (GetWindowLongPtrW(Parent, GWL_STYLE) & WS_POPUP) != 0;
}

HWND HostRootWindow(const TSkerrinState& S) {
  if (!S.ParentWindow) return nullptr;
  const HWND Root = GetAncestor(S.ParentWindow, GA_ROOT);
  return Root ? Root : S.ParentWindow;
}

void InstallParentSubclass(TSkerrinState& S) {
  if (!Live(S.ParentWindow)) return;
  SetPropW(S.ParentWindow, ParentStateProp, reinterpret_cast<HANDLE>(&S));
  // The host's lister window is an ANSI window as far as we know; its messages are passed on
  // through the ANSI path so that nothing is translated on the way.
  S.ParentSubclassed = S.ParentPrevProc.Install(S.ParentWindow, ParentProc, false);
  if (!S.ParentSubclassed) {
    S.ParentPrevProc.Restore();
    RemovePropW(S.ParentWindow, ParentStateProp);
  }
}

void RemoveParentSubclass(TSkerrinState& S) {
  if (S.ParentSubclassed && Live(S.ParentWindow)) {
    S.ParentPrevProc.Restore();
    RemovePropW(S.ParentWindow, ParentStateProp);
  }
  S.ParentPrevProc.Restore();
  S.ParentSubclassed = false;
}

LRESULT CALLBACK ParentProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetPropW(Window, ParentStateProp));
  if (S && S->InListerWindow && !AppSettings.CloseOnEscInLister &&
      (IsEscape(Msg, WParam) || (Msg == WM_COMMAND && LOWORD(WParam) == IDCANCEL)))
    return 0;
  // The host may destroy its window (and with it the viewer and this record) inside the call.
  const WNDPROC Previous = S ? S->ParentPrevProc.PreviousProc() : nullptr;
  if (Previous) return CallWindowProcA(Previous, Window, Msg, WParam, LParam);
  return DefWindowProcA(Window, Msg, WParam, LParam);
}

bool InstallKeySubclass(HWND Window, TSkerrinState* S) {
  if (!Window || !S || !IsWindow(Window) || GetPropW(Window, EscPrevProcProp)) return false;
  const bool Unicode = IsWindowUnicode(Window) != 0;
  const LONG_PTR Previous = Unicode
      ? SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeySubclassProc))
      : SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeySubclassProc));
  SetPropW(Window, EscStateProp, reinterpret_cast<HANDLE>(S));
  SetPropW(Window, EscPrevProcProp, reinterpret_cast<HANDLE>(Previous));
  SetPropW(Window, EscUnicodeProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(Unicode ? 1 : 0)));
  return true;
}

void RemoveKeySubclass(HWND Window) {
  if (!Window || !IsWindow(Window)) return;
  const auto Previous = reinterpret_cast<LONG_PTR>(GetPropW(Window, EscPrevProcProp));
  const bool Unicode = GetPropW(Window, EscUnicodeProp) != nullptr;
  if (Previous) {
    if (Unicode) SetWindowLongPtrW(Window, GWLP_WNDPROC, Previous);
    else SetWindowLongPtrA(Window, GWLP_WNDPROC, Previous);
  }
  RemovePropW(Window, EscStateProp);
  RemovePropW(Window, EscPrevProcProp);
  RemovePropW(Window, EscUnicodeProp);
}

LRESULT CALLBACK KeySubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetPropW(Window, EscStateProp));
  const auto Previous = reinterpret_cast<WNDPROC>(GetPropW(Window, EscPrevProcProp));
  const bool Unicode = GetPropW(Window, EscUnicodeProp) != nullptr;
  try {
    if (S) {
      if (!ViewerIsDark(*S) && Msg == WM_PAINT && IsToolbarCheckBox(*S, Window)) {
        PaintCheckBox(*S, Window);
        return 0;
      }
      if (ViewerIsDark(*S) && Window == S->LookUpDown) {
        if (Msg == WM_ERASEBKGND) return 1;
        if (Msg == WM_PAINT) {
          PaintUpDownDark(*S, Window);
          return 0;
        }
      }
      if (S->InListerWindow && IsEscape(Msg, WParam)) {
        if (Window == S->FilterEdit) SetFocus(Live(S->ListWindow) ? S->ListWindow : S->Window);
        else if (AppSettings.CloseOnEscInLister) PostEscapeToHost(*S, LParam);
        return 0;
      }
    }
  } catch (...) {
  }
  LRESULT Result;
  if (!Previous) Result = Unicode ? DefWindowProcW(Window, Msg, WParam, LParam) : DefWindowProcA(Window, Msg, WParam, LParam);
  else Result = Unicode ? CallWindowProcW(Previous, Window, Msg, WParam, LParam)
                        : CallWindowProcA(Previous, Window, Msg, WParam, LParam);
  // The call may have torn the viewer down (the viewer window's own destruction passes here):
  // only a record still attached to the window may be used.
  S = reinterpret_cast<TSkerrinState*>(GetPropW(Window, EscStateProp));
  // The platform's check box draws itself straight away on these, outside any paint message;
  // a paint of our own follows so that the light theme's box stays.
  if (S && !ViewerIsDark(*S) && IsToolbarCheckBox(*S, Window) &&
      (Msg == BM_SETCHECK || Msg == BM_SETSTATE || Msg == WM_LBUTTONDOWN || Msg == WM_LBUTTONUP ||
       Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS || Msg == WM_ENABLE || Msg == WM_MOUSEMOVE || Msg == WM_KEYUP))
    InvalidateRect(Window, nullptr, FALSE);
  if (S && Window == S->FormatCombo &&
      (Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS || Msg == WM_PAINT || Msg == WM_NCPAINT))
    PaintEditFrame(*S, Window, true);
  return Result;
}

bool InstallLookSubclass(HWND LookEdit, TSkerrinState* S) {
  if (!LookEdit || !S || !IsWindow(LookEdit) || GetPropW(LookEdit, LookPrevProcProp)) return false;
  const LONG_PTR Previous = SetWindowLongPtrW(LookEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LookSubclassProc));
  SetPropW(LookEdit, LookStateProp, reinterpret_cast<HANDLE>(S));
  SetPropW(LookEdit, LookPrevProcProp, reinterpret_cast<HANDLE>(Previous));
  return true;
}

void RemoveLookSubclass(HWND LookEdit) {
  if (!LookEdit || !IsWindow(LookEdit)) return;
  if (const auto Previous = reinterpret_cast<LONG_PTR>(GetPropW(LookEdit, LookPrevProcProp)))
    SetWindowLongPtrW(LookEdit, GWLP_WNDPROC, Previous);
  RemovePropW(LookEdit, LookStateProp);
  RemovePropW(LookEdit, LookPrevProcProp);
}

LRESULT CALLBACK LookSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetPropW(Window, LookStateProp));
  const auto Previous = reinterpret_cast<WNDPROC>(GetPropW(Window, LookPrevProcProp));
  if (Msg == WM_MOUSEWHEEL) {
    const int Steps = static_cast<short>(HIWORD(WParam)) / WHEEL_DELTA;
    if (Steps != 0 && S && S->LookEdit) {
      wchar_t Text[32] = L"";
      GetWindowTextW(S->LookEdit, Text, 32);
      wchar_t* End = nullptr;
      long Value = std::wcstol(Text, &End, 10);
      const wchar_t* Rest = End;
      while (Rest && *Rest && std::iswspace(*Rest)) ++Rest;
      if (End == Text || (Rest && *Rest)) Value = 0;
      Value = std::clamp<long>(Value + Steps, -9999, 9999);
      SetWindowTextW(S->LookEdit, std::to_wstring(Value).c_str());
      SetTimer(S->Window, FilterTimerId, FilterDebounceMs, nullptr);
    }
    return 0;
  }
  const LRESULT Result = Previous ? CallWindowProcW(Previous, Window, Msg, WParam, LParam)
                                  : DefWindowProcW(Window, Msg, WParam, LParam);
  S = reinterpret_cast<TSkerrinState*>(GetPropW(Window, LookStateProp));
  if (S && (Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS || Msg == WM_NCPAINT)) PaintEditFrame(*S, Window, false);
  return Result;
}

void StepSelection(TSkerrinState& S, int Delta) {
  if (S.VisibleCount <= 0) return;
  int32_t Row = CurrentRow(S);
  if (Row < 0) Row = 0;
  Row = std::clamp<int32_t>(Row + Delta, 0, S.VisibleCount - 1);
  SelectRow(S, Row, false, true, false);
}

LRESULT CALLBACK FilterEditProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (!S) return DefWindowProcW(Window, Msg, WParam, LParam);
  try {
    if (Msg == WM_GETDLGCODE) return DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (Msg == WM_KEYDOWN && (WParam == VK_UP || WParam == VK_DOWN)) {
      StepSelection(*S, WParam == VK_UP ? -1 : 1);
      return 0;
    }
  } catch (...) {
    return 0;
  }
  const LRESULT Result = S->FilterEditPrevProc.CallPrevious(Window, Msg, WParam, LParam);
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
      ShowClearButtonOnTop(*S, true);
      break;
    default:
      break;
  }
  return Result;
}

bool ViewerWindowKeys(TSkerrinState& S, UINT Msg, WPARAM WParam, LRESULT& Result) {
  if ((Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN) && (WParam == VK_UP || WParam == VK_DOWN) &&
      !FocusIn(S.FilterEdit) && !FocusIn(S.LookEdit) && S.VisibleCount > 0) {
    StepSelection(S, WParam == VK_UP ? -1 : 1);
    Result = 0;
    return true;
  }
  if (IsEscape(Msg, WParam) && S.InListerWindow && !AppSettings.CloseOnEscInLister) {
    Result = 0;
    return true;
  }
  return false;
}

bool ListKeyRouting(TSkerrinState& S, HWND, UINT Msg, WPARAM WParam, LPARAM LParam,
                    const TWindowSubclass* Previous, LRESULT& Result) {
  const bool KeyDown = Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN;
  const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
  const HWND Root = HostRootWindow(S);
  Result = 0;
  if (KeyDown && WParam == 'C' && Ctrl) {
    CopySelection(S);
    return true;
  }
  if (KeyDown && WParam == VK_F3 && !S.LastSearchText.empty()) {
    RepeatLastSearch(S, GetKeyState(VK_SHIFT) < 0);
    return true;
  }
  if (KeyDown && (WParam == VK_F3 || WParam == VK_F7 || (WParam == 'F' && Ctrl))) {
    if (Root) {
      SendMessageW(Root, Msg, WParam, LParam);
      SendMessageW(Root, Msg == WM_SYSKEYDOWN ? WM_SYSKEYUP : WM_KEYUP, WParam, LParam);
    }
    return true;
  }
  const bool AnyKey = KeyDown || Msg == WM_KEYUP || Msg == WM_SYSKEYUP || Msg == WM_CHAR;
  if (AnyKey && WParam >= '1' && WParam <= '8') {
    if (Root) PostMessageW(Root, Msg, WParam, LParam);
    return true;
  }
  if (Msg == WM_GETDLGCODE) {
    const LRESULT Base = Previous ? Previous->CallPrevious(S.ListWindow, Msg, WParam, LParam) : 0;
    Result = (S.InListerWindow && !AppSettings.CloseOnEscInLister) ? (Base | DLGC_WANTALLKEYS) : Base;
    return true;
  }
  if (IsEscape(Msg, WParam) && S.InListerWindow) {
    if (AppSettings.CloseOnEscInLister) PostEscapeToHost(S, LParam);
    return true;
  }
  return false;
}

int FindHostStatusBar(HWND& Found) {
  Found = nullptr;
  const HWND Main = FindWindowW(L"TTOTAL_CMD", nullptr);
  if (!Main) return 0;
  TClassSearchCtx Ctx{L"msctls_statusbar32"};
  EnumChildWindows(Main, FindByClass, reinterpret_cast<LPARAM>(&Ctx));
  if (Ctx.Found) {
    const int H = WindowHeight(Ctx.Found);
    if (H >= 8 && H <= 128) {
      Found = Ctx.Found;
      return H;
    }
  }
  TClassSearchCtx Nth{L"Window"};
  Nth.WantedOrdinal = 8;
  EnumChildWindows(Main, FindByClass, reinterpret_cast<LPARAM>(&Nth));
  if (!Nth.Found) return 0;
  RECT Client{};
  GetClientRect(Nth.Found, &Client);
  int H = Client.bottom - Client.top;
  if (H < 1) H = WindowHeight(Nth.Found);
  if (H < 8 || H > 128) return 0;
  Found = Nth.Found;
  return H;
}
