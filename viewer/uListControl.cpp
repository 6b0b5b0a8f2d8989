#include "viewer/uListControl.h"

#include <algorithm>

#include "viewer/uHostIntegration.h"
#include "viewer/uLineRender.h"
#include "viewer/uListRows.h"
#include "viewer/uTrace.h"
#include "viewer/uViewerSync.h"
#include "toolkit/uWindowClass.h"
#include "viewer/uWrapView.h"

namespace {

constexpr int WheelRows = 3;  // rows the wrap view scrolls per notch of the wheel

TSkerrinState* StateOf(HWND Window) {
  return reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
}

bool Live(HWND Window) { return Window && IsWindow(Window); }

bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

void Click(TSkerrinState& S, WPARAM WParam, LPARAM LParam) {
  const int X = static_cast<short>(LOWORD(LParam)), Y = static_cast<short>(HIWORD(LParam));
  const int32_t Row = ClickRow(S, X, Y, (WParam & MK_SHIFT) != 0, (WParam & MK_CONTROL) != 0);
  // Double-clicks are told apart by the viewer itself: the wrap view's class asks for none.
  if (Row >= 0) NoteRowClick(S, Row, X, Y);
}

// Painting, erasing and clicks, which both controls leave entirely to the viewer.
bool PaintOrClick(TSkerrinState& S, HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, bool Wrapped) {
  switch (Msg) {
    case WM_PAINT: {
      TPaintScope Paint(Window);
      if (Paint.Get()) Wrapped ? PaintWrapView(S, Window, Paint.Get()) : PaintListbox(S, Window, Paint.Get());
      return true;
    }
    case WM_ERASEBKGND:
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Click(S, WParam, LParam);
      return true;
    default:
      return false;
  }
}

// The listbox's own handling, around the viewer's paging and arrow keys.
LRESULT ListboxMessage(TSkerrinState& S, HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam,
                       const TPreviousProc& Previous) {
  if (PaintOrClick(S, Window, Msg, WParam, LParam, false)) return Msg == WM_ERASEBKGND ? 1 : 0;
  if (Msg == WM_KEYDOWN && (WParam == VK_PRIOR || WParam == VK_NEXT)) {
    ListboxPageKey(S, static_cast<UINT>(WParam));
    return 0;
  }
  if (Msg == WM_KEYDOWN && (WParam == VK_UP || WParam == VK_DOWN)) {
    StepSelection(S, WParam == VK_UP ? -1 : 1);
    return 0;
  }
  const LRESULT Passed = Previous.Call(Window, Msg, WParam, LParam);
  // The listbox repaints changed items through owner-draw requests, which the viewer does not
  // answer: the whole page is painted here instead, after anything that can move or select.
  switch (Msg) {
    case WM_KEYDOWN:
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOUSEWHEEL:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (Msg != WM_MOUSEMOVE || (WParam & MK_LBUTTON)) InvalidateRect(Window, nullptr, FALSE);
      break;
    default:
      break;
  }
  return Passed;
}

}  // namespace

