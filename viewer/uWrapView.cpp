#include "viewer/uWrapView.h"

#include <algorithm>

#include "settings/uSettings.h"
#include "viewer/uHostIntegration.h"
#include "viewer/uLineRender.h"
#include "viewer/uViewState.h"

namespace {

TSkerrinState* StateOf(HWND Window) {
  return reinterpret_cast<TSkerrinState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
}

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

void RepaintNow(HWND Window) { RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

int32_t MaxWrapTop(const TSkerrinState& S) { return std::max(0, S.VisibleCount - WrapPageSize(S)); }

void SelectRange(TSkerrinState& S, int32_t A, int32_t B) {
  for (int32_t Row = std::min(A, B); Row <= std::max(A, B); ++Row) SetRowSelected(S, Row, true);
}

void OnWrapScroll(TSkerrinState& S, HWND View, int Code) {
  const int32_t P = WrapPageSize(S);
  switch (Code) {
    case SB_LINEUP: SetWrapTop(S, S.WrapTop - 1); break;
    case SB_LINEDOWN: SetWrapTop(S, S.WrapTop + 1); break;
    case SB_PAGEUP: SetWrapTop(S, S.WrapTop - P); break;
    case SB_PAGEDOWN: SetWrapTop(S, S.WrapTop + P); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO Info{};
      Info.cbSize = sizeof(Info);
      Info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(View, SB_VERT, &Info)) SetWrapTop(S, Info.nTrackPos);
      break;
    }
    case SB_TOP: SetWrapTop(S, 0); break;
    case SB_BOTTOM: SetWrapTop(S, S.VisibleCount - 1); break;
    default: break;
  }
}

bool IsListbox(const TSkerrinState& S) { return S.ListIsListbox && !S.WrapViewActive; }

}  // namespace

int32_t WrapPageSize(const TSkerrinState& S) {
  RECT Client{};
  if (S.ListWindow) GetClientRect(S.ListWindow, &Client);
  return std::max<int32_t>(1, Client.bottom / std::max<int32_t>(1, S.RowHeight));
}

void EnsureSelectionCapacity(TSkerrinState& S, int32_t N) {
  if (S.WrapSelectionCapacity >= N) return;
  S.WrapSelectionCapacity = std::max(S.WrapSelectionCapacity + 4096, N);
  S.WrapSelection.resize(static_cast<size_t>(S.WrapSelectionCapacity), 0);
}

void ClearSelection(TSkerrinState& S) { std::fill(S.WrapSelection.begin(), S.WrapSelection.end(), 0); }

bool IsRowSelected(const TSkerrinState& S, int32_t Row) {
  return Row >= 0 && Row < S.VisibleCount && static_cast<size_t>(Row) < S.WrapSelection.size() &&
         S.WrapSelection[static_cast<size_t>(Row)] != 0;
}

void SetRowSelected(TSkerrinState& S, int32_t Row, bool Selected) {
  if (Row < 0 || Row >= S.VisibleCount) return;
  EnsureSelectionCapacity(S, Row + 1);
  S.WrapSelection[static_cast<size_t>(Row)] = Selected ? 1 : 0;
}

void UpdateWrapScrollBar(TSkerrinState& S) {
  if (!S.ListWindow || !S.WrapViewActive) return;
  S.WrapTop = S.VisibleCount > 0 ? std::clamp(S.WrapTop, 0, MaxWrapTop(S)) : 0;
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = 0;
  Info.nMax = S.VisibleCount > 0 ? S.VisibleCount - 1 : 0;
  Info.nPage = static_cast<UINT>(WrapPageSize(S));
  Info.nPos = S.WrapTop;
  SetScrollInfo(S.ListWindow, SB_VERT, &Info, TRUE);
}

