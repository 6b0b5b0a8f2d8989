#include "viewer/uTailView.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "model/uRuleCache.h"
#include "viewer/uListRows.h"
#include "viewer/uStatusBar.h"
#include "viewer/uTailTimer.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewState.h"
#include "viewer/uViewerMetrics.h"
#include "viewer/uWrapView.h"

namespace {

void SetBox(HWND Box, bool On) {
  if (Box) SendMessageW(Box, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
}

// The view before the new lines were added.
struct TOldView {
  int32_t VisibleCount;
  int32_t TopRow;
  bool AllVisible;
};

// Selection to put back by entry when the rows of the view have moved.
struct TNotedSelection {
  bool Noted = false;
  std::vector<int32_t> Entries;  // in row order
  int32_t CaretEntry = -1;
};

TNotedSelection NoteSelection(const TSkerrinState& S) {
  TNotedSelection Noted;
  Noted.Noted = true;
  for (const int32_t Row : SelectedRows(S)) {
    const int32_t Entry = VisibleToEntry(S, Row);
    if (Entry >= 0) Noted.Entries.push_back(Entry);
  }
  Noted.CaretEntry = VisibleToEntry(S, CurrentRow(S));
  return Noted;
}

void RestoreSelection(TSkerrinState& S, const TNotedSelection& Noted) {
  if (!S.ListWindow || Noted.Entries.empty()) return;
  const int32_t CaretRow = RowOfEntry(S, Noted.CaretEntry);
  if (S.WrapViewActive) {
    ClearSelection(S);
    for (const int32_t Entry : Noted.Entries) SetRowSelected(S, RowOfEntry(S, Entry), true);
    if (CaretRow >= 0) {
      S.Wrap.WrapCaret = CaretRow;
      EnsureRowVisible(S, CaretRow);
    }
    return;
  }
  // Setting the caret scrolls the listbox to it; the user's scroll position is kept.
  const auto Top = SendMessageW(S.ListWindow, LB_GETTOPINDEX, 0, 0);
  SendMessageW(S.ListWindow, LB_SETSEL, FALSE, -1);
  // Runs of neighbouring rows in one request each, so a large selection stays cheap.
  size_t i = 0;
  while (i < Noted.Entries.size()) {
    const int32_t First = RowOfEntry(S, Noted.Entries[i]);
    int32_t Last = First;
    size_t j = i + 1;
    while (First >= 0 && j < Noted.Entries.size() && RowOfEntry(S, Noted.Entries[j]) == Last + 1) {
      ++Last;
      ++j;
    }
    if (First >= 0) SendMessageW(S.ListWindow, LB_SELITEMRANGEEX, First, Last);
    i = j;
  }
  if (CaretRow >= 0) SendMessageW(S.ListWindow, LB_SETCARETINDEX, CaretRow, FALSE);
  SendMessageW(S.ListWindow, LB_SETTOPINDEX, Top, 0);
}

void AddToCounters(TSkerrinState& S, int32_t From, int32_t To) {
  const TLogList& List = S.Log->List;
  TLevelCounters& C = S.Counters;
  for (int32_t Entry = From; Entry < To; ++Entry) {
    int32_t* Count;
    double* Last;
    switch (EffectiveLevel(S, Entry)) {
      case lError:
        Count = &C.ErrorCount;
        Last = &C.LastErrorTime;
        break;
      case lWarn:
        Count = &C.WarnCount;
        Last = &C.LastWarnTime;
        break;
      case lInfo:
        Count = &C.InfoCount;
        Last = &C.LastInfoTime;
        break;
      default:
        continue;
    }
    ++*Count;
    const double Timestamp = List.Items[static_cast<size_t>(Entry)].Timestamp;
    if (Timestamp > *Last) *Last = Timestamp;
  }
}

// An entry whose line was completed has new text: what was cached about it is stale.
void ForgetEntry(TSkerrinState& S, int32_t Entry) {
  TRuleCache& Cache = S.RuleCache;
  if (static_cast<size_t>(Entry) < Cache.RuleMatchCache.size())
    Cache.RuleMatchCache[static_cast<size_t>(Entry)] = RuleNotComputed;
  Cache.LevelsDoneUpTo = std::min(Cache.LevelsDoneUpTo, Entry);
  const int32_t Row = RowOfEntry(S, Entry);
  std::vector<int32_t>& Stamps = S.Wrap.WrapHeightStamps;
  if (Row >= 0 && static_cast<size_t>(Row) < Stamps.size()) Stamps[static_cast<size_t>(Row)] = 0;
}

// Taking the focus would also activate the viewer's window: a lister that follows a log in the
// background must not come to the front with every new line.
bool MayTakeFocus(const TSkerrinState& S) { return S.Window && GetActiveWindow() == GetAncestor(S.Window, GA_ROOT); }

bool RowOnPage(int32_t Row, int32_t Top, int32_t Page) { return Row >= Top && Row < Top + Page; }

// Without a filter the new entries simply become new rows; nothing is rebuilt.
bool ExtendInPlace(TSkerrinState& S, const TOldView& Old, const TTailResult& Result) {
  const int32_t Added = Result.NewCount - Result.OldCount;
  TViewRows& View = S.View;
  View.AllVisible = true;
  View.VisibleCount = S.Log->List.Count;
  View.Visible.clear();
  View.TimestampIndexDirty = true;
  const bool Following = S.Tail.Following;
  bool RepaintDue = false;
  if (S.ListWindow && Added > 0) {
    RepaintDue = Following || Old.VisibleCount < Old.TopRow + RowsPerPage(S);
    if (S.WrapViewActive) {
      EnsureSelectionCapacity(S, View.VisibleCount);
      UpdateWrapScrollBar(S);
    } else {
      SendMessageW(S.ListWindow, LB_SETCOUNT, static_cast<WPARAM>(View.VisibleCount), 0);
    }
  }
  if (!S.Settings.WordWrap && S.Settings.HorzScrollbar && Result.LongestLineChanged) UpdateRowMetrics(S);
  if (!Old.AllVisible || Result.ChangedEntry >= 0) RecountLevels(S);
  else AddToCounters(S, Result.OldCount, Result.NewCount);
  UpdateStatus(S);
  if (Following && View.VisibleCount > 0) {
    SelectRow(S, View.VisibleCount - 1, S.WrapViewActive, S.WrapViewActive, MayTakeFocus(S));
  } else if (Old.TopRow > View.VisibleCount - 1) {
    SetTopRow(S, std::max(0, View.VisibleCount - 1));
  }
  if (Result.ChangedEntry >= 0 && S.ListWindow)
    RepaintDue = RepaintDue || RowOnPage(RowOfEntry(S, Result.ChangedEntry), GetTopRow(S), RowsPerPage(S) + 1);
  return RepaintDue;
}

void ShowAppended(TSkerrinState& S, const TTailResult& Result) {
  const TOldView Old{S.View.VisibleCount, GetTopRow(S), S.View.AllVisible};
  const bool Following = S.Tail.Following;
  // The rows of a filtered view move when it is rebuilt; the selection goes back by entry.
  // Without a filter (before and after) every row keeps its index and its selection.
  const bool Filtered = !S.Filter.FilterW.empty();
  TNotedSelection Noted;
  if (!Following && (Filtered || !Old.AllVisible)) Noted = NoteSelection(S);

  S.View.LastLineNumber = S.Tail.File.LastLineNumber;
  S.View.LongestLine = S.Tail.File.LongestLine;
  if (Result.ChangedEntry >= 0) ForgetEntry(S, Result.ChangedEntry);
  UpdateEffectiveLevels(S.RuleCache, S.Log->List);

  bool RepaintDue = false;
  {
    TRedrawSuspension Suspended(Filtered ? nullptr : S.ListWindow);
    if (Filtered) {
      RebuildView(S, !Following, true, false);
      if (Following && S.View.VisibleCount > 0) SelectRow(S, S.View.VisibleCount - 1, true, true, MayTakeFocus(S));
    } else {
      RepaintDue = ExtendInPlace(S, Old, Result);
    }
    if (Noted.Noted) RestoreSelection(S, Noted);
  }
  if (RepaintDue && S.ListWindow) RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

}  // namespace

void TailTick(TSkerrinState& S) {
  if (!S.Tail.TailActive || S.FileName.empty() || !S.Log || S.Tail.InTailTick) return;
  S.Tail.InTailTick = true;
  struct TClearFlag {
    bool& Flag;
    ~TClearFlag() { Flag = false; }
  } Clear{S.Tail.InTailTick};
  const TTailResult Result = PollTail(S.Tail.File, *S.Log, S.FileName);
  switch (Result.Change) {
    case tcReload:
      LoadAndShow(S);
      return;
    case tcAppended:
      ShowAppended(S, Result);
      return;
    case tcNothing:
    case tcReadFailed:
      // A failed read changed nothing and is simply tried again at the next tick.
      return;
  }
}

void SetFollowing(TSkerrinState& S, bool On) {
  S.Tail.Following = On;
  S.Settings.Follow = On;
  SaveSettings(S.Settings, S.HostDark);
  SetBox(S.Bar.FollowBox, On);
  if (On && S.View.VisibleCount > 0) SelectRow(S, S.View.VisibleCount - 1, true, true, true);
}

void SetTailEnabled(TSkerrinState& S, bool On) {
  S.Settings.TailEnabled = On;
  SaveSettings(S.Settings, S.HostDark);
  SetBox(S.Bar.TailBox, On);
  if (On) StartTail(S);
  else StopTail(S);
}

void ApplyTailSettings(TSkerrinState& S) {
  S.Tail.Following = S.Settings.Follow;
  SetBox(S.Bar.FollowBox, S.Tail.Following);
  if (S.Settings.TailEnabled) StartTail(S);
  else StopTail(S);
}
