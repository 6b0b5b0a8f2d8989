#include "viewer/uViewLoad.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "viewer/uListRows.h"
#include "viewer/uStatusBar.h"
#include "viewer/uTailTimer.h"
#include "viewer/uViewState.h"

namespace {

using TClock = std::chrono::steady_clock;

// The rows one message takes at most. A row costs the window's thread a few nanoseconds to be
// counted, and about a hundred to be tested against a filter or a colour rule that sets levels:
// either way a message stays within some 10 to 15 ms.
int32_t RowsPerMessage(const TSkerrinState& S) {
  int32_t Rows = ShowsWholeFile(S.Filter.Query) ? 1 << 20 : 1 << 17;
  if (S.RuleCache.RulesSetLevel) Rows /= 2;
  return Rows;
}

// After a message that took Spent, the next takes its rows no sooner than twice that later, so
// that the load never has more than a third of the host's thread. What dominates when the view
// is large is handing the list control its new row count, which the platform's listbox pays for
// in proportion to its rows.
TClock::time_point EarliestNextTake(TClock::time_point Now, TClock::duration Spent) {
  return Now + std::max<TClock::duration>(2 * Spent, std::chrono::milliseconds(USER_TIMER_MINIMUM));
}

// While the worker has nothing new the window still looks now and then: should a posted
// notification ever be lost (a full message queue), the load must not stall for it.
constexpr UINT LoadPollMs = 250;

// A load the user asked for shows the whole file: no filter text, every level, no highlights.
void ClearFilterBox(TSkerrinState& S) {
  S.Filter.FilterW.clear();
  S.Filter.ShownLevels = AllLevels;
  S.Search.Highlighting = false;
  if (S.Bar.FilterEdit && GetWindowTextLengthW(S.Bar.FilterEdit) > 0) SetWindowTextW(S.Bar.FilterEdit, L"");
  // Emptying the box reports a change, which would start the debounce timer again.
  if (S.Window) KillTimer(S.Window, FilterTimerId);
}

// An empty view: nothing of the log that was shown may show any more.
void EmptyView(TSkerrinState& S) {
  S.View.AllVisible = true;
  S.View.Visible.clear();
  S.View.VisibleCount = 0;
  S.View.TimestampIndexDirty = true;
  ClearRuleCaches(S.RuleCache);
  S.Counters = TLevelCounters{};
  RefreshListCount(S);
}

// The load is over, or stopped: it publishes nothing more and its worker ends on its own.
void DropLoad(TSkerrinState& S) {
  S.Load.Running.reset();
  if (S.Window) KillTimer(S.Window, LoadTimerId);
}

// A new, empty log takes the old one's place, behind a view that shows nothing of the old one.
void ReplaceLog(TSkerrinState& S) {
  EmptyView(S);
  if (S.Window) KillTimer(S.Window, LoadTimerId);
  S.Load.RestorePlace = false;
  LetGoOfLog(S);
  S.Log = std::make_shared<TLoadedLog>();
}

// After a failed load the view stays empty but usable and says why; tail then reloads the file
// at its next change.
void ShowFailedLoad(TSkerrinState& S) {
  DropLoad(S);
  try {
    S.Log->List.Clear();
  } catch (...) {
    S.Log->List.Count = 0;
  }
  EmptyView(S);
  ResetTail(S.Tail.File, *S.Log);
  UpdateStatus(S);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
  StartOrStopTail(S);
}

// Starts the load of FileName into a new log behind an empty view. The worker's only way to the
// viewer is a message posted to its window, which stays valid: the load is cancelled before the
// window goes, and no notification comes after that.
bool StartLoad(TSkerrinState& S, bool TakeFocus, bool KeepFilter) {
  StopTail(S);
  ReplaceLog(S);
  if (!KeepFilter) ClearFilterBox(S);
  S.Load.BytesRead = 0;
  S.Load.TakeFocus = TakeFocus;
  S.Load.SelectedRow = -1;
  S.Load.ExpectedRows = 0;
  S.Load.NextTake = {};
  const HWND Window = S.Window;
  try {
    S.Load.Running = TBackgroundLoad::Start(S.Log, S.FileName, S.Settings,
                                            [Window] { PostMessageW(Window, LoadProgressMessage, 0, 0); });
  } catch (...) {
    S.Load.Running.reset();
    if (S.Log->LoadError == leNone) S.Log->LoadError = leOutOfMemory;
  }
  if (!S.Load.Running) {
    ShowFailedLoad(S);
    return false;
  }
  S.Load.FileSize = S.Log->FileSize;
  // Line numbers and the widest line follow the rows as they come.
  ResetTail(S.Tail.File, *S.Log);
  RebuildView(S, false, false, false);
  if (S.Window) SetTimer(S.Window, LoadTimerId, LoadPollMs, nullptr);
  return true;
}

int32_t LastEntryOf(const TViewPlace& Place) {
  int32_t Last = std::max(Place.CaretEntry, Place.TopEntry);
  for (const int32_t Entry : Place.SelectedEntries) Last = std::max(Last, Entry);
  return Last;
}

void RestorePendingPlace(TSkerrinState& S, bool Ended) {
  if (!S.Load.RestorePlace || (!Ended && LastEntryOf(S.Load.Place) >= S.Log->List.Count)) return;
  S.Load.RestorePlace = false;
  RestoreViewPlace(S, S.Load.Place);
}

// The rows of the view once the file is read, judged by the rows its bytes read so far gave, with
// an eighth more for the lines still to come being shorter.
int32_t LikelyRows(const TSkerrinState& S) {
  if (S.Load.BytesRead <= 0 || S.Load.FileSize <= S.Load.BytesRead) return S.View.VisibleCount;
  const double Rows = static_cast<double>(S.View.VisibleCount) * static_cast<double>(S.Load.FileSize) /
                      static_cast<double>(S.Load.BytesRead) * 1.125;
  return static_cast<int32_t>(std::min<double>(Rows, MaxListCount));
}

// The list control is told what to expect only when the rows pass the last estimate, so that
// it takes its room a few times per load rather than with every batch.
void ExpectRows(TSkerrinState& S) {
  if (!S.Rows || S.View.VisibleCount <= S.Load.ExpectedRows) return;
  S.Load.ExpectedRows = LikelyRows(S);
  S.Rows->RowsExpected(S.Load.ExpectedRows);
}

// The rows the last Take added become rows of the view, as tail's lines do; the first of them
// is selected once, unless a reload puts the user's place back instead.
void ShowTakenRows(TSkerrinState& S, const TLoadProgress& Progress) {
  const int32_t OldLongest = S.Tail.File.LongestLine;
  ResetTail(S.Tail.File, *S.Log);
  TLogGrowth Growth;
  Growth.OldCount = Progress.OldCount;
  Growth.NewCount = Progress.NewCount;
  Growth.LongestLineChanged = S.Tail.File.LongestLine != OldLongest;
  Growth.MayFollow = S.Settings.TailEnabled;
  ShowGrowth(S, Growth);
  ExpectRows(S);
  if (S.Load.SelectedRow < 0 && !S.Load.RestorePlace && S.View.VisibleCount > 0) {
    // Following the end, the growth has selected the last row already.
    if (S.Rows && S.Rows->FirstSelected() < 0) SelectRow(S, 0, true, true, S.Load.TakeFocus);
    S.Load.SelectedRow = std::max(0, CurrentRow(S));
  }
  RestorePendingPlace(S, false);
}

// What a completed load does: tail resumes after the last whole line, with the identity of the
// file the load read (a log rotated meanwhile is then loaded afresh at the first poll); with tail
// on, the last row is selected unless the user has moved away from where the load left him.
void EndLoad(TSkerrinState& S) {
  DropLoad(S);
  ResetTail(S.Tail.File, *S.Log);
  RestorePendingPlace(S, true);
  const int32_t Count = S.View.VisibleCount;
  const bool Untouched = CurrentRow(S) == S.Load.SelectedRow && GetTopRow(S) == std::max(0, S.Load.SelectedRow);
  if (S.Settings.TailEnabled && Count > 0 && (S.Tail.Following || Untouched))
    SelectRow(S, Count - 1, true, true, S.Load.TakeFocus);
  S.View.TimestampIndexDirty = true;
  UpdateStatus(S);
  StartOrStopTail(S);
}

}  // namespace

