#include "viewer/uWrapView.h"

#include <algorithm>

#include "viewer/uViewRows.h"
#include "viewer/uViewerMetrics.h"

namespace {

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

int32_t MaxWrapTop(const TSkerrinState& S) { return std::max(0, S.View.VisibleCount - RowsPerPage(S)); }

}  // namespace

void UpdateWrapScrollBar(TSkerrinState& S) {
  if (!S.ListWindow || !S.WrapViewActive) return;
  const int32_t Count = S.View.VisibleCount;
  S.Wrap.WrapTop = Count > 0 ? std::clamp(S.Wrap.WrapTop, 0, MaxWrapTop(S)) : 0;
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = 0;
  Info.nMax = Count > 0 ? Count - 1 : 0;
  Info.nPage = static_cast<UINT>(RowsPerPage(S));
  Info.nPos = S.Wrap.WrapTop;
  SetScrollInfo(S.ListWindow, SB_VERT, &Info, TRUE);
}

void SetWrapTop(TSkerrinState& S, int32_t Row) {
  const int32_t Old = S.Wrap.WrapTop;
  S.Wrap.WrapTop = std::clamp(Row, 0, MaxWrapTop(S));
  UpdateWrapScrollBar(S);
  if (S.Wrap.WrapTop != Old && S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void EnsureRowVisible(TSkerrinState& S, int32_t Row) {
  const int32_t P = RowsPerPage(S);
  const int32_t Top = S.Wrap.WrapTop;
  if (Row >= Top && Row <= Top + P - 1) {
    if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
  } else if (Row < Top) {
    SetWrapTop(S, Row);
  } else {
    SetWrapTop(S, Row - P + 1);
  }
}

void WrapScroll(TSkerrinState& S, int Code) {
  const int32_t P = RowsPerPage(S);
  const int32_t Top = S.Wrap.WrapTop;
  switch (Code) {
    case SB_LINEUP:
      SetWrapTop(S, Top - 1);
      break;
    case SB_LINEDOWN:
      SetWrapTop(S, Top + 1);
      break;
    case SB_PAGEUP:
      SetWrapTop(S, Top - P);
      break;
    case SB_PAGEDOWN:
      SetWrapTop(S, Top + P);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO Info{};
      Info.cbSize = sizeof(Info);
      Info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(S.ListWindow, SB_VERT, &Info)) SetWrapTop(S, Info.nTrackPos);
      break;
    }
    case SB_TOP:
      SetWrapTop(S, 0);
      break;
    case SB_BOTTOM:
      SetWrapTop(S, S.View.VisibleCount - 1);
      break;
    default:
      break;
  }
}

void WrapKey(TSkerrinState& S, UINT Key) {
  const int32_t Count = S.View.VisibleCount;
  if (Count <= 0 || Key < 33) return;
  TWrapView& W = S.Wrap;
  const int32_t P = RowsPerPage(S);
  int32_t Caret = W.WrapCaret < 0 ? 0 : W.WrapCaret;
  int32_t Top = W.WrapTop;
  const bool Ctrl = CtrlHeld();
  bool Paging = false;
  switch (Key) {
    case VK_PRIOR:
      Caret -= P, Top -= P, Paging = true;
      break;
    case VK_NEXT:
      Caret += P, Top += P, Paging = true;
      break;
    case VK_UP:
      --Caret;
      break;
    case VK_DOWN:
      ++Caret;
      break;
    case VK_END:  // with or without Ctrl; without it the selection follows the caret
      Caret = Count - 1;
      break;
    case VK_HOME:
      Caret = 0;
      break;
    default:
      return;
  }
  Caret = std::clamp(Caret, 0, Count - 1);
  if (ShiftHeld() && W.WrapAnchor >= 0) {
    ClearSelection(S);
    SelectRowRange(S, W.WrapAnchor, Caret);
  } else if (!Ctrl) {
    ClearSelection(S);
    SetRowSelected(S, Caret, true);
    W.WrapAnchor = Caret;
  }
  W.WrapCaret = Caret;
  if (Paging) SetWrapTop(S, Top);
  else EnsureRowVisible(S, Caret);
  RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
