#pragma once
// The list control while word wrap is off: a platform listbox that holds only a row count and
// keeps the selection, caret and top row itself, painted by the viewer one row a line.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "viewer/uRowControl.h"
#include "viewer/uSkerrinState.h"

class TListboxRows final : public TRowControl {
 public:
  // Horizontal: made with a horizontal scroll bar. The platform takes the style off the window
  // while the lines fit, so the choice is kept here.
  TListboxRows(TSkerrinState& S, bool Horizontal) : S(S), HorizontalBar(Horizontal) {}
  bool Horizontal() const { return HorizontalBar; }

  bool WrapsLines() const override { return false; }
  void RowsReplaced() override;
  void RowsAppended() override;
  void RowsExpected(int32_t Count) override;
  void RowChanged(int32_t) override {}
  void MetricsChanged(bool Changed) override;
  void WidestLineChanged() override;
  void LayoutChanged() override {}

  int32_t TopRow() const override;
  void SetTopRow(int32_t Row) override;
  int32_t Caret() const override;
  int32_t Anchor() const override;
  bool IsSelected(int32_t Row) const override;
  bool DrawnSelected(int32_t Row) const override { return IsSelected(Row); }
  int32_t FirstSelected() const override;
  std::vector<int32_t> SelectedRows() const override;
  void SelectOnly(int32_t Row, bool ScrollToTop) override;
  void Select(const std::vector<int32_t>& Rows, int32_t Caret) override;
  void SelectAll() override;
  void Click(int32_t Row, bool Shift, bool Ctrl) override;
  void EnsureVisible(int32_t Row) override;

  int RowHeight(int32_t) override { return S.Metrics.RowHeight; }
  int HorizontalOffset() const override;

  // Page Up and Page Down: the selection and the top row move by a page together.
  void PageKey(UINT Key);

 private:
  LRESULT Send(UINT Msg, WPARAM WParam, LPARAM LParam) const { return SendMessageW(S.ListWindow, Msg, WParam, LParam); }
  // Row alone selected and made the caret, scrolled into view wholly or, with PartlyVisible,
  // only as far as needed.
  void SelectOnlyRow(int32_t Row, BOOL PartlyVisible);
  void SetHorizontalExtent();

  TSkerrinState& S;
  const bool HorizontalBar;
};
