#include "viewer/uListboxRows.h"

#include <algorithm>

#include "viewer/uLineRender.h"
#include "viewer/uViewerMetrics.h"

void TListboxRows::SetHorizontalExtent() {
  const int64_t Longest = S.Tail.File.LongestLine;
  const WPARAM Extent =
      S.Settings.HorzScrollbar ? static_cast<WPARAM>((Longest + LineNumberDigits(S) + 4) * S.Metrics.CharWidth) : 0;
  Send(LB_SETHORIZONTALEXTENT, Extent, 0);
}

void TListboxRows::RowsReplaced() {
  const int32_t Count = S.View.VisibleCount;
  Send(LB_SETCOUNT, static_cast<WPARAM>(Count), 0);
  if (Count > 0) Send(LB_SETITEMHEIGHT, 0, S.Metrics.RowHeight);
  InvalidateRect(S.ListWindow, nullptr, TRUE);
}

void TListboxRows::RowsAppended() { Send(LB_SETCOUNT, static_cast<WPARAM>(S.View.VisibleCount), 0); }

// The listbox keeps a selection flag for each row, in an array it grows by copying it whenever
// its count grows past its room: with tens of millions of rows each batch of a load cost the
// host's thread a third of a second. Taking the room once keeps every growth small.
void TListboxRows::RowsExpected(int32_t Count) {
  const auto Had = static_cast<int32_t>(Send(LB_GETCOUNT, 0, 0));
  if (Count > Had) Send(LB_INITSTORAGE, static_cast<WPARAM>(Count - Had), 0);
}

void TListboxRows::MetricsChanged(bool) {
  Send(LB_SETITEMHEIGHT, 0, S.Metrics.RowHeight);
  SetHorizontalExtent();
}

void TListboxRows::WidestLineChanged() {
  if (S.Settings.HorzScrollbar) SetHorizontalExtent();
}

int32_t TListboxRows::TopRow() const { return std::max<int32_t>(0, static_cast<int32_t>(Send(LB_GETTOPINDEX, 0, 0))); }

void TListboxRows::SetTopRow(int32_t Row) { Send(LB_SETTOPINDEX, std::max(0, Row), 0); }

int32_t TListboxRows::Caret() const { return static_cast<int32_t>(Send(LB_GETCARETINDEX, 0, 0)); }

int32_t TListboxRows::Anchor() const { return static_cast<int32_t>(Send(LB_GETANCHORINDEX, 0, 0)); }

bool TListboxRows::IsSelected(int32_t Row) const { return Send(LB_GETSEL, Row, 0) > 0; }

int32_t TListboxRows::FirstSelected() const {
  int First = -1;
  if (Send(LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&First)) == 1) return First;
  return -1;
}

std::vector<int32_t> TListboxRows::SelectedRows() const {
  std::vector<int32_t> Rows;
  const auto Count = static_cast<int32_t>(Send(LB_GETSELCOUNT, 0, 0));
  if (Count <= 0) return Rows;
  Rows.resize(static_cast<size_t>(Count));
  const auto Got =
      static_cast<int32_t>(Send(LB_GETSELITEMS, static_cast<WPARAM>(Count), reinterpret_cast<LPARAM>(Rows.data())));
  Rows.resize(static_cast<size_t>(Got > 0 ? Got : 0));
  return Rows;
}

void TListboxRows::SelectOnlyRow(int32_t Row, BOOL PartlyVisible) {
  Send(LB_SETSEL, FALSE, -1);
  Send(LB_SETSEL, TRUE, Row);
  Send(LB_SETCARETINDEX, Row, PartlyVisible);
}

void TListboxRows::SelectOnly(int32_t Row, bool ScrollToTop) {
  TRedrawSuspension Suspended(S.ListWindow);
  SelectOnlyRow(Row, FALSE);
  if (ScrollToTop) Send(LB_SETTOPINDEX, Row, 0);
}

void TListboxRows::Select(const std::vector<int32_t>& Rows, int32_t Caret) {
  // Setting the caret scrolls the listbox to it; the user's scroll position is kept.
  const auto Top = Send(LB_GETTOPINDEX, 0, 0);
  Send(LB_SETSEL, FALSE, -1);
  // Runs of neighbouring rows in one request each, so a large selection stays cheap.
  for (size_t I = 0; I < Rows.size();) {
    size_t J = I + 1;
    while (J < Rows.size() && Rows[J] == Rows[J - 1] + 1) ++J;
    Send(LB_SELITEMRANGEEX, Rows[I], Rows[J - 1]);
    I = J;
  }
  if (Caret >= 0) Send(LB_SETCARETINDEX, Caret, FALSE);
  Send(LB_SETTOPINDEX, Top, 0);
}

void TListboxRows::SelectAll() {
  const int32_t Count = S.View.VisibleCount;
  if (Count <= 0) return;
  Send(LB_SELITEMRANGEEX, 0, Count - 1);
  InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void TListboxRows::Click(int32_t Row, bool Shift, bool Ctrl) {
  int32_t Current = CurrentRow(S.View.VisibleCount);
  if (Current < 0) Current = Row;
  const auto Top = Send(LB_GETTOPINDEX, 0, 0);
  {
    TRedrawSuspension Suspended(S.ListWindow);
    if (Shift) {
      Send(LB_SETSEL, FALSE, -1);
      Send(LB_SELITEMRANGEEX, std::min(Current, Row), std::max(Current, Row));
    } else if (Ctrl) {
      Send(LB_SETSEL, IsSelected(Row) ? FALSE : TRUE, Row);
    } else {
      Send(LB_SETSEL, FALSE, -1);
      Send(LB_SETSEL, TRUE, Row);
    }
    Send(LB_SETCARETINDEX, Row, TRUE);
    Send(LB_SETTOPINDEX, Top, 0);
    if (GetFocus() != S.ListWindow) SetFocus(S.ListWindow);
  }
  RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TListboxRows::EnsureVisible(int32_t Row) {
  const int32_t P = RowsPerPage(S);
  const int32_t Top = TopRow();
  if (Row < Top) SetTopRow(Row);
  else if (Row >= Top + P) SetTopRow(Row - P + 1);
}

int TListboxRows::HorizontalOffset() const { return GetScrollPos(S.ListWindow, SB_HORZ); }

void TListboxRows::PageKey(UINT Key) {
  const int32_t Count = S.View.VisibleCount;
  const int32_t P = RowsPerPage(S);
  int32_t Top = TopRow();
  int32_t Current = CurrentRow(Count);
  if (Current < 0) Current = Top;
  const int32_t Step = Key == VK_PRIOR ? -P : P;
  Top = std::clamp(Top + Step, 0, std::max(0, Count - P));
  Current = std::clamp(Current + Step, 0, std::max(0, Count - 1));
  if (Count <= 0) return;
  {
    TRedrawSuspension Suspended(S.ListWindow);
    SelectOnlyRow(Current, TRUE);
    Send(LB_SETTOPINDEX, Top, 0);
  }
  RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}
