#include "viewer/uViewState.h"

#include <algorithm>
#include <new>

#include "viewer/uListRows.h"
#include "viewer/uStatusBar.h"
#include "viewer/uTailTimer.h"
#include "viewer/uViewRows.h"
#include "toolkit/uWindowText.h"

namespace {

int32_t ContextNumber(const TSkerrinState& S) {
  if (!S.Bar.LookEdit) return 0;
  return ParseContextNumber(std::u16string_view(WindowTextU16(S.Bar.LookEdit)));
}

bool HasFocus(HWND Control) { return Control && GetFocus() == Control; }

void ClearFilterBox(TSkerrinState& S) {
  S.Filter.FilterW.clear();
  S.Filter.FilterLowerW.clear();
  if (S.Bar.FilterEdit && GetWindowTextLengthW(S.Bar.FilterEdit) > 0) SetWindowTextW(S.Bar.FilterEdit, L"");
  // Emptying the box reports a change, which would start the debounce timer again.
  if (S.Window) KillTimer(S.Window, FilterTimerId);
}

}  // namespace

void ReadFilterStrings(TSkerrinState& S) {
  if (S.Bar.FilterEdit) S.Filter.FilterW = WindowTextU16(S.Bar.FilterEdit);
  S.Filter.FilterLowerW = NormalisedForMatch(S.Filter.FilterW);
}

void RecountLevels(TSkerrinState& S) {
  S.Counters = CountVisibleLevels(S.RuleCache, S.Log->List, S.View.AllVisible, S.View.Visible, S.View.VisibleCount);
}

void ResetToEmptyView(TSkerrinState& S) {
  S.View.AllVisible = true;
  S.View.Visible.clear();
  S.View.VisibleCount = 0;
  S.View.TimestampIndexDirty = true;
  ClearRuleCaches(S.RuleCache);
  S.Counters = TLevelCounters{};
  RefreshListCount(S);
  UpdateStatus(S);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
}

bool LoadAndShow(TSkerrinState& S) {
  ClearRuleCaches(S.RuleCache);
  bool Loaded = false;
  try {
    Loaded = S.Log->Load(S.FileName, S.Settings);
  } catch (...) {
    Loaded = false;
  }
  if (!Loaded) {
    // Whatever the failed load left in the list, the view must not address rows of the
    // previous file: it becomes empty but stays usable.
    try {
      S.Log->List.Clear();
    } catch (...) {
      S.Log->List.Count = 0;
    }
    ResetToEmptyView(S);
    ResumeTailAfterLoad(S);
    return false;
  }
  S.View.LastLineNumber = S.Log->List.Count;
  S.View.LongestLine = S.Log->MaxLineLength;
  ClearFilterBox(S);
  {
    TRedrawSuspension Suspended(S.ListWindow);
    RebuildView(S, false, false);
    const int32_t Count = S.View.VisibleCount;
    if (Count > 0) SelectRow(S, S.Settings.TailEnabled ? Count - 1 : 0, true, true, true);
  }
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
  ResumeTailAfterLoad(S);
  return true;
}

void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst, bool MayTakeFocus) {
  const TLogList& List = S.Log->List;
  TViewRows& View = S.View;
  SyncRuleCache(S.RuleCache, ColorRulesOf(S.Settings));
  UpdateEffectiveLevels(S.RuleCache, List);
  ReadFilterStrings(S);
  const bool FilterFocused = HasFocus(S.Bar.FilterEdit);
  const bool LookFocused = HasFocus(S.Bar.LookEdit);
  const int32_t NotedTop = KeepTop ? GetTopRow(S) : 0;
  const int32_t NotedEntry = VisibleToEntry(S, CurrentRow(S));

  try {
    ApplyFilter(List, S.Filter.FilterW, S.Filter.FilterLowerW, ContextNumber(S), View.AllVisible, View.Visible,
                View.VisibleCount, S.Filter.Scratch);
  } catch (const std::bad_alloc&) {
    // Without room for the row array, the whole file is shown rather than a view that lies.
    View.AllVisible = true;
    View.Visible.clear();
    View.VisibleCount = List.Count;
  }
  View.TimestampIndexDirty = true;
  RefreshListCount(S);
  UpdateRowMetrics(S);
  RecountLevels(S);
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
