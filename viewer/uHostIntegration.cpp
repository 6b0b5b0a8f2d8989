#include "viewer/uHostIntegration.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

#include "viewer/uClipboard.h"
#include "viewer/uHostWindow.h"
#include "viewer/uListRows.h"
#include "viewer/uNavigate.h"
#include "viewer/uToolbarPaint.h"
#include "viewer/uViewerLook.h"

namespace {

const TSubclassProps ParentProps{ParentStateProp};
const TSubclassProps KeyProps{EscStateProp, EscPrevProcProp, EscUnicodeProp};
const TSubclassProps LookProps{LookStateProp, LookPrevProcProp};

constexpr long ContextLimit = 9999;

bool Live(HWND Window) { return Window && IsWindow(Window); }

bool IsEscape(UINT Msg, WPARAM WParam) {
  return ((Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN) && WParam == VK_ESCAPE) || (Msg == WM_CHAR && WParam == 27);
}

void PostEscapeToHost(const TSkerrinState& S, LPARAM KeyData) {
  const HWND Root = HostRootWindow(S.ParentWindow);
  if (!Root) return;
  PostMessageW(Root, WM_KEYDOWN, VK_ESCAPE, KeyData);
  PostMessageW(Root, WM_KEYUP, VK_ESCAPE, KeyData);
}

bool IsToolbarCheckBox(const TSkerrinState& S, HWND Window) {
  const TToolbarControls& B = S.Bar;
  return Window && (Window == B.TailBox || Window == B.FollowBox || Window == B.LineNumBox || Window == B.SyncBox);
}

bool FocusIn(HWND Control) { return Control && GetFocus() == Control; }

TSkerrinState* RecordOf(HWND Window, const TSubclassProps& Props) {
  return static_cast<TSkerrinState*>(PublishedRecord(Window, Props));
}

// The platform's check box draws itself straight away on these, outside any paint message; a
// paint of our own follows so that the light look's box stays.
bool RedrawsCheckBox(UINT Msg) {
  switch (Msg) {
    case BM_SETCHECK:
    case BM_SETSTATE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_MOUSEMOVE:
    case WM_KEYUP:
      return true;
    default:
      return false;
  }
}

// The context box's number after Steps notches of the wheel: its text read as a decimal
// integer (0 when it is not one), moved and kept within the box's range.
long SteppedContextNumber(HWND LookEdit, int Steps) {
  wchar_t Text[32] = L"";
  GetWindowTextW(LookEdit, Text, 32);
  wchar_t* End = nullptr;
  long Value = std::wcstol(Text, &End, 10);
  const wchar_t* Rest = End;
  while (Rest && *Rest && std::iswspace(*Rest)) ++Rest;
  if (End == Text || (Rest && *Rest)) Value = 0;
  return std::clamp<long>(Value + Steps, -ContextLimit, ContextLimit);
}

}  // namespace

void InstallParentSubclass(TSkerrinState& S) {
  if (!Live(S.ParentWindow)) return;
  // The host can open a second viewer in the same lister window (a new load after a failed
  // reload). One subclass serves both: stacked on itself, the procedure would find its own
  // record's previous procedure to be itself and call itself without end.
  if (PublishedRecord(S.ParentWindow, ParentProps)) return;
  // The host's lister window is an ANSI window as far as we know; its messages are passed on
  // through the ANSI path so that nothing is translated on the way.
  S.Subclasses.Install(S.ParentWindow, ParentProc, TCallPath::Ansi, &S, &ParentProps);
}

void RemoveViewerSubclasses(TSkerrinState& S) {
  const HWND Parent = S.ParentWindow;
  const bool HeldParent = Live(Parent) && PublishedRecord(Parent, ParentProps) == &S;
  S.Subclasses.RemoveAll();
  if (!HeldParent) return;
  // Another viewer still in the lister window takes the parent's subclass over.
  for (HWND Child = GetWindow(Parent, GW_CHILD); Child; Child = GetWindow(Child, GW_HWNDNEXT)) {
    TSkerrinState* Other = StateFromWindow(Child);
    if (Other && Other != &S && Other->InListerWindow && Other->ParentWindow == Parent) {
      InstallParentSubclass(*Other);
      return;
    }
  }
}

LRESULT CALLBACK ParentProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = RecordOf(Window, ParentProps);
  if (!S) return PassOnFromStub(Window, ParentProc, Msg, WParam, LParam);
  if (S->InListerWindow && !S->Settings.CloseOnEscInLister &&
      (IsEscape(Msg, WParam) || (Msg == WM_COMMAND && LOWORD(WParam) == IDCANCEL)))
    return 0;
  return S->Subclasses.Previous(Window, ParentProc).Call(Window, Msg, WParam, LParam);
}

bool InstallKeySubclass(TSkerrinState& S, HWND Window) {
  if (!Window || !IsWindow(Window)) return false;
  const TCallPath Path = IsWindowUnicode(Window) ? TCallPath::Unicode : TCallPath::Ansi;
  return S.Subclasses.Install(Window, KeySubclassProc, Path, &S, &KeyProps);
}

