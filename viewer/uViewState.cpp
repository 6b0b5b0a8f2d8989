#include "viewer/uViewState.h"

#include <algorithm>
#include <new>

#include "toolkit/uWindowText.h"
#include "viewer/uListRows.h"
#include "viewer/uStatusBar.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewerMetrics.h"

namespace {

int32_t ContextNumber(const TSkerrinState& S) {
  if (!S.Bar.LookEdit) return 0;
  return ParseContextNumber(std::u16string_view(WindowTextU16(S.Bar.LookEdit)));
}

bool HasFocus(HWND Control) { return Control && GetFocus() == Control; }

TViewOutput ViewOutputOf(TSkerrinState& S) {
  return {S.View.AllVisible, S.View.Visible, S.View.VisibleCount, S.Counters};
}

// The rows and counters from scratch, with a query made from the filter and context boxes, the
// shown levels and the code page.
void BuildRows(TSkerrinState& S) {
  S.Filter.Query = MakeViewQuery(S.Filter.FilterW, ContextNumber(S), S.Filter.ShownLevels, LineCodePageOf(S));
  try {
    BuildView(S.Log->List, S.RuleCache, S.Filter.Query, ViewOutputOf(S), S.Filter.Scratch);
  } catch (const std::bad_alloc&) {
    // Without room for the row array, the whole file is shown rather than a view that lies,
    // and appended lines extend it as such.
    S.Filter.Query = TViewQuery{};
    BuildView(S.Log->List, S.RuleCache, S.Filter.Query, ViewOutputOf(S), S.Filter.Scratch);
  }
  S.View.TimestampIndexDirty = true;
}

// The rows and counters grown by what the log gained, with the query they were built with. A
// line completed in place (once per load at most: the load's unfinished last line) has new text
// that the rows cannot be extended over, so they are built afresh; the whole file's rows still
// show the same entries then. Returns the first row that shows another line than before: the
// old row count when rows were only added.
int32_t GrowRows(TSkerrinState& S, const TLogGrowth& Growth) {
  int32_t FirstMoved = 0;
  if (Growth.ChangedEntry < 0) {
    FirstMoved =
        ExtendView(S.Log->List, S.RuleCache, S.Filter.Query, Growth.OldCount, ViewOutputOf(S), S.Filter.Scratch);
  } else {
    const int32_t OldRows = S.View.VisibleCount;
    const bool WasWholeFile = S.View.AllVisible;
    BuildView(S.Log->List, S.RuleCache, S.Filter.Query, ViewOutputOf(S), S.Filter.Scratch);
    FirstMoved = WasWholeFile && S.View.AllVisible ? OldRows : 0;
  }
  S.View.TimestampIndexDirty = true;
  return FirstMoved;
}

// A tail tick takes the focus only where a load may, and only while the lister is the active
// window: taking the focus would also activate it, and a lister that follows a log in the
// background must not come to the front with every new line.
bool TickMayTakeFocus(const TSkerrinState& S) {
  return LoadMayTakeFocus(S) && S.Window && GetActiveWindow() == GetAncestor(S.Window, GA_ROOT);
}

bool RowOnPage(int32_t Row, int32_t Top, int32_t Page) { return Row >= Top && Row < Top + Page; }

// The view before the log grew.
struct TOldView {
  int32_t VisibleCount;
  int32_t TopRow;
  bool AllVisible;
};

// Hands the grown rows to the list control: rows only added keep their selection and measures;
// otherwise the control takes the rows anew. True when the page shows something that changed.
bool ShowGrownRows(TSkerrinState& S, const TOldView& Old, const TLogGrowth& Growth, int32_t FirstMoved) {
  if (!S.Rows) return false;
  const bool Following = S.Tail.Following && Growth.MayFollow;
  const int32_t Page = RowsPerPage(S);
  bool RepaintDue = false;
  if (FirstMoved < Old.VisibleCount) {
    S.Rows->RowsReplaced();
    RepaintDue = true;
  } else if (S.View.VisibleCount > Old.VisibleCount) {
    S.Rows->RowsAppended();
    RepaintDue = Following || Old.VisibleCount < Old.TopRow + Page;
  }
  if (Growth.LongestLineChanged) S.Rows->WidestLineChanged();
  if (Growth.ChangedEntry >= 0)
    RepaintDue = RepaintDue || RowOnPage(RowOfEntry(S, Growth.ChangedEntry), GetTopRow(S), Page + 1);
  return RepaintDue;
}

}  // namespace

void ReadFilterStrings(TSkerrinState& S) {
  if (S.Bar.FilterEdit) S.Filter.FilterW = WindowTextU16(S.Bar.FilterEdit);
}

// A load moves the keyboard focus into the list only in a lister window of its own. In the
// quick-view panel the user moves through the file list while the host loads each file into the
// viewer, and the next arrow key must still reach the file list.
bool LoadMayTakeFocus(const TSkerrinState& S) { return S.InListerWindow; }

