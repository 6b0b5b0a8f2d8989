#include "viewer/uViewState.h"

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "settings/uSettings.h"
#include "viewer/uLineRender.h"
#include "viewer/uTailView.h"
#include "viewer/uWin32LogWindow.h"
#include "viewer/uWrapView.h"

namespace {

std::u16string WindowTextU16(HWND Window) {
  const int Length = GetWindowTextLengthW(Window);
  std::u16string Text(static_cast<size_t>(std::max(0, Length)) + 1, u'\0');
  const int Got = GetWindowTextW(Window, reinterpret_cast<wchar_t*>(Text.data()), Length + 1);
  Text.resize(static_cast<size_t>(std::max(0, Got)));
  return Text;
}

int32_t ContextNumber(const TSkerrinState& S) {
  if (!S.LookEdit) return 0;
  return ParseContextNumber(std::u16string_view(WindowTextU16(S.LookEdit)));
}

bool HasFocus(HWND Control) { return Control && GetFocus() == Control; }

int32_t FirstSelectedListboxRow(const TSkerrinState& S) {
  int First = -1;
  if (SendMessageW(S.ListWindow, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&First)) == 1) return First;
  return -1;
}

void UpdateCounters(TSkerrinState& S) {
  const TLevelCounters C =
      CountVisibleLevels(S.RuleCache, S.Log->List, S.AllVisible, S.Visible, S.VisibleCount);
  S.ErrorCount = C.ErrorCount;
  S.WarnCount = C.WarnCount;
  S.InfoCount = C.InfoCount;
  S.LastErrorTime = C.LastErrorTime;
  S.LastWarnTime = C.LastWarnTime;
  S.LastInfoTime = C.LastInfoTime;
}

void ClearFilterBox(TSkerrinState& S) {
  S.FilterW.clear();
  S.FilterLowerW.clear();
  if (S.FilterEdit && GetWindowTextLengthW(S.FilterEdit) > 0) SetWindowTextW(S.FilterEdit, L"");
  // Emptying the box reports a change, which would start the debounce timer again.
  if (S.Window) KillTimer(S.Window, FilterTimerId);
}

}  // namespace

void ReadFilterStrings(TSkerrinState& S) {
  if (S.FilterEdit) S.FilterW = WindowTextU16(S.FilterEdit);
  S.FilterLowerW = NormalisedForMatch(S.FilterW);
}

int32_t VisibleToEntry(const TSkerrinState& S, int32_t Row) {
  const int32_t Entry = VisibleToEntry(S.AllVisible, S.Visible, S.VisibleCount, Row);
  // A view is never meant to outlive its entries, but a row that does must not be read.
  return S.Log && Entry < S.Log->List.Count ? Entry : -1;
}

void ResetToEmptyView(TSkerrinState& S) {
  S.AllVisible = true;
  S.Visible.clear();
  S.VisibleCount = 0;
  S.TimestampIndexDirty = true;
  ClearRuleCaches(S.RuleCache);
  S.ErrorCount = S.WarnCount = S.InfoCount = 0;
  S.LastErrorTime = S.LastWarnTime = S.LastInfoTime = 0;
  RefreshListCount(S);
  UpdateStatus(S);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
}

bool LoadAndShow(TSkerrinState& S) {
  ClearRuleCaches(S.RuleCache);
  bool Loaded = false;
  try {
    Loaded = S.Log->Load(S.FileName, AppSettings);
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
  S.LastLineNumber = S.Log->List.Count;
  S.LongestLine = S.Log->MaxLineLength;
  ClearFilterBox(S);
  {
    TRedrawSuspension Suspended(S.ListWindow);
    RebuildView(S, false, false);
    if (S.VisibleCount > 0) SelectRow(S, AppSettings.TailEnabled ? S.VisibleCount - 1 : 0, true, true, true);
  }
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
  if (S.TailBox) SendMessageW(S.TailBox, BM_SETCHECK, AppSettings.TailEnabled ? BST_CHECKED : BST_UNCHECKED, 0);
  ResumeTailAfterLoad(S);
  return true;
}

void RebuildView(TSkerrinState& S, bool KeepTop, bool SelectFirst) {
  const TLogList& List = S.Log->List;
  SyncRuleCache(S.RuleCache, ColorRulesOf(AppSettings));
  UpdateEffectiveLevels(S.RuleCache, List);
  ReadFilterStrings(S);
  const bool FilterFocused = HasFocus(S.FilterEdit);
  const bool LookFocused = HasFocus(S.LookEdit);
  const int32_t NotedTop = KeepTop ? GetTopRow(S) : 0;
  const int32_t NotedEntry = VisibleToEntry(S, CurrentRow(S));

  try {
    ApplyFilter(List, S.FilterW, S.FilterLowerW, ContextNumber(S), S.AllVisible, S.Visible, S.VisibleCount,
                S.FilterScratch);
  } catch (const std::bad_alloc&) {
    // Without room for the row array, the whole file is shown rather than a view that lies.
    S.AllVisible = true;
    S.Visible.clear();
    S.VisibleCount = List.Count;
  }
  S.TimestampIndexDirty = true;
  RefreshListCount(S);
  UpdateRowMetrics(S);
  UpdateCounters(S);
  UpdateStatus(S);

  const bool TakeFocus = !FilterFocused && !LookFocused;
  if (NotedEntry >= 0) {
    const int32_t Row = EntryToVisibleRow(S.AllVisible, S.Visible, S.VisibleCount, NotedEntry);
    if (Row >= 0) SelectRow(S, Row, false, true, TakeFocus);
  } else if (SelectFirst && S.VisibleCount > 0) {
    SelectRow(S, 0, false, true, TakeFocus);
  }
  if (KeepTop) SetTopRow(S, std::min(NotedTop, std::max(0, S.VisibleCount - 1)));
  if (FilterFocused) SetFocus(S.FilterEdit);
  else if (LookFocused) SetFocus(S.LookEdit);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, FALSE);
}

