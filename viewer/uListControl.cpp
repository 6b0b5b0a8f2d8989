#include "viewer/uListControl.h"

#include <algorithm>

#include "toolkit/uWindowClass.h"
#include "viewer/uHostIntegration.h"
#include "viewer/uLineRender.h"
#include "viewer/uListRows.h"
#include "viewer/uListboxRows.h"
#include "viewer/uTrace.h"
#include "viewer/uViewState.h"
#include "viewer/uViewerSync.h"
#include "viewer/uWrapView.h"

namespace {

bool Live(HWND Window) { return Window && IsWindow(Window); }

// The record of the viewer whose list control Window is now; null for a control on its way out
// (or not yet in), whose messages go to the default handling.
TSkerrinState* ListStateOf(HWND Window) {
  auto* S = reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
  return S && S->ListWindow == Window && S->Rows ? S : nullptr;
}

// The rows object made with the control, of the kind that only that control's messages reach.
TWrapView& WrapViewOf(TSkerrinState& S) { return static_cast<TWrapView&>(*S.Rows); }
TListboxRows& ListboxOf(TSkerrinState& S) { return static_cast<TListboxRows&>(*S.Rows); }

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
      if (Paint.Get()) PaintRows(S, Window, Paint.Get(), Wrapped);
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
    ListboxOf(S).PageKey(static_cast<UINT>(WParam));
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

// The subclass of either control: the keys that belong elsewhere, then the listbox's handling
// or the wrap view's own procedure.
LRESULT CALLBACK ListProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = ListStateOf(Window);
  if (!S) return PassOnFromStub(Window, ListProc, Msg, WParam, LParam);
  const TPreviousProc Previous = S->Subclasses.Previous(Window, ListProc);
  try {
    LRESULT Result = 0;
    if (ListKeyRouting(*S, Msg, WParam, LParam, Previous, Result)) return Result;
    if (!S->Rows->WrapsLines()) return ListboxMessage(*S, Window, Msg, WParam, LParam, Previous);
  } catch (...) {
    return 0;
  }
  return Previous.Call(Window, Msg, WParam, LParam);
}

}  // namespace

void CreateListControl(TSkerrinState& S) {
  const bool Wrap = S.Settings.WordWrap;
  const bool Horizontal = !Wrap && S.Settings.HorzScrollbar;
  if (S.Rows && S.Rows->WrapsLines() == Wrap && (Wrap || ListboxOf(S).Horizontal() == Horizontal)) return;
  // A control that replaces another shows the same rows, with the same lines selected and on top.
  const bool Replacing = S.Rows != nullptr;
  const TViewPlace Place = Replacing ? NoteViewPlace(S) : TViewPlace{};
  if (S.ListWindow) {
    S.Subclasses.Remove(S.ListWindow);
    SetWindowLongPtrW(S.ListWindow, GWLP_USERDATA, 0);
    DestroyWindow(S.ListWindow);
    S.ListWindow = nullptr;
  }
  S.Rows.reset();
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
  HWND List = CreateWindowExW(WS_EX_CLIENTEDGE, Class, L"", Style, 0, Top, Client.right, std::max(0, Bottom - Top),
                              S.Window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IdList)), PluginInstance(), &S);
  TraceWindow("list after CreateWindowEx", List);
  if (!List) return;
  S.ListWindow = List;
  if (Wrap) S.Rows = std::make_unique<TWrapView>(S);
  else S.Rows = std::make_unique<TListboxRows>(S, Horizontal);
  SetWindowLongPtrW(List, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&S));
  S.Subclasses.Install(List, ListProc, TCallPath::Unicode);
  if (S.Fonts.Font) SendMessageW(List, WM_SETFONT, reinterpret_cast<WPARAM>(S.Fonts.Font.Get()), TRUE);
  MoveWindow(List, 0, Top, Client.right, std::max(0, Bottom - Top), TRUE);
  TraceWindow("list after initial MoveWindow", List);
  S.Rows->LayoutChanged();
  if (!Replacing) return;
  RefreshListCount(S);
  UpdateRowMetrics(S);
  RestoreViewPlace(S, Place);
}

LRESULT CALLBACK WrapViewProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = ListStateOf(Window);
  if (!S) return DefWindowProcW(Window, Msg, WParam, LParam);
  try {
    if (PaintOrClick(*S, Window, Msg, WParam, LParam, true)) return Msg == WM_ERASEBKGND ? 1 : 0;
    TWrapView& View = WrapViewOf(*S);
    switch (Msg) {
      case WM_SIZE:
        View.LayoutChanged();
        return 0;
      case WM_SETREDRAW: {
        const LRESULT Result = DefWindowProcW(Window, Msg, WParam, LParam);
        View.SetDrawing(WParam != FALSE);
        return Result;
      }
      case WM_VSCROLL:
        View.Scroll(LOWORD(WParam));
        return 0;
      case WM_MOUSEWHEEL:
        View.Wheel(static_cast<short>(HIWORD(WParam)) / WHEEL_DELTA);
        return 0;
      case WM_KEYDOWN:
        View.Key(static_cast<UINT>(WParam));
        return 0;
      case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        InvalidateRect(Window, nullptr, FALSE);
        return 0;
      default: {
        LRESULT Result = 0;
        if (View.AnswerListboxMessage(Msg, WParam, LParam, Result)) return Result;
        break;
      }
    }
  } catch (...) {
    return 0;
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}
