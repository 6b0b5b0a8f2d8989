#include "viewer/uWrapView.h"

#include <algorithm>
#include <climits>

#include "viewer/uLineRender.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewerMetrics.h"

namespace {

constexpr int WheelRows = 3;  // rows scrolled per notch of the wheel

bool ShiftHeld() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

int ClientWidth(HWND Window) {
  RECT R{};
  if (Window) GetClientRect(Window, &R);
  return R.right;
}

}  // namespace

int32_t TWrapView::MaxTop() const { return std::max(0, S.View.VisibleCount - RowsPerPage(S)); }

void TWrapView::UpdateScrollBar() {
  if (!S.ListWindow) return;
  const int32_t Count = S.View.VisibleCount;
  Top = Count > 0 ? std::clamp(Top, 0, MaxTop()) : 0;
  if (!Drawing) {
    ScrollBarDue = true;
    return;
  }
  ScrollBarDue = false;
  SCROLLINFO Info{};
  Info.cbSize = sizeof(Info);
  Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  Info.nMin = 0;
  Info.nMax = Count > 0 ? Count - 1 : 0;
  Info.nPage = static_cast<UINT>(RowsPerPage(S));
  Info.nPos = Top;
  SetScrollInfo(S.ListWindow, SB_VERT, &Info, TRUE);
}

void TWrapView::SetDrawing(bool On) {
  Drawing = On;
  if (On && ScrollBarDue) UpdateScrollBar();
}

void TWrapView::EnsureHeightCaches() {
  const size_t Needed = static_cast<size_t>(std::max(0, S.View.VisibleCount));
  if (Heights.size() >= Needed) return;
  const size_t Grown = std::max({Needed, Heights.size() * 3 / 2 + 256, size_t{1024}});
  Heights.resize(Grown, 0);
  HeightStamps.resize(Grown, 0);
}

void TWrapView::NextGeneration() {
  if (Generation == INT32_MAX || Generation == -1) {
    std::fill(HeightStamps.begin(), HeightStamps.end(), 0);
    Generation = 1;
  } else {
    ++Generation;
  }
}

void TWrapView::ForgetHeights() {
  EnsureHeightCaches();
  NextGeneration();
  MeasuredWidth = -1;
}

void TWrapView::EnsureSelectionCapacity(int32_t N) {
  if (SelectionCapacity >= N) return;
  SelectionCapacity = std::max(SelectionCapacity + 4096, N);
  Selection.resize(static_cast<size_t>(SelectionCapacity), 0);
}

void TWrapView::ClearSelection() { std::fill(Selection.begin(), Selection.end(), 0); }

bool TWrapView::IsSelected(int32_t Row) const {
  return Row >= 0 && Row < S.View.VisibleCount && static_cast<size_t>(Row) < Selection.size() &&
         Selection[static_cast<size_t>(Row)] != 0;
}

void TWrapView::SetSelected(int32_t Row, bool Selected) {
  if (Row < 0 || Row >= S.View.VisibleCount) return;
  EnsureSelectionCapacity(Row + 1);
  Selection[static_cast<size_t>(Row)] = Selected ? 1 : 0;
}

void TWrapView::SelectRange(int32_t A, int32_t B) {
  for (int32_t Row = std::min(A, B); Row <= std::max(A, B); ++Row) SetSelected(Row, true);
}

void TWrapView::RowsReplaced() {
  const int32_t Count = S.View.VisibleCount;
  EnsureSelectionCapacity(Count);
  if (Count > 0) {
    CaretRow = std::clamp(CaretRow, 0, Count - 1);
    if (AnchorRow < 0 || AnchorRow >= Count) AnchorRow = CaretRow;
    if (!IsSelected(CaretRow)) {
      ClearSelection();
      SetSelected(CaretRow, true);
    }
    Top = std::clamp(Top, 0, std::max(0, Count - RowsPerPage(S)));
  } else {
    Top = 0;
    CaretRow = -1;
    AnchorRow = -1;
    ClearSelection();
  }
  ForgetHeights();
  UpdateScrollBar();
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
}