bool LoadInProgress(const TSkerrinState& S) { return S.Load.Running != nullptr; }

bool LoadAndShow(TSkerrinState& S) { return StartLoad(S, LoadMayTakeFocus(S), false); }

bool ReloadKeepingPlace(TSkerrinState& S, const TViewPlace& Place) {
  ReadFilterStrings(S);
  if (!StartLoad(S, false, true)) return false;
  S.Load.Place = Place;
  S.Load.RestorePlace = true;
  return true;
}

void TakeLoadedRows(TSkerrinState& S) {
  if (!S.Load.Running) return;
  const TClock::time_point Start = TClock::now();
  if (Start < S.Load.NextTake) {
    // A notification that comes early waits for its turn on the timer.
    const auto Wait = std::chrono::ceil<std::chrono::milliseconds>(S.Load.NextTake - Start).count();
    if (S.Window) SetTimer(S.Window, LoadTimerId, static_cast<UINT>(Wait), nullptr);
    return;
  }
  const TLoadProgress Progress = S.Load.Running->Take(RowsPerMessage(S));
  S.Load.BytesRead = Progress.BytesRead;
  S.Load.FileSize = Progress.FileSize;
  if (Progress.State == lsFailed) {
    ShowFailedLoad(S);
    return;
  }
  if (Progress.NewCount > Progress.OldCount) ShowTakenRows(S, Progress);
  // Only a cancel ends a load this way, and a cancelled load is dropped at once; should it come
  // anyway, the rows taken stay as the end of a load leaves them.
  if (Progress.State == lsDone || Progress.State == lsCancelled) {
    EndLoad(S);
    return;
  }
  UpdateStatus(S);
  const TClock::time_point Now = TClock::now();
  S.Load.NextTake = EarliestNextTake(Now, Now - Start);
  // A timer's message comes after the host's input and paint, where a posted one would not.
  const auto Wait = std::chrono::ceil<std::chrono::milliseconds>(S.Load.NextTake - Now).count();
  if (S.Window) SetTimer(S.Window, LoadTimerId, Progress.MoreRows ? static_cast<UINT>(Wait) : LoadPollMs, nullptr);
}