void InstallToolbarSubclasses(TSkerrinState& S) {
  const TToolbarControls& B = S.Bar;
  // The up-down takes no keys, but through this subclass it paints itself in the dark look.
  for (HWND Window : {B.PrevErrorButton, B.NextErrorButton, B.PrevWarnButton, B.NextWarnButton, B.PrevInfoButton,
                      B.NextInfoButton, B.TailBox, B.FollowBox, B.LineNumBox, B.SyncBox, B.OptionsButton, B.FormatCombo,
                      B.MoreButton, B.FilterEdit, B.LookEdit, B.LookUpDown})
    InstallKeySubclass(S, Window);
  // Installed after its key subclass, so the wheel is handled first.
  if (Live(B.LookEdit)) S.Subclasses.Install(B.LookEdit, LookSubclassProc, TCallPath::Unicode, &S, &LookProps);
  InstallKeySubclass(S, B.ClearFilterButton);
}

LRESULT CALLBACK KeySubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = RecordOf(Window, KeyProps);
  if (!S) return PassOnFromStub(Window, KeySubclassProc, Msg, WParam, LParam);
  const TPreviousProc Previous = PublishedPrevious(Window, KeyProps);
  try {
    const bool Dark = ViewerIsDark(*S);
    if (!Dark && Msg == WM_PAINT && IsToolbarCheckBox(*S, Window)) {
      PaintCheckBox(*S, Window);
      return 0;
    }
    if (Dark && Window == S->Bar.LookUpDown) {
      if (Msg == WM_ERASEBKGND) return 1;
      if (Msg == WM_PAINT) {
        PaintUpDownDark(*S, Window);
        return 0;
      }
    }
    if (S->InListerWindow && IsEscape(Msg, WParam)) {
      if (Window == S->Bar.FilterEdit) SetFocus(Live(S->ListWindow) ? S->ListWindow : S->Window);
      else if (S->Settings.CloseOnEscInLister) PostEscapeToHost(*S, LParam);
      return 0;
    }
  } catch (...) {
  }
  const LRESULT Result = Previous.Call(Window, Msg, WParam, LParam);
  // The call may have torn the viewer down (the viewer window's own destruction passes here):
  // only a record still attached to the window may be used.
  S = RecordOf(Window, KeyProps);
  if (!S) return Result;
  if (!ViewerIsDark(*S) && IsToolbarCheckBox(*S, Window) && RedrawsCheckBox(Msg))
    InvalidateRect(Window, nullptr, FALSE);
  if (Window == S->Bar.FormatCombo &&
      (Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS || Msg == WM_PAINT || Msg == WM_NCPAINT))
    PaintEditFrame(*S, Window, true);
  return Result;
}

LRESULT CALLBACK LookSubclassProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = RecordOf(Window, LookProps);
  if (!S) return PassOnFromStub(Window, LookSubclassProc, Msg, WParam, LParam);
  if (Msg == WM_MOUSEWHEEL) {
    const int Steps = static_cast<short>(HIWORD(WParam)) / WHEEL_DELTA;
    if (Steps != 0 && S->Bar.LookEdit) {
      SetWindowTextW(S->Bar.LookEdit, std::to_wstring(SteppedContextNumber(S->Bar.LookEdit, Steps)).c_str());
      SetTimer(S->Window, FilterTimerId, FilterDebounceMs, nullptr);
    }
    return 0;
  }
  const LRESULT Result = PublishedPrevious(Window, LookProps).Call(Window, Msg, WParam, LParam);
  S = RecordOf(Window, LookProps);
  if (S && (Msg == WM_SETFOCUS || Msg == WM_KILLFOCUS || Msg == WM_NCPAINT)) PaintEditFrame(*S, Window, false);
  return Result;
}

bool ViewerWindowKeys(TSkerrinState& S, UINT Msg, WPARAM WParam, LRESULT& Result) {
  if ((Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN) && (WParam == VK_UP || WParam == VK_DOWN) &&
      !FocusIn(S.Bar.FilterEdit) && !FocusIn(S.Bar.LookEdit) && S.View.VisibleCount > 0) {
    StepSelection(S, WParam == VK_UP ? -1 : 1);
    Result = 0;
    return true;
  }
  if (IsEscape(Msg, WParam) && S.InListerWindow && !S.Settings.CloseOnEscInLister) {
    Result = 0;
    return true;
  }
  return false;
}

bool ListKeyRouting(TSkerrinState& S, UINT Msg, WPARAM WParam, LPARAM LParam, const TPreviousProc& Previous,
                    LRESULT& Result) {
  const bool KeyDown = Msg == WM_KEYDOWN || Msg == WM_SYSKEYDOWN;
  const bool Ctrl = GetKeyState(VK_CONTROL) < 0;
  const HWND Root = HostRootWindow(S.ParentWindow);
  Result = 0;
  if (KeyDown && WParam == 'C' && Ctrl) {
    CopySelection(S);
    return true;
  }
  if (KeyDown && WParam == VK_F3 && !S.Search.LastSearchText.empty()) {
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
    const LRESULT Base = Previous.Proc ? Previous.Call(S.ListWindow, Msg, WParam, LParam) : 0;
    Result = (S.InListerWindow && !S.Settings.CloseOnEscInLister) ? (Base | DLGC_WANTALLKEYS) : Base;
    return true;
  }
  if (IsEscape(Msg, WParam) && S.InListerWindow) {
    if (S.Settings.CloseOnEscInLister) PostEscapeToHost(S, LParam);
    return true;
  }
  return false;
}