void TWrapView::RowsAppended() {
  EnsureSelectionCapacity(S.View.VisibleCount);
  UpdateScrollBar();
}

void TWrapView::RowChanged(int32_t Row) {
  if (Row >= 0 && static_cast<size_t>(Row) < HeightStamps.size()) HeightStamps[static_cast<size_t>(Row)] = 0;
}

void TWrapView::MetricsChanged(bool) { LayoutChanged(); }

void TWrapView::LayoutChanged() {
  ForgetHeights();
  UpdateScrollBar();
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void TWrapView::SetTopRow(int32_t Row) {
  const int32_t Old = Top;
  Top = std::clamp(Row, 0, MaxTop());
  UpdateScrollBar();
  if (Top != Old && S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void TWrapView::EnsureVisible(int32_t Row) {
  const int32_t P = RowsPerPage(S);
  if (Row >= Top && Row <= Top + P - 1) {
    if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
  } else if (Row < Top) {
    SetTopRow(Row);
  } else {
    SetTopRow(Row - P + 1);
  }
}

int32_t TWrapView::FirstSelected() const {
  const int32_t End = std::min<int32_t>(S.View.VisibleCount, static_cast<int32_t>(Selection.size()));
  for (int32_t Row = 0; Row < End; ++Row)
    if (Selection[static_cast<size_t>(Row)]) return Row;
  return -1;
}

std::vector<int32_t> TWrapView::SelectedRows() const {
  std::vector<int32_t> Rows;
  const int32_t End = std::min<int32_t>(S.View.VisibleCount, static_cast<int32_t>(Selection.size()));
  for (int32_t Row = 0; Row < End; ++Row)
    if (Selection[static_cast<size_t>(Row)]) Rows.push_back(Row);
  return Rows;
}

void TWrapView::SelectOnly(int32_t Row, bool ScrollToTop) {
  ClearSelection();
  SetSelected(Row, true);
  CaretRow = AnchorRow = Row;
  if (ScrollToTop) SetTopRow(Row);
  else EnsureVisible(Row);
}

void TWrapView::Select(const std::vector<int32_t>& Rows, int32_t Caret) {
  ClearSelection();
  for (const int32_t Row : Rows) SetSelected(Row, true);
  if (Caret < 0) return;
  CaretRow = Caret;
  EnsureVisible(Caret);
}

void TWrapView::SelectAll() {
  const int32_t Count = S.View.VisibleCount;
  EnsureSelectionCapacity(Count);
  std::fill(Selection.begin(), Selection.begin() + std::max(0, Count), 1);
  if (CaretRow < 0 && Count > 0) CaretRow = 0;
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void TWrapView::Click(int32_t Row, bool Shift, bool Ctrl) {
  SetFocus(S.ListWindow);
  if (Shift && AnchorRow >= 0) {
    ClearSelection();
    SelectRange(AnchorRow, Row);
    CaretRow = Row;
  } else if (Ctrl) {
    SetSelected(Row, !IsSelected(Row));
    CaretRow = AnchorRow = Row;
  } else {
    ClearSelection();
    SetSelected(Row, true);
    CaretRow = AnchorRow = Row;
  }
  EnsureVisible(CaretRow);
  RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

int TWrapView::RowHeight(int32_t Row) {
  const int Single = S.Metrics.RowHeight;
  const int Width = ClientWidth(S.ListWindow);
  if (Row < 0 || Row >= S.View.VisibleCount || Width <= 0) return Single;
  EnsureHeightCaches();
  if (Width != MeasuredWidth) {
    MeasuredWidth = Width;
    NextGeneration();
  }
  const auto Index = static_cast<size_t>(Row);
  if (HeightStamps[Index] == Generation && Heights[Index] > 0) return Heights[Index];
  // Only rows near the page are measured; the others count as one line until they come close.
  const int32_t P = RowsPerPage(S);
  if (Row < Top - P || Row > Top + 2 * P) return Single;
  const int32_t Entry = EntryOfRow(S, Row);
  if (Entry < 0) return Single;
  Heights[Index] = MeasureWrappedRow(S, Entry, Width);
  HeightStamps[Index] = Generation;
  return Heights[Index];
}

void TWrapView::Scroll(int Code) {
  const int32_t P = RowsPerPage(S);
  switch (Code) {
    case SB_LINEUP:
      SetTopRow(Top - 1);
      break;
    case SB_LINEDOWN:
      SetTopRow(Top + 1);
      break;
    case SB_PAGEUP:
      SetTopRow(Top - P);
      break;
    case SB_PAGEDOWN:
      SetTopRow(Top + P);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO Info{};
      Info.cbSize = sizeof(Info);
      Info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(S.ListWindow, SB_VERT, &Info)) SetTopRow(Info.nTrackPos);
      break;
    }
    case SB_TOP:
      SetTopRow(0);
      break;
    case SB_BOTTOM:
      SetTopRow(S.View.VisibleCount - 1);
      break;
    default:
      break;
  }
}

void TWrapView::Wheel(int Notches) {
  if (Notches) SetTopRow(Top - WheelRows * Notches);
}

void TWrapView::Key(UINT Key) {
  const int32_t Count = S.View.VisibleCount;
  if (Count <= 0 || Key < 33) return;
  const int32_t P = RowsPerPage(S);
  int32_t Caret = CaretRow < 0 ? 0 : CaretRow;
  int32_t NewTop = Top;
  const bool Ctrl = CtrlHeld();
  bool Paging = false;
  switch (Key) {
    case VK_PRIOR:
      Caret -= P, NewTop -= P, Paging = true;
      break;
    case VK_NEXT:
      Caret += P, NewTop += P, Paging = true;
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
  if (ShiftHeld() && AnchorRow >= 0) {
    ClearSelection();
    SelectRange(AnchorRow, Caret);
  } else if (!Ctrl) {
    ClearSelection();
    SetSelected(Caret, true);
    AnchorRow = Caret;
  }
  CaretRow = Caret;
  if (Paging) SetTopRow(NewTop);
  else EnsureVisible(Caret);
  RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool TWrapView::AnswerListboxMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  const auto Row = static_cast<int32_t>(Msg == LB_SETSEL ? LParam : static_cast<LPARAM>(WParam));
  switch (Msg) {
    case LB_GETCOUNT:
      Result = S.View.VisibleCount;
      return true;
    case LB_GETTOPINDEX:
      Result = Top;
      return true;
    case LB_SETTOPINDEX:
      SetTopRow(Row);
      Result = IsRow(Row) ? 0 : LB_ERR;
      return true;
    case LB_GETCARETINDEX:
      Result = CaretRow;
      return true;
    case LB_SETCARETINDEX:
      Result = IsRow(Row) ? 0 : LB_ERR;
      if (Result == 0) {
        CaretRow = Row;
        EnsureVisible(Row);
      }
      return true;
    case LB_GETANCHORINDEX:
      Result = AnchorRow;
      return true;
    case LB_GETSEL:
      Result = IsRow(Row) ? (IsSelected(Row) ? 1 : 0) : LB_ERR;
      return true;
    case LB_SETSEL:
      if (Row == -1) ClearSelection();
      if (Row == -1 && WParam) SelectRange(0, S.View.VisibleCount - 1);
      else if (Row != -1) SetSelected(Row, WParam != FALSE);
      Result = Row == -1 || IsRow(Row) ? 0 : LB_ERR;
      if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
      return true;
    case LB_GETSELCOUNT:
      Result = static_cast<LRESULT>(SelectedRows().size());
      return true;
    case LB_GETSELITEMS: {
      const std::vector<int32_t> Rows = SelectedRows();
      const size_t Count = std::min(Rows.size(), static_cast<size_t>(WParam));
      auto* Out = reinterpret_cast<int*>(LParam);
      if (Out) std::copy_n(Rows.begin(), Count, Out);
      Result = Out ? static_cast<LRESULT>(Count) : LB_ERR;
      return true;
    }
    case LB_GETITEMHEIGHT:
      Result = RowHeight(Row);
      return true;
    default:
      return false;
  }
}
