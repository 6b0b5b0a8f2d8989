#include "viewer/uViewRows.h"

#include <algorithm>

int32_t VisibleToEntry(const TSkerrinState& S, int32_t Row) {
  const int32_t Entry = VisibleToEntry(S.View.AllVisible, S.View.Visible, S.View.VisibleCount, Row);
  // A view is never meant to outlive its entries, but a row that does must not be read.
  return S.Log && Entry < S.Log->List.Count ? Entry : -1;
}

int32_t RowOfEntry(const TSkerrinState& S, int32_t Entry) {
  return EntryToVisibleRow(S.View.AllVisible, S.View.Visible, S.View.VisibleCount, Entry);
}

TVisibleRows RowsOf(const TSkerrinState& S) {
  return {S.Log->List, S.View.AllVisible, S.View.Visible, S.View.VisibleCount};
}

std::string_view EntryBytes(const TSkerrinState& S, int32_t Entry) {
  const TLogEntry& E = S.Log->List.Items[static_cast<size_t>(Entry)];
  return {S.Log->List.EntryText(Entry), static_cast<size_t>(std::max(0, E.TextLength))};
}

std::wstring RowTextW(TSkerrinState& S, int32_t Row) {
  const int32_t Entry = VisibleToEntry(S, Row);
  if (Entry < 0) return {};
  DecodeLineBytes(EntryBytes(S, Entry), S.Draw.LineBuffer);
  return std::wstring(S.Draw.LineBuffer.begin(), S.Draw.LineBuffer.end());
}

TLogLevel EffectiveLevel(TSkerrinState& S, int32_t EntryIndex) {
  return ::EffectiveLevel(S.RuleCache, S.Log->List, EntryIndex);
}

int32_t RuleForEntry(TSkerrinState& S, int32_t EntryIndex) {
  return ::RuleForEntry(S.RuleCache, S.Log->List, EntryIndex);
}

void EnsureSelectionCapacity(TSkerrinState& S, int32_t N) {
  TWrapView& W = S.Wrap;
  if (W.WrapSelectionCapacity >= N) return;
  W.WrapSelectionCapacity = std::max(W.WrapSelectionCapacity + 4096, N);
  W.WrapSelection.resize(static_cast<size_t>(W.WrapSelectionCapacity), 0);
}

void ClearSelection(TSkerrinState& S) { std::fill(S.Wrap.WrapSelection.begin(), S.Wrap.WrapSelection.end(), 0); }

bool IsRowSelected(const TSkerrinState& S, int32_t Row) {
  return Row >= 0 && Row < S.View.VisibleCount && static_cast<size_t>(Row) < S.Wrap.WrapSelection.size() &&
         S.Wrap.WrapSelection[static_cast<size_t>(Row)] != 0;
}

void SetRowSelected(TSkerrinState& S, int32_t Row, bool Selected) {
  if (Row < 0 || Row >= S.View.VisibleCount) return;
  EnsureSelectionCapacity(S, Row + 1);
  S.Wrap.WrapSelection[static_cast<size_t>(Row)] = Selected ? 1 : 0;
}

void SelectRowRange(TSkerrinState& S, int32_t A, int32_t B) {
  for (int32_t Row = std::min(A, B); Row <= std::max(A, B); ++Row) SetRowSelected(S, Row, true);
}