int32_t CurrentRow(const TSkerrinState& S) {
  if (!S.ListWindow || S.VisibleCount <= 0) return -1;
  if (S.WrapViewActive) {
    if (S.WrapCaret >= 0 && S.WrapCaret < S.VisibleCount) return S.WrapCaret;
    for (int32_t Row = 0; Row < S.VisibleCount && Row < static_cast<int32_t>(S.WrapSelection.size()); ++Row)
      if (S.WrapSelection[static_cast<size_t>(Row)]) return Row;
    return -1;
  }
  // A listbox reports caret 0 even when nothing was ever selected; with no selection at all
  // there is no current row, so that a first Shift+click selects only the clicked row.
  if (SendMessageW(S.ListWindow, LB_GETSELCOUNT, 0, 0) <= 0) return -1;
  const auto Caret = static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETCARETINDEX, 0, 0));
  if (Caret >= 0 && Caret < S.VisibleCount) return Caret;
  const int32_t First = FirstSelectedListboxRow(S);
  if (First >= 0 && First < S.VisibleCount) return First;
  return -1;
}

void SelectRow(TSkerrinState& S, int32_t Row, bool ScrollToTop, bool Redraw, bool TakeFocus) {
  if (!S.ListWindow || Row < 0 || Row >= S.VisibleCount) return;
  if (HasFocus(S.FilterEdit) || HasFocus(S.LookEdit)) TakeFocus = false;
  if (S.WrapViewActive) {
    ClearSelection(S);
    SetRowSelected(S, Row, true);
    S.WrapCaret = Row;
    S.WrapAnchor = Row;
    if (ScrollToTop) SetWrapTop(S, Row);
    else EnsureRowVisible(S, Row);
  } else {
    TRedrawSuspension Suspended(S.ListWindow);
    SendMessageW(S.ListWindow, LB_SETSEL, FALSE, -1);
    SendMessageW(S.ListWindow, LB_SETSEL, TRUE, Row);
    SendMessageW(S.ListWindow, LB_SETCARETINDEX, Row, FALSE);
    if (ScrollToTop) SendMessageW(S.ListWindow, LB_SETTOPINDEX, Row, 0);
  }
  if (TakeFocus) SetFocus(S.ListWindow);
  if (Redraw) RedrawWindow(S.ListWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

int32_t RowsPerPage(const TSkerrinState& S) {
  if (S.WrapViewActive) return WrapPageSize(S);
  RECT Client{};
  if (S.ListWindow) GetClientRect(S.ListWindow, &Client);
  return std::max<int32_t>(1, Client.bottom / std::max<int32_t>(1, S.RowHeight));
}

void CentreRow(TSkerrinState& S, int32_t Row) {
  const int32_t P = RowsPerPage(S);
  SetTopRow(S, std::min(std::max(0, S.VisibleCount - P), std::max(0, Row - P / 2)));
}

int32_t GetTopRow(const TSkerrinState& S) {
  if (!S.ListWindow) return 0;
  if (S.WrapViewActive) return S.WrapTop;
  return std::max<int32_t>(0, static_cast<int32_t>(SendMessageW(S.ListWindow, LB_GETTOPINDEX, 0, 0)));
}

void SetTopRow(TSkerrinState& S, int32_t Row) {
  if (!S.ListWindow) return;
  if (S.WrapViewActive) SetWrapTop(S, Row);
  else SendMessageW(S.ListWindow, LB_SETTOPINDEX, std::max(0, Row), 0);
}

std::wstring RowTextW(TSkerrinState& S, int32_t Row) {
  const int32_t Entry = VisibleToEntry(S, Row);
  if (Entry < 0) return {};
  const TLogEntry& E = S.Log->List.Items[static_cast<size_t>(Entry)];
  DecodeLineBytes(std::string_view(S.Log->List.EntryText(Entry), static_cast<size_t>(std::max(0, E.TextLength))),
                  S.LineBuffer);
  return std::wstring(reinterpret_cast<const wchar_t*>(S.LineBuffer.data()), S.LineBuffer.size());
}

TLogLevel EffectiveLevel(TSkerrinState& S, int32_t EntryIndex) {
  return ::EffectiveLevel(S.RuleCache, S.Log->List, EntryIndex);
}

int32_t RuleForEntry(TSkerrinState& S, int32_t EntryIndex) {
  return ::RuleForEntry(S.RuleCache, S.Log->List, EntryIndex);
}
