#pragma once
// The rows of the list control as the viewer's features reach them, whichever control shows
// them: the owner-drawn listbox while word wrap is off, the viewer's own wrap view while it is
// on. Selecting, following, tail, navigation, synchronisation and copying go through this and
// never ask which control it is. Each control keeps its own top row, caret and selection (the
// listbox inside the platform's control, the wrap view in its object), so the selection has one
// home, which goes when the control is replaced.

#include <cstdint>
#include <vector>

class TRowControl {
 public:
  TRowControl() = default;
  virtual ~TRowControl() = default;
  TRowControl(const TRowControl&) = delete;
  TRowControl& operator=(const TRowControl&) = delete;

  // Rows drawn wrapped over several lines, rather than on one line each.
  virtual bool WrapsLines() const = 0;

  // The view's rows were rebuilt: the control takes the new count and keeps its caret on a row.
  virtual void RowsReplaced() = 0;
  // Rows were added at the end; the rows before keep their selection and measures.
  virtual void RowsAppended() = 0;
  // About Count rows will be there once more are appended (a load's estimate): a control that
  // keeps something for each row can take the room for them at once.
  virtual void RowsExpected(int32_t) {}
  // The line shown in Row changed its text (a line completed by tail).
  virtual void RowChanged(int32_t Row) = 0;
  // The line font was measured again; Changed when RowHeight or CharWidth differ.
  virtual void MetricsChanged(bool Changed) = 0;
  // The longest line of the log grew.
  virtual void WidestLineChanged() = 0;
  // The control was laid out again (its size, or what its rows show, may differ).
  virtual void LayoutChanged() = 0;

  virtual int32_t TopRow() const = 0;
  virtual void SetTopRow(int32_t Row) = 0;
  // The caret as the control holds it, which may lie outside the rows; -1 for none.
  virtual int32_t Caret() const = 0;
  // Where a range selection with Shift starts.
  virtual int32_t Anchor() const = 0;
  virtual bool IsSelected(int32_t Row) const = 0;
  // As the row is painted: the wrap view shows its caret row selected too.
  virtual bool DrawnSelected(int32_t Row) const = 0;
  // The first selected row; -1 for none.
  virtual int32_t FirstSelected() const = 0;
  // In row order.
  virtual std::vector<int32_t> SelectedRows() const = 0;
  // Row alone selected and made the caret (and the anchor); put at the top, or scrolled only as
  // far as needed to show it.
  virtual void SelectOnly(int32_t Row, bool ScrollToTop) = 0;
  // Exactly the given rows (ascending) selected and Caret (unless -1) made the caret, the page
  // kept where it is as far as the control allows.
  virtual void Select(const std::vector<int32_t>& Rows, int32_t Caret) = 0;
  virtual void SelectAll() = 0;
  // The caret when it lies on one of Count rows, else the first selected row, else -1. The
  // caret counts even with nothing selected: the host's copy and the search act on the row the
  // user last moved to.
  int32_t CurrentRow(int32_t Count) const {
    if (Count <= 0) return -1;
    const int32_t CaretRow = Caret();
    if (CaretRow >= 0 && CaretRow < Count) return CaretRow;
    const int32_t First = FirstSelected();
    return First >= 0 && First < Count ? First : -1;
  }
  // A press of the left button on Row, with Shift and Ctrl as held.
  virtual void Click(int32_t Row, bool Shift, bool Ctrl) = 0;
  // Scrolls as little as needed to bring Row onto the page.
  virtual void EnsureVisible(int32_t Row) = 0;

  // The height of the band Row is drawn in, in pixels.
  virtual int RowHeight(int32_t Row) = 0;
  // How far the rows are scrolled to the left, in pixels.
  virtual int HorizontalOffset() const = 0;
};
