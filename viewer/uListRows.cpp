#include "viewer/uListRows.h"

#include <algorithm>

#include "viewer/uLineRender.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewerMetrics.h"
#include "viewer/uWrapView.h"

namespace {

bool HasFocus(HWND Control) { return Control && GetFocus() == Control; }

void RepaintNow(HWND Window) { RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

int32_t FirstSelectedListboxRow(const TSkerrinState& S) {
  int First = -1;
  if (SendMessageW(S.ListWindow, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&First)) == 1) return First;
  return -1;
}

// Row alone selected in the listbox and made the caret, scrolled into view wholly or, with
// PartlyVisible, only as far as needed.
void SelectOnlyListboxRow(HWND List, int32_t Row, BOOL PartlyVisible) {
  SendMessageW(List, LB_SETSEL, FALSE, -1);
  SendMessageW(List, LB_SETSEL, TRUE, Row);
  SendMessageW(List, LB_SETCARETINDEX, Row, PartlyVisible);
}

void ClickWrapRow(TSkerrinState& S, int32_t R, bool Shift, bool Ctrl) {
  TWrapView& W = S.Wrap;
  SetFocus(S.ListWindow);
  if (Shift && W.WrapAnchor >= 0) {
    ClearSelection(S);
    SelectRowRange(S, W.WrapAnchor, R);
    W.WrapCaret = R;
  } else if (Ctrl) {
    SetRowSelected(S, R, !IsRowSelected(S, R));
    W.WrapCaret = W.WrapAnchor = R;
  } else {
    ClearSelection(S);
    SetRowSelected(S, R, true);
    W.WrapCaret = W.WrapAnchor = R;
  }
  EnsureRowVisible(S, W.WrapCaret);
  RepaintNow(S.ListWindow);
}

}  // namespace

void RefreshListCount(TSkerrinState& S) {
  if (!S.ListWindow) return;
  const int32_t Count = S.View.VisibleCount;
  if (S.WrapViewActive) {
    TWrapView& W = S.Wrap;
    EnsureSelectionCapacity(S, Count);
    if (Count > 0) {
      W.WrapCaret = std::clamp(W.WrapCaret, 0, Count - 1);
      if (W.WrapAnchor < 0 || W.WrapAnchor >= Count) W.WrapAnchor = W.WrapCaret;
      if (!IsRowSelected(S, W.WrapCaret)) {
        ClearSelection(S);
        SetRowSelected(S, W.WrapCaret, true);
      }
      W.WrapTop = std::clamp(W.WrapTop, 0, std::max(0, Count - RowsPerPage(S)));
    } else {
      W.WrapTop = 0;
      W.WrapCaret = -1;
      W.WrapAnchor = -1;
      ClearSelection(S);
    }
    InvalidateRowHeights(S);
    UpdateWrapScrollBar(S);
  } else {
    SendMessageW(S.ListWindow, LB_SETCOUNT, static_cast<WPARAM>(Count), 0);
    if (S.Settings.WordWrap) InvalidateRowHeights(S);
    else if (Count > 0) SendMessageW(S.ListWindow, LB_SETITEMHEIGHT, 0, S.Metrics.RowHeight);
  }
  InvalidateRect(S.ListWindow, nullptr, TRUE);
}

void UpdateRowMetrics(TSkerrinState& S) {
  TViewerMetrics& M = S.Metrics;
  const int OldRow = M.RowHeight, OldChar = M.CharWidth;
  HWND Target = S.ListWindow ? S.ListWindow : S.Window;
  if (Target && S.Fonts.Font) {
    TWindowDC DC(Target);
    if (DC.Get()) {
      TSelectScope Select(DC.Get(), S.Fonts.Font.Get());
      TEXTMETRICW Text{};
      if (GetTextMetricsW(DC.Get(), &Text)) {
        M.RowHeight = Text.tmHeight > 9 ? Text.tmHeight + 4 : 14;
        M.CharWidth = Text.tmAveCharWidth > 5 ? Text.tmAveCharWidth : 6;
      }
    }
  }
  if (!S.ListWindow) return;
  if (!S.WrapViewActive) {
    SendMessageW(S.ListWindow, LB_SETITEMHEIGHT, 0, M.RowHeight);
    const int32_t Longest = std::max(S.View.LongestLine, S.Log ? S.Log->MaxLineLength : 0);
    const WPARAM Extent =
        S.Settings.HorzScrollbar
            ? static_cast<WPARAM>((static_cast<int64_t>(Longest) + LineNumberDigits(S) + 4) * M.CharWidth)
            : 0;
    SendMessageW(S.ListWindow, LB_SETHORIZONTALEXTENT, Extent, 0);
    if (OldRow != M.RowHeight || OldChar != M.CharWidth) InvalidateRowHeights(S);
  } else {
    InvalidateRowHeights(S);
    UpdateWrapScrollBar(S);
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  }
}

