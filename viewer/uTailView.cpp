#include "viewer/uTailView.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "model/uRuleCache.h"
#include "settings/uSettings.h"
#include "viewer/uLineRender.h"
#include "viewer/uNavigate.h"
#include "viewer/uStatusBar.h"
#include "viewer/uViewState.h"
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

int32_t RowOfEntry(const TSkerrinState& S, int32_t Entry) {
  return EntryToVisibleRow(S.AllVisible, S.Visible, S.VisibleCount, Entry);
}

void RestoreSelection(TSkerrinState& S, const TNotedSelection& Noted) {
  if (!S.ListWindow || Noted.Entries.empty()) return;
  const int32_t CaretRow = RowOfEntry(S, Noted.CaretEntry);
  if (S.WrapViewActive) {
    ClearSelection(S);
    for (const int32_t Entry : Noted.Entries) SetRowSelected(S, RowOfEntry(S, Entry), true);
    if (CaretRow >= 0) {
      S.WrapCaret = CaretRow;
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
  for (int32_t Entry = From; Entry < To; ++Entry) {
    int32_t* Count;
    double* Last;
    switch (EffectiveLevel(S.RuleCache, List, Entry)) {
      case lError: Count = &S.ErrorCount; Last = &S.LastErrorTime; break;
      case lWarn: Count = &S.WarnCount; Last = &S.LastWarnTime; break;
      case lInfo: Count = &S.InfoCount; Last = &S.LastInfoTime; break;
      default: continue;
    }
    ++*Count;
    const double Timestamp = List.Items[static_cast<size_t>(Entry)].Timestamp;
    if (Timestamp > *Last) *Last = Timestamp;
  }
}

void RecountAll(TSkerrinState& S) {
  const TLevelCounters C = CountVisibleLevels(S.RuleCache, S.Log->List, S.AllVisible, S.Visible, S.VisibleCount);
  S.ErrorCount = C.ErrorCount;
  S.WarnCount = C.WarnCount;
  S.InfoCount = C.InfoCount;
  S.LastErrorTime = C.LastErrorTime;
  S.LastWarnTime = C.LastWarnTime;
  S.LastInfoTime = C.LastInfoTime;
}

// An entry whose line was completed has new text: what was cached about it is stale.
void ForgetEntry(TSkerrinState& S, int32_t Entry) {
  TRuleCache& Cache = S.RuleCache;
  if (static_cast<size_t>(Entry) < Cache.RuleMatchCache.size())
    Cache.RuleMatchCache[static_cast<size_t>(Entry)] = RuleNotComputed;
  Cache.LevelsDoneUpTo = std::min(Cache.LevelsDoneUpTo, Entry);
  const int32_t Row = RowOfEntry(S, Entry);
  if (Row >= 0 && static_cast<size_t>(Row) < S.WrapHeightStamps.size()) S.WrapHeightStamps[static_cast<size_t>(Row)] = 0;
}

// Taking the focus would also activate the viewer's window: a lister that follows a log in the
// background must not come to the front with every new line.
bool MayTakeFocus(const TSkerrinState& S) {
  return S.Window && GetActiveWindow() == GetAncestor(S.Window, GA_ROOT);
}

bool RowOnPage(int32_t Row, int32_t Top, int32_t Page) { return Row >= Top && Row < Top + Page; }

// Without a filter the new entries simply become new rows; nothing is rebuilt.
bool ExtendInPlace(TSkerrinState& S, const TOldView& Old, const TTailResult& Result) {
  const int32_t Added = Result.NewCount - Result.OldCount;
  S.AllVisible = true;
  S.VisibleCount = S.Log->List.Count;
  S.Visible.clear();
  S.TimestampIndexDirty = true;
  bool RepaintDue = false;
  if (S.ListWindow && Added > 0) {
    if (S.WrapViewActive) {
      EnsureSelectionCapacity(S, S.VisibleCount);
      UpdateWrapScrollBar(S);
      RepaintDue = S.Following || Old.VisibleCount < Old.TopRow + WrapPageSize(S);
    } else {
      RepaintDue = S.Following || Old.VisibleCount < Old.TopRow + RowsPerPage(S);
      SendMessageW(S.ListWindow, LB_SETCOUNT, static_cast<WPARAM>(S.VisibleCount), 0);
    }
  }
  if (!AppSettings.WordWrap && AppSettings.HorzScrollbar && Result.LongestLineChanged) UpdateRowMetrics(S);
  if (!Old.AllVisible || Result.ChangedEntry >= 0) RecountAll(S);
  else AddToCounters(S, Result.OldCount, Result.NewCount);
  UpdateStatus(S);
  if (S.Following && S.VisibleCount > 0) {
    SelectRow(S, S.VisibleCount - 1, S.WrapViewActive, S.WrapViewActive, MayTakeFocus(S));
  } else if (Old.TopRow > S.VisibleCount - 1) {
    SetTopRow(S, std::max(0, S.VisibleCount - 1));
  }
  if (Result.ChangedEntry >= 0 && S.ListWindow)
    RepaintDue = RepaintDue || RowOnPage(RowOfEntry(S, Result.ChangedEntry), GetTopRow(S), RowsPerPage(S) + 1);
  return RepaintDue;
}

void ShowAppended(TSkerrinState& S, const TTailResult& Result) {
  const TOldView Old{S.VisibleCount, GetTopRow(S), S.AllVisible};
  // The rows of a filtered view move when it is rebuilt; the selection goes back by entry.
  // Without a filter (before and after) every row keeps its index and its selection.
  const bool Filtered = !S.FilterW.empty();
  TNotedSelection Noted;
  if (!S.Following && (Filtered || !Old.AllVisible)) Noted = NoteSelection(S);

  S.LastLineNumber = S.Tail.LastLineNumber;
  S.LongestLine = S.Tail.LongestLine;
  if (Result.ChangedEntry >= 0) ForgetEntry(S, Result.ChangedEntry);
  UpdateEffectiveLevels(S.RuleCache, S.Log->List);

  bool RepaintDue = false;
  {
    TRedrawSuspension Suspended(Filtered ? nullptr : S.ListWindow);
    if (Filtered) {
      RebuildView(S, !S.Following, true);
      if (S.Following && S.VisibleCount > 0) SelectRow(S, S.VisibleCount - 1, true, true, MayTakeFocus(S));
    } else {
      RepaintDue = ExtendInPlace(S, Old, Result);
    }
    if (Noted.Noted) RestoreSelection(S, Noted);
  }
  if (RepaintDue && S.ListWindow) RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

}  // namespace

void StartTail(TSkerrinState& S) {
  S.TailActive = true;
  // The bytes of an unfinished last line stay: the file position already counts them, so
  // dropping them here would lose the start of that line.
  if (S.Window)
    SetTimer(S.Window, TailTimerId, static_cast<UINT>(ClampTailInterval(AppSettings.TailIntervalMs)), nullptr);
}

void StopTail(TSkerrinState& S) {
  S.TailActive = false;
  if (S.Window) KillTimer(S.Window, TailTimerId);
}

void TailTick(TSkerrinState& S) {
  if (!S.TailActive || S.FileName.empty() || !S.Log || S.InTailTick) return;
  S.InTailTick = true;
  struct TClearFlag {
    bool& Flag;
    ~TClearFlag() { Flag = false; }
  } Clear{S.InTailTick};
  const TTailResult Result = PollTail(S.Tail, *S.Log, S.FileName);
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
  S.Following = On;
  AppSettings.Follow = On;
  SaveSettings();
  SetBox(S.FollowBox, On);
  if (On && S.VisibleCount > 0) SelectRow(S, S.VisibleCount - 1, true, true, true);
}

void SetTailEnabled(TSkerrinState& S, bool On) {
  AppSettings.TailEnabled = On;
  SaveSettings();
  SetBox(S.TailBox, On);
  if (On) StartTail(S);
  else StopTail(S);
}

void ResumeTailAfterLoad(TSkerrinState& S) {
  if (!S.Log) return;
  TTailFileInfo Info;
  ReadFileInfo(S.FileName, Info);
  ResetTail(S.Tail, *S.Log, Info);
  S.LastLineNumber = S.Tail.LastLineNumber;
  S.LongestLine = S.Tail.LongestLine;
  SetBox(S.TailBox, AppSettings.TailEnabled);
  if (AppSettings.TailEnabled) StartTail(S);
  else StopTail(S);
  UpdateStatus(S);
}

void ApplyTailSettings(TSkerrinState& S) {
  S.Following = AppSettings.Follow;
  SetBox(S.FollowBox, S.Following);
  if (AppSettings.TailEnabled) StartTail(S);
  else StopTail(S);
}
