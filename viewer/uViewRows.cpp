#include "viewer/uViewRows.h"

#include <algorithm>

#include "model/uLineEncoding.h"
#include "viewer/uHostWindow.h"

int32_t EntryOfRow(const TSkerrinState& S, int32_t Row) {
  const int32_t Entry = VisibleToEntry(S.View.AllVisible, S.View.Visible, S.View.VisibleCount, Row);
  // A view is never meant to outlive its entries, but a row that does must not be read.
  return S.Log && Entry < S.Log->List.Count ? Entry : -1;
}

int32_t RowOfEntry(const TSkerrinState& S, int32_t Entry) {
  return EntryToVisibleRow(S.View.AllVisible, S.View.Visible, S.View.VisibleCount, Entry);
}

TCodePage LineCodePageOf(const TSkerrinState& S) {
  const bool UnicodeFile = S.Log && (S.Log->ByteOrderMark || S.Log->Encoding != 0);
  return LineCodePage(S.EncodingChoice, (S.ShowFlags & lcp_ascii) != 0, UnicodeFile);
}

TVisibleRows RowsOf(const TSkerrinState& S) {
  return {S.Log->List, S.View.AllVisible, S.View.Visible, S.View.VisibleCount, LineCodePageOf(S)};
}

std::string_view EntryBytes(const TSkerrinState& S, int32_t Entry) {
  const TLogEntry& E = S.Log->List.Items[static_cast<size_t>(Entry)];
  return {S.Log->List.EntryText(Entry), static_cast<size_t>(std::max(0, E.TextLength))};
}

std::wstring RowTextOf(TSkerrinState& S, int32_t Row) {
  const int32_t Entry = EntryOfRow(S, Row);
  if (Entry < 0) return {};
  DecodeLineBytes(EntryBytes(S, Entry), S.Draw.LineBuffer, LineCodePageOf(S));
  return std::wstring(S.Draw.LineBuffer.begin(), S.Draw.LineBuffer.end());
}

TLogLevel LevelOfEntry(TSkerrinState& S, int32_t Entry) { return EffectiveLevel(S.RuleCache, S.Log->List, Entry); }

int32_t RuleOfEntry(TSkerrinState& S, int32_t Entry) { return RuleForEntry(S.RuleCache, S.Log->List, Entry); }
