#include "viewer/uListRows.h"

#include <algorithm>

#include "viewer/uLineRender.h"
#include "viewer/uViewerMetrics.h"

namespace {

bool HasFocus(HWND Control) { return Control && GetFocus() == Control; }

}  // namespace

void RefreshListCount(TSkerrinState& S) {
  if (S.Rows) S.Rows->RowsReplaced();
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
        M.TextHeight = std::max<int32_t>(1, Text.tmHeight);
        M.CharWidth = Text.tmAveCharWidth > 5 ? Text.tmAveCharWidth : 6;
      }
    }
  }
  if (S.Rows) S.Rows->MetricsChanged(OldRow != M.RowHeight || OldChar != M.CharWidth);
}

int32_t CurrentRow(const TSkerrinState& S) { return S.Rows ? S.Rows->CurrentRow(S.View.VisibleCount) : -1; }

void SelectRow(TSkerrinState& S, int32_t Row, bool ScrollToTop, bool Redraw, bool TakeFocus) {
  if (!S.Rows || Row < 0 || Row >= S.View.VisibleCount) return;
  if (HasFocus(S.Bar.FilterEdit) || HasFocus(S.Bar.LookEdit)) TakeFocus = false;
  S.Rows->SelectOnly(Row, ScrollToTop);
  if (TakeFocus) SetFocus(S.ListWindow);
  if (Redraw) RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void CentreRow(TSkerrinState& S, int32_t Row) {
  const int32_t P = RowsPerPage(S);
  SetTopRow(S, std::min(std::max(0, S.View.VisibleCount - P), std::max(0, Row - P / 2)));
}

int32_t GetTopRow(const TSkerrinState& S) { return S.Rows ? S.Rows->TopRow() : 0; }

void SetTopRow(TSkerrinState& S, int32_t Row) {
  if (S.Rows) S.Rows->SetTopRow(Row);
}

void StepSelection(TSkerrinState& S, int Delta) {
  if (S.View.VisibleCount <= 0) return;
  int32_t Row = CurrentRow(S);
  if (Row < 0) Row = 0;
  Row = std::clamp<int32_t>(Row + Delta, 0, S.View.VisibleCount - 1);
  SelectRow(S, Row, false, true, false);
}

std::vector<int32_t> SelectedRows(const TSkerrinState& S) {
  if (!S.Rows || S.View.VisibleCount <= 0) return {};
  return S.Rows->SelectedRows();
}

void SelectAll(TSkerrinState& S) {
  if (S.Rows) S.Rows->SelectAll();
}

int32_t HitTestRow(TSkerrinState& S, int Y) {
  if (!S.Rows || S.View.VisibleCount <= 0) return -1;
  RECT Client{};
  GetClientRect(S.ListWindow, &Client);
  const TPageLayout Page = ComputePageLayout(S, Client.bottom);
  int Top = Page.FirstY;
  for (int32_t Row = Page.FirstRow; Row < S.View.VisibleCount && Top <= Y; ++Row) {
    const int Height = S.Rows->RowHeight(Row);
    if (Y >= Top && Y < Top + Height) return Row;
    Top += Height;
    if (Top >= Client.bottom && Y >= Client.bottom) break;
  }
  return -1;
}

int32_t ClickRow(TSkerrinState& S, int, int Y, bool Shift, bool Ctrl) {
  const int32_t Row = HitTestRow(S, Y);
  if (Row < 0) return -1;
  S.Rows->Click(Row, Shift, Ctrl);
  return Row;
}