void CreateListControl(TSkerrinState& S) {
  const bool Wrap = S.Settings.WordWrap;
  const bool Horizontal = !S.Settings.WordWrap && S.Settings.HorzScrollbar;
  if (S.ListWindow && S.WrapViewActive == Wrap) {
    if (Wrap) return;
    const bool HasHorizontal = (GetWindowLongPtrW(S.ListWindow, GWL_STYLE) & WS_HSCROLL) != 0;
    if (HasHorizontal == Horizontal) return;
  }
  if (S.ListWindow) {
    S.Subclasses.Remove(S.ListWindow);
    SetWindowLongPtrW(S.ListWindow, GWLP_USERDATA, 0);
    DestroyWindow(S.ListWindow);
    S.ListWindow = nullptr;
  }
  RECT Client{};
  GetClientRect(S.Window, &Client);
  int Bottom = Client.bottom;
  if (Live(S.StatusBar)) {
    RECT Bar{};
    GetWindowRect(S.StatusBar, &Bar);
    MapWindowPoints(nullptr, S.Window, reinterpret_cast<POINT*>(&Bar), 2);
    if (Bar.bottom > Bar.top) Bottom = Bar.top - 1;
  }
  const int Top = S.Metrics.ToolbarHeight;
  DWORD Style;
  const wchar_t* Class;
  if (Wrap) {
    Class = WrapViewClassName;
    Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP;
  } else {
    Class = L"LISTBOX";
    Style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_NOINTEGRALHEIGHT |
            LBS_EXTENDEDSEL;
    if (Horizontal) Style |= WS_HSCROLL;
  }
  // The wrap view finds the record through its creation parameter before WM_CREATE returns.
  HWND List = CreateWindowExW(WS_EX_CLIENTEDGE, Class, L"", Style, 0, Top, Client.right, std::max(0, Bottom - Top),
                              S.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdList)), PluginInstance(), &S);
  TraceWindow("list after CreateWindowEx", List);
  if (!List) return;
  S.ListWindow = List;
  SetWindowLongPtrW(List, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
  S.Subclasses.Install(List, ListProc, TCallPath::Unicode);
  if (S.Fonts.Font) SendMessageW(List, WM_SETFONT, reinterpret_cast<WPARAM>(S.Fonts.Font.Get()), TRUE);
  S.WrapViewActive = Wrap;
  TWrapView& W = S.Wrap;
  W.WrapTop = 0;
  W.WrapCaret = -1;
  W.WrapAnchor = -1;
  std::fill(W.WrapSelection.begin(), W.WrapSelection.end(), 0);
  MoveWindow(List, 0, Top, Client.right, std::max(0, Bottom - Top), TRUE);
  TraceWindow("list after initial MoveWindow", List);
  if (Wrap) UpdateWrapScrollBar(S);
}

LRESULT CALLBACK WrapViewProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = StateOf(Window);
  if (!S || S->ListWindow != Window) return DefWindowProcW(Window, Msg, WParam, LParam);
  try {
    if (PaintOrClick(*S, Window, Msg, WParam, LParam, true)) return Msg == WM_ERASEBKGND ? 1 : 0;
    switch (Msg) {
      case WM_SIZE:
        InvalidateRowHeights(*S);
        UpdateWrapScrollBar(*S);
        InvalidateRect(Window, nullptr, FALSE);
        return 0;
      case WM_VSCROLL:
        WrapScroll(*S, LOWORD(WParam));
        return 0;
      case WM_MOUSEWHEEL: {
        const int Steps = static_cast<short>(HIWORD(WParam)) / WHEEL_DELTA;
        if (Steps) SetWrapTop(*S, S->Wrap.WrapTop - WheelRows * Steps);
        return 0;
      }
      case WM_KEYDOWN:
        WrapKey(*S, static_cast<UINT>(WParam));
        return 0;
      case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        InvalidateRect(Window, nullptr, FALSE);
        return 0;
      case LB_GETTOPINDEX:
        return S->Wrap.WrapTop;
      case LB_GETCARETINDEX:
        return S->Wrap.WrapCaret;
      default:
        break;
    }
  } catch (...) {
    return 0;
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

LRESULT CALLBACK ListProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = StateOf(Window);
  if (!S || S->ListWindow != Window) return PassOnFromStub(Window, ListProc, Msg, WParam, LParam);
  const TPreviousProc Previous = S->Subclasses.Previous(Window, ListProc);
  try {
    LRESULT Result = 0;
    if (ListKeyRouting(*S, Msg, WParam, LParam, Previous, Result)) return Result;
    if (!S->WrapViewActive) return ListboxMessage(*S, Window, Msg, WParam, LParam, Previous);
    if (Msg == WM_KEYDOWN && WParam == 'C' && CtrlHeld()) return 0;
  } catch (...) {
    return 0;
  }
  return Previous.Call(Window, Msg, WParam, LParam);
}