void SetWrapTop(TSkerrinState& S, int32_t Row) {
  const int32_t Old = S.WrapTop;
  S.WrapTop = std::clamp(Row, 0, MaxWrapTop(S));
  UpdateWrapScrollBar(S);
  if (S.WrapTop != Old && S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void EnsureRowVisible(TSkerrinState& S, int32_t Row) {
  const int32_t P = WrapPageSize(S);
  if (Row >= S.WrapTop && Row <= S.WrapTop + P - 1) {
    if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
  } else if (Row < S.WrapTop) {
    SetWrapTop(S, Row);
  } else {
    SetWrapTop(S, Row - P + 1);
  }
}

void RefreshListCount(TSkerrinState& S) {
  if (!S.ListWindow) return;
  if (S.WrapViewActive) {
    EnsureSelectionCapacity(S, S.VisibleCount);
    if (S.VisibleCount > 0) {
      S.WrapCaret = std::clamp(S.WrapCaret, 0, S.VisibleCount - 1);
      if (S.WrapAnchor < 0 || S.WrapAnchor >= S.VisibleCount) S.WrapAnchor = S.WrapCaret;
      if (!IsRowSelected(S, S.WrapCaret)) {
        ClearSelection(S);
        SetRowSelected(S, S.WrapCaret, true);
      }
      S.WrapTop = std::clamp(S.WrapTop, 0, MaxWrapTop(S));
    } else {
      S.WrapTop = 0;
      S.WrapCaret = -1;
      S.WrapAnchor = -1;
      ClearSelection(S);
    }
    InvalidateRowHeights(S);
    UpdateWrapScrollBar(S);
  } else {
    SendMessageW(S.ListWindow, LB_SETCOUNT, static_cast<WPARAM>(S.VisibleCount), 0);
    if (AppSettings.WordWrap) InvalidateRowHeights(S);
    else if (S.VisibleCount > 0) SendMessageW(S.ListWindow, LB_SETITEMHEIGHT, 0, S.RowHeight);
  }
  InvalidateRect(S.ListWindow, nullptr, TRUE);
}

void SelectAll(TSkerrinState& S) {
  if (!S.ListWindow) return;
  if (S.WrapViewActive) {
    EnsureSelectionCapacity(S, S.VisibleCount);
    for (int32_t Row = 0; Row < S.VisibleCount; ++Row) S.WrapSelection[static_cast<size_t>(Row)] = 1;
    if (S.WrapCaret < 0 && S.VisibleCount > 0) S.WrapCaret = 0;
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  } else if (S.VisibleCount > 0) {
    SendMessageW(S.ListWindow, LB_SELITEMRANGEEX, 0, S.VisibleCount - 1);
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  }
}

int32_t HitTestRow(TSkerrinState& S, int Y) {
  if (!S.ListWindow || S.VisibleCount <= 0) return -1;
  RECT Client{};
  GetClientRect(S.ListWindow, &Client);
  const TPageLayout Page = ComputePageLayout(S, Client.bottom);
  int Top = Page.FirstY;
  for (int32_t Row = Page.FirstRow; Row < S.VisibleCount && Top <= Y; ++Row) {
    const int Height = S.WrapViewActive ? MeasureRow(S, Row) : S.RowHeight;
    if (Y >= Top && Y < Top + Height) return Row;
    Top += Height;
    if (Top >= Client.bottom && Y >= Client.bottom) break;
  }
  return -1;
}

void ClickRow(TSkerrinState& S, int, int Y, bool Shift, bool Ctrl) {
  const int32_t R = HitTestRow(S, Y);
  if (R < 0) return;
  if (S.WrapViewActive) {
    SetFocus(S.ListWindow);
    if (Shift && S.WrapAnchor >= 0) {
      ClearSelection(S);
      SelectRange(S, S.WrapAnchor, R);
      S.WrapCaret = R;
    } else if (Ctrl) {
      SetRowSelected(S, R, !IsRowSelected(S, R));
      S.WrapCaret = S.WrapAnchor = R;
    } else {
      ClearSelection(S);
      SetRowSelected(S, R, true);
      S.WrapCaret = S.WrapAnchor = R;
    }
    EnsureRowVisible(S, S.WrapCaret);
    RepaintNow(S.ListWindow);
    return;
  }
  int32_t Current = CurrentRow(S);
  if (Current < 0) Current = R;
  const auto Top = SendMessageW(S.ListWindow, LB_GETTOPINDEX, 0, 0);
  {
    TRedrawSuspension Suspended(S.ListWindow);
    if (Shift) {
      SendMessageW(S.ListWindow, LB_SETSEL, FALSE, -1);
      SendMessageW(S.ListWindow, LB_SELITEMRANGEEX, std::min(Current, R), std::max(Current, R));
    } else if (Ctrl) {
      const bool Was = SendMessageW(S.ListWindow, LB_GETSEL, R, 0) > 0;
      SendMessageW(S.ListWindow, LB_SETSEL, Was ? FALSE : TRUE, R);
    } else {
      SendMessageW(S.ListWindow, LB_SETSEL, FALSE, -1);
      SendMessageW(S.ListWindow, LB_SETSEL, TRUE, R);
    }
    SendMessageW(S.ListWindow, LB_SETCARETINDEX, R, TRUE);
    SendMessageW(S.ListWindow, LB_SETTOPINDEX, Top, 0);
    if (GetFocus() != S.ListWindow) SetFocus(S.ListWindow);
  }
  RepaintNow(S.ListWindow);
}

void WrapKey(TSkerrinState& S, UINT Key) {
  if (S.VisibleCount <= 0 || Key < 33) return;
  const int32_t P = WrapPageSize(S);
  int32_t Caret = S.WrapCaret < 0 ? 0 : S.WrapCaret;
  int32_t Top = S.WrapTop;
  const bool Ctrl = CtrlHeld();
  bool Paging = false;
  switch (Key) {
    case VK_PRIOR: Caret -= P, Top -= P, Paging = true; break;
    case VK_NEXT: Caret += P, Top += P, Paging = true; break;
    case VK_UP: --Caret; break;
    case VK_DOWN: ++Caret; break;
    case VK_END:  // with or without Ctrl; without it the selection follows the caret
      Caret = S.VisibleCount - 1;
      break;
    case VK_HOME: Caret = 0; break;
    default: return;
  }
  Caret = std::clamp(Caret, 0, S.VisibleCount - 1);
  if (ShiftHeld() && S.WrapAnchor >= 0) {
    ClearSelection(S);
    SelectRange(S, S.WrapAnchor, Caret);
  } else if (!Ctrl) {
    ClearSelection(S);
    SetRowSelected(S, Caret, true);
    S.WrapAnchor = Caret;
  }
  S.WrapCaret = Caret;
  if (Paging) SetWrapTop(S, Top);
  else EnsureRowVisible(S, Caret);
  RepaintNow(S.ListWindow);
}

void ListboxPageKey(TSkerrinState& S, UINT Key) {
  const int32_t P = WrapPageSize(S);
  int32_t Top = std::max<int32_t>(0, static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETTOPINDEX, 0, 0)));
  int32_t Current = CurrentRow(S);
  if (Current < 0) Current = Top;
  const int32_t Step = Key == VK_PRIOR ? -P : P;
  Top = std::clamp(Top + Step, 0, std::max(0, S.VisibleCount - P));
  Current = std::clamp(Current + Step, 0, std::max(0, S.VisibleCount - 1));
  if (S.VisibleCount <= 0) return;
  {
    TRedrawSuspension Suspended(S.ListWindow);
    SendMessageW(S.ListWindow, LB_SETSEL, FALSE, -1);
    SendMessageW(S.ListWindow, LB_SETSEL, TRUE, Current);
    SendMessageW(S.ListWindow, LB_SETCARETINDEX, Current, TRUE);
    SendMessageW(S.ListWindow, LB_SETTOPINDEX, Top, 0);
  }
  RepaintNow(S.ListWindow);
}