int32_t CurrentRow(const TSkerrinState& S) {
  const int32_t Count = S.View.VisibleCount;
  if (!S.ListWindow || Count <= 0) return -1;
  if (S.WrapViewActive) {
    const TWrapView& W = S.Wrap;
    if (W.WrapCaret >= 0 && W.WrapCaret < Count) return W.WrapCaret;
    for (int32_t Row = 0; Row < Count && Row < static_cast<int32_t>(W.WrapSelection.size()); ++Row)
      if (W.WrapSelection[static_cast<size_t>(Row)]) return Row;
    return -1;
  }
  // The caret counts even with nothing selected: the host's copy and the search act on the row
  // the user last moved to.
  const auto Caret = static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETCARETINDEX, 0, 0));
  if (Caret >= 0 && Caret < Count) return Caret;
  const int32_t First = FirstSelectedListboxRow(S);
  if (First >= 0 && First < Count) return First;
  return -1;
}

void SelectRow(TSkerrinState& S, int32_t Row, bool ScrollToTop, bool Redraw, bool TakeFocus) {
  if (!S.ListWindow || Row < 0 || Row >= S.View.VisibleCount) return;
  if (HasFocus(S.Bar.FilterEdit) || HasFocus(S.Bar.LookEdit)) TakeFocus = false;
  if (S.WrapViewActive) {
    ClearSelection(S);
    SetRowSelected(S, Row, true);
    S.Wrap.WrapCaret = Row;
    S.Wrap.WrapAnchor = Row;
    if (ScrollToTop) SetWrapTop(S, Row);
    else EnsureRowVisible(S, Row);
  } else {
    TRedrawSuspension Suspended(S.ListWindow);
    SelectOnlyListboxRow(S.ListWindow, Row, FALSE);
    if (ScrollToTop) SendMessageW(S.ListWindow, LB_SETTOPINDEX, Row, 0);
  }
  if (TakeFocus) SetFocus(S.ListWindow);
  if (Redraw) RepaintNow(S.ListWindow);
}

void CentreRow(TSkerrinState& S, int32_t Row) {
  const int32_t P = RowsPerPage(S);
  SetTopRow(S, std::min(std::max(0, S.View.VisibleCount - P), std::max(0, Row - P / 2)));
}

int32_t GetTopRow(const TSkerrinState& S) {
  if (!S.ListWindow) return 0;
  if (S.WrapViewActive) return S.Wrap.WrapTop;
  return std::max<int32_t>(0, static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETTOPINDEX, 0, 0)));
}

void SetTopRow(TSkerrinState& S, int32_t Row) {
  if (!S.ListWindow) return;
  if (S.WrapViewActive) SetWrapTop(S, Row);
  else SendMessageW(S.ListWindow, LB_SETTOPINDEX, std::max(0, Row), 0);
}

void StepSelection(TSkerrinState& S, int Delta) {
  if (S.View.VisibleCount <= 0) return;
  int32_t Row = CurrentRow(S);
  if (Row < 0) Row = 0;
  Row = std::clamp<int32_t>(Row + Delta, 0, S.View.VisibleCount - 1);
  SelectRow(S, Row, false, true, false);
}

