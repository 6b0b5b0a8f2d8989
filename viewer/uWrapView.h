#pragma once
// The viewer's own wrap view, the list control while word wrap is on: rows of the heights their
// wrapped text needs, a top row, a caret, an anchor and one selection flag per row, its scroll
// bar and its keys. Heights are measured only near the page, and kept per row with a
// generation stamp so that a resize forgets them all at once.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "viewer/uRowControl.h"
#include "viewer/uSkerrinState.h"

class TWrapView final : public TRowControl {
 public:
  explicit TWrapView(TSkerrinState& S) : S(S) {}

  bool WrapsLines() const override { return true; }
  void RowsReplaced() override;
  void RowsAppended() override;
  void RowChanged(int32_t Row) override;
  void MetricsChanged(bool Changed) override;
  void WidestLineChanged() override {}
  void LayoutChanged() override;

  int32_t TopRow() const override { return Top; }
  void SetTopRow(int32_t Row) override;
  int32_t Caret() const override { return CaretRow; }
  int32_t Anchor() const override { return AnchorRow; }
  bool IsSelected(int32_t Row) const override;
  bool DrawnSelected(int32_t Row) const override { return IsSelected(Row) || Row == CaretRow; }
  int32_t FirstSelected() const override;
  std::vector<int32_t> SelectedRows() const override;
  void SelectOnly(int32_t Row, bool ScrollToTop) override;
  void Select(const std::vector<int32_t>& Rows, int32_t Caret) override;
  void SelectAll() override;
  void Click(int32_t Row, bool Shift, bool Ctrl) override;
  void EnsureVisible(int32_t Row) override;

  int RowHeight(int32_t Row) override;
  int HorizontalOffset() const override { return 0; }

  // A scroll-bar request (SB_LINEUP, SB_THUMBTRACK, ...).
  void Scroll(int Code);
  // Wheel notches, positive towards the first row.
  void Wheel(int Notches);
  // Arrow, page, Home and End keys, with Shift extending and Ctrl moving only the caret.
  void Key(UINT Key);
  // The listbox's messages about rows, the caret and the selection, answered as a listbox
  // would, so that the host's tools and tests may ask either control the same way. False for
  // any other message.
  bool AnswerListboxMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
  // Drawing suspended or resumed (WM_SETREDRAW). A scroll bar set while the window is hidden
  // that way never reaches the screen, so, as the listbox does, the view sets it only when
  // drawing resumes.
  void SetDrawing(bool On);

 private:
  int32_t MaxTop() const;
  void UpdateScrollBar();
  void ForgetHeights();
  void EnsureHeightCaches();
  void NextGeneration();
  bool IsRow(int32_t Row) const { return Row >= 0 && Row < S.View.VisibleCount; }
  void EnsureSelectionCapacity(int32_t N);
  void ClearSelection();
  void SetSelected(int32_t Row, bool Selected);
  // Adds the rows from A to B, in either order, to the selection.
  void SelectRange(int32_t A, int32_t B);

  TSkerrinState& S;
  int32_t Top = 0;
  int32_t CaretRow = -1;
  int32_t AnchorRow = -1;
  std::vector<uint8_t> Selection;  // 1 = selected
  int32_t SelectionCapacity = 0;
  std::vector<int32_t> Heights;
  std::vector<int32_t> HeightStamps;  // the generation each height was measured in
  int32_t Generation = 1;
  int32_t MeasuredWidth = -1;  // the client width the heights are valid for; -1: none yet
  bool Drawing = true;
  bool ScrollBarDue = false;  // changed while drawing was suspended
};