void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst, bool MayTakeFocus) {
  const TLogList& List = S.Log->List;
  TViewRows& View = S.View;
  SyncRuleCache(S.RuleCache, ColorRulesOf(S.Settings));
  SetRuleCodePage(S.RuleCache, LineCodePageOf(S));
  UpdateEffectiveLevels(S.RuleCache, List);
  ReadFilterStrings(S);
  const bool FilterFocused = HasFocus(S.Bar.FilterEdit);
  const bool LookFocused = HasFocus(S.Bar.LookEdit);
  const int32_t NotedTop = KeepTop ? GetTopRow(S) : 0;
  const int32_t NotedEntry = EntryOfRow(S, CurrentRow(S));

  BuildRows(S);
  RefreshListCount(S);
  UpdateRowMetrics(S);
  UpdateStatus(S);

  const bool TakeFocus = MayTakeFocus && !FilterFocused && !LookFocused;
  if (NotedEntry >= 0) {
    const int32_t Row = RowOfEntry(S, NotedEntry);
    if (Row >= 0) SelectRow(S, Row, false, true, TakeFocus);
  } else if (SelectFirst && View.VisibleCount > 0) {
    SelectRow(S, 0, false, true, TakeFocus);
  }
  if (KeepTop) SetTopRow(S, std::min(NotedTop, std::max(0, View.VisibleCount - 1)));
  if (FilterFocused) SetFocus(S.Bar.FilterEdit);
  else if (LookFocused) SetFocus(S.Bar.LookEdit);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

void ShowGrowth(TSkerrinState& S, const TLogGrowth& Growth) {
  const TOldView Old{S.View.VisibleCount, GetTopRow(S), S.View.AllVisible};
  const bool Following = S.Tail.Following && Growth.MayFollow;
  // Rows of a filtered view can move as it grows (context before a new match slips in between
  // old rows); the selection then goes back by entry. Rows of the whole file never move.
  const bool NotePlace = !Following && !Old.AllVisible;
  const TViewPlace Place = NotePlace ? NoteViewPlace(S) : TViewPlace{};

  if (Growth.ChangedEntry >= 0) {
    // The completed line has new text: what was cached about it is stale.
    ForgetEntry(S.RuleCache, Growth.ChangedEntry);
    if (S.Rows) S.Rows->RowChanged(RowOfEntry(S, Growth.ChangedEntry));
  }
  UpdateEffectiveLevels(S.RuleCache, S.Log->List);

  bool RepaintDue = false;
  {
    TRedrawSuspension Suspended(S.ListWindow);
    const int32_t FirstMoved = GrowRows(S, Growth);
    RepaintDue = ShowGrownRows(S, Old, Growth, FirstMoved);
    UpdateStatus(S);
    const int32_t Count = S.View.VisibleCount;
    if (Following && Count > 0) {
      // The control brings the caret into view itself, and the page is repainted once at the end.
      SelectRow(S, Count - 1, false, false, TickMayTakeFocus(S));
    } else {
      if (NotePlace && FirstMoved < Old.VisibleCount) RestoreSelection(S, Place);
      if (Old.TopRow != GetTopRow(S) || Old.TopRow > Count - 1)
        SetTopRow(S, std::min(Old.TopRow, std::max(0, Count - 1)));
    }
  }
  if (RepaintDue && S.ListWindow) RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

TViewPlace NoteViewPlace(const TSkerrinState& S) {
  TViewPlace Place;
  for (const int32_t Row : SelectedRows(S)) {
    const int32_t Entry = EntryOfRow(S, Row);
    if (Entry >= 0) Place.SelectedEntries.push_back(Entry);
  }
  Place.CaretEntry = EntryOfRow(S, CurrentRow(S));
  Place.TopEntry = EntryOfRow(S, GetTopRow(S));
  Place.ListFocused = S.ListWindow && GetFocus() == S.ListWindow;
  return Place;
}

void RestoreSelection(TSkerrinState& S, const TViewPlace& Place) {
  if (!S.Rows || Place.SelectedEntries.empty()) return;
  std::vector<int32_t> Rows;
  Rows.reserve(Place.SelectedEntries.size());
  for (const int32_t Entry : Place.SelectedEntries) {
    const int32_t Row = RowOfEntry(S, Entry);
    if (Row >= 0) Rows.push_back(Row);
  }
  S.Rows->Select(Rows, RowOfEntry(S, Place.CaretEntry));
}

void RebuildKeepingPlace(TSkerrinState& S, const TViewPlace& Place) {
  RebuildView(S, false, true, false);
  RestoreViewPlace(S, Place);
}

void RestoreViewPlace(TSkerrinState& S, const TViewPlace& Place) {
  if (!Place.SelectedEntries.empty()) RestoreSelection(S, Place);
  else SelectRow(S, RowOfEntry(S, Place.CaretEntry), false, true, false);
  const int32_t Top = RowOfEntry(S, Place.TopEntry);
  if (Top >= 0) SetTopRow(S, Top);
  if (Place.ListFocused && S.ListWindow) SetFocus(S.ListWindow);
}