std::vector<int32_t> SelectedRows(const TSkerrinState& S) {
  std::vector<int32_t> Rows;
  if (!S.ListWindow || S.View.VisibleCount <= 0) return Rows;
  if (S.WrapViewActive) {
    const std::vector<uint8_t>& Flags = S.Wrap.WrapSelection;
    const int32_t End = std::min<int32_t>(S.View.VisibleCount, static_cast<int32_t>(Flags.size()));
    for (int32_t Row = 0; Row < End; ++Row)
      if (Flags[static_cast<size_t>(Row)]) Rows.push_back(Row);
    return Rows;
  }
  const auto Count = static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETSELCOUNT, 0, 0));
  if (Count <= 0) return Rows;
  Rows.resize(static_cast<size_t>(Count));
  const auto Got = static_cast<int32_t>(
      SendMessageW(S.ListWindow, LB_GETSELITEMS, static_cast<WPARAM>(Count), reinterpret_cast<LPARAM>(Rows.data())));
  Rows.resize(static_cast<size_t>(Got > 0 ? Got : 0));
  return Rows;
}

void SelectAll(TSkerrinState& S) {
  if (!S.ListWindow) return;
  const int32_t Count = S.View.VisibleCount;
  if (S.WrapViewActive) {
    EnsureSelectionCapacity(S, Count);
    for (int32_t Row = 0; Row < Count; ++Row) S.Wrap.WrapSelection[static_cast<size_t>(Row)] = 1;
    if (S.Wrap.WrapCaret < 0 && Count > 0) S.Wrap.WrapCaret = 0;
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  } else if (Count > 0) {
    SendMessageW(S.ListWindow, LB_SELITEMRANGEEX, 0, Count - 1);
    InvalidateRect(S.ListWindow, nullptr, FALSE);
  }
}

int32_t HitTestRow(TSkerrinState& S, int Y) {
  if (!S.ListWindow || S.View.VisibleCount <= 0) return -1;
  RECT Client{};
  GetClientRect(S.ListWindow, &Client);
  const TPageLayout Page = ComputePageLayout(S, Client.bottom);
  int Top = Page.FirstY;
  for (int32_t Row = Page.FirstRow; Row < S.View.VisibleCount && Top <= Y; ++Row) {
    const int Height = S.WrapViewActive ? MeasureRow(S, Row) : S.Metrics.RowHeight;
    if (Y >= Top && Y < Top + Height) return Row;
    Top += Height;
    if (Top >= Client.bottom && Y >= Client.bottom) break;
  }
  return -1;
}

int32_t ClickRow(TSkerrinState& S, int, int Y, bool Shift, bool Ctrl) {
  const int32_t R = HitTestRow(S, Y);
  if (R < 0) return -1;
  if (S.WrapViewActive) {
    ClickWrapRow(S, R, Shift, Ctrl);
    return R;
  }
  const HWND List = S.ListWindow;
  int32_t Current = CurrentRow(S);
  if (Current < 0) Current = R;
  const auto Top = SendMessageW(List, LB_GETTOPINDEX, 0, 0);
  {
    TRedrawSuspension Suspended(List);
    if (Shift) {
      SendMessageW(List, LB_SETSEL, FALSE, -1);
      SendMessageW(List, LB_SELITEMRANGEEX, std::min(Current, R), std::max(Current, R));
    } else if (Ctrl) {
      const bool Was = SendMessageW(List, LB_GETSEL, R, 0) > 0;
      SendMessageW(List, LB_SETSEL, Was ? FALSE : TRUE, R);
    } else {
      SendMessageW(List, LB_SETSEL, FALSE, -1);
      SendMessageW(List, LB_SETSEL, TRUE, R);
    }
    SendMessageW(List, LB_SETCARETINDEX, R, TRUE);
    SendMessageW(List, LB_SETTOPINDEX, Top, 0);
    if (GetFocus() != List) SetFocus(List);
  }
  RepaintNow(List);
  return R;
}

void ListboxPageKey(TSkerrinState& S, UINT Key) {
  const int32_t Count = S.View.VisibleCount;
  const int32_t P = RowsPerPage(S);
  int32_t Top = GetTopRow(S);
  int32_t Current = CurrentRow(S);
  if (Current < 0) Current = Top;
  const int32_t Step = Key == VK_PRIOR ? -P : P;
  Top = std::clamp(Top + Step, 0, std::max(0, Count - P));
  Current = std::clamp(Current + Step, 0, std::max(0, Count - 1));
  if (Count <= 0) return;
  {
    TRedrawSuspension Suspended(S.ListWindow);
    SelectOnlyListboxRow(S.ListWindow, Current, TRUE);
    SendMessageW(S.ListWindow, LB_SETTOPINDEX, Top, 0);
  }
  RepaintNow(S.ListWindow);
}