LRESULT CALLBACK WrapViewProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TSkerrinState* S = StateOf(Window);
  if (!S || S->ListWindow != Window) return DefWindowProcW(Window, Msg, WParam, LParam);
  try {
    switch (Msg) {
      case WM_PAINT: {
        TPaintScope Paint(Window);
        if (Paint.Get()) PaintWrapView(*S, Window, Paint.Get());
        return 0;
      }
      case WM_ERASEBKGND:
        return 1;
      case WM_SIZE:
        InvalidateRowHeights(*S);
        UpdateWrapScrollBar(*S);
        InvalidateRect(Window, nullptr, FALSE);
        return 0;
      case WM_VSCROLL:
        OnWrapScroll(*S, Window, LOWORD(WParam));
        return 0;
      case WM_MOUSEWHEEL: {
        const int Steps = static_cast<short>(HIWORD(WParam)) / WHEEL_DELTA;
        if (Steps) SetWrapTop(*S, S->WrapTop - 3 * Steps);
        return 0;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        ClickRow(*S, static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)),
                 (WParam & MK_SHIFT) != 0, (WParam & MK_CONTROL) != 0);
        return 0;
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
        return S->WrapTop;
      case LB_GETCARETINDEX:
        return S->WrapCaret;
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
  if (!S || S->ListWindow != Window) return DefWindowProcW(Window, Msg, WParam, LParam);
  try {
    LRESULT Result = 0;
    if (ListKeyRouting(*S, Window, Msg, WParam, LParam, &S->ListPrevProc, Result)) return Result;
    if (IsListbox(*S)) {
      switch (Msg) {
        case WM_PAINT: {
          TPaintScope Paint(Window);
          if (Paint.Get()) PaintListbox(*S, Window, Paint.Get());
          return 0;
        }
        case WM_ERASEBKGND:
          return 1;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
          ClickRow(*S, static_cast<short>(LOWORD(LParam)), static_cast<short>(HIWORD(LParam)),
                   (WParam & MK_SHIFT) != 0, (WParam & MK_CONTROL) != 0);
          return 0;
        case WM_KEYDOWN:
          if (WParam == VK_PRIOR || WParam == VK_NEXT) {
            ListboxPageKey(*S, static_cast<UINT>(WParam));
            return 0;
          }
          if (WParam == VK_UP || WParam == VK_DOWN) {
            StepSelection(*S, WParam == VK_UP ? -1 : 1);
            return 0;
          }
          break;
        default:
          break;
      }
      const LRESULT Passed = S->ListPrevProc.CallPrevious(Window, Msg, WParam, LParam);
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
    if (Msg == WM_KEYDOWN && WParam == 'C' && CtrlHeld()) return 0;
  } catch (...) {
    return 0;
  }
  return S->ListPrevProc.CallPrevious(Window, Msg, WParam, LParam);
}
