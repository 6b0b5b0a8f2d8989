#include "model/uNavigation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/uDateTime.h"
#include "platform/uTextCodec.h"

namespace {

// Rows in one direction starting at First, clipped to the view; Step is +1 or -1.
struct TRowWalk {
  int32_t First;
  int32_t Step;
  int32_t Count;  // rows to visit, 0 when the start lies outside the view
};

TRowWalk WalkFrom(int32_t First, bool Forward, int32_t VisibleCount) {
  if (Forward) {
    First = std::max(First, 0);
    return {First, 1, std::max(VisibleCount - First, 0)};
  }
  First = std::min(First, VisibleCount - 1);
  return {First, -1, std::max(First + 1, 0)};
}

template <typename TPredicate>
int32_t FirstRowWhere(const TVisibleRows& Rows, TRowWalk Walk, TPredicate&& Test) {
  int32_t Row = Walk.First;
  for (int32_t i = 0; i < Walk.Count; ++i, Row += Walk.Step) {
    const int32_t Entry = Rows.EntryOf(Row);
    if (Entry >= 0 && Test(Entry)) return Row;
  }
  return -1;
}

template <typename TChar>
TChar FoldAscii(TChar Unit) {
  return Unit >= TChar('A') && Unit <= TChar('Z') ? static_cast<TChar>(Unit + 32) : Unit;
}

// Any occurrence, or with WholeWords one that stands between non-word characters. Testing
// further occurrences after a rejected one is what makes "id" a whole word in "userid id".
template <typename TChar>
bool ContainsOccurrence(std::basic_string_view<TChar> Hay, std::basic_string_view<TChar> Needle, bool Fold,
                        bool WholeWords) {
  bool Found = false;
  ForEachOccurrence(Hay, Needle, Fold, WholeWords, [&](size_t) {
    Found = true;
    return false;
  });
  return Found;
}

// Shared by the UTF-8 and UTF-16 forms of the prompt's text.
template <typename TChar>
bool ParseTrimmedInteger(std::basic_string_view<TChar> Text, int32_t& Number) {
  while (!Text.empty() && static_cast<uint32_t>(Text.front()) <= 32) Text.remove_prefix(1);
  while (!Text.empty() && static_cast<uint32_t>(Text.back()) <= 32) Text.remove_suffix(1);
  bool Negative = false;
  if (!Text.empty() && (Text.front() == TChar('-') || Text.front() == TChar('+'))) {
    Negative = Text.front() == TChar('-');
    Text.remove_prefix(1);
  }
  if (Text.empty()) return false;
  int64_t Value = 0;
  for (const TChar Unit : Text) {
    if (Unit < TChar('0') || Unit > TChar('9')) return false;
    Value = Value * 10 + (Unit - TChar('0'));
    if (Value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return false;
  }
  if (Negative) Value = -Value;
  if (Value < std::numeric_limits<int32_t>::min() || Value > std::numeric_limits<int32_t>::max()) return false;
  Number = static_cast<int32_t>(Value);
  return true;
}

double TimeOfDay(double Value) {
  double Fraction = Value - std::trunc(Value);
  if (Fraction < 0) Fraction += 1;
  return Fraction;
}

}  // namespace

int32_t TVisibleRows::EntryOf(int32_t Row) const {
  const int32_t Entry = VisibleToEntry(AllVisible, Visible, VisibleCount, Row);
  return Entry < List.Count ? Entry : -1;
}

// --- Level jumps ---------------------------------------------------------------------------

int32_t JumpToLevel(const TVisibleRows& Rows, TRuleCache& Rules, int32_t CurrentRow, bool Forward, TLogLevel Level) {
  if (CurrentRow < -1) CurrentRow = -1;
  const TRowWalk Walk = WalkFrom(Forward ? CurrentRow + 1 : CurrentRow - 1, Forward, Rows.VisibleCount);
  return FirstRowWhere(Rows, Walk, [&](int32_t Entry) { return EffectiveLevel(Rules, Rows.List, Entry) == Level; });
}

// --- Text search ---------------------------------------------------------------------------

TSearchRequest SearchRequestFromHostFlags(std::string_view Text, int32_t Flags) {
  TSearchRequest Request;
  Request.Text = Text;
  Request.MatchCase = (Flags & lcs_matchcase) != 0;
  Request.WholeWords = (Flags & lcs_wholewords) != 0;
  Request.Backwards = (Flags & lcs_backwards) != 0;
  Request.FindNext = (Flags & lcs_findfirst) == 0;
  return Request;
}

TSearchRequest RepeatSearchRequest(std::string_view LastText, int32_t LastFlags, bool Backwards) {
  TSearchRequest Request = SearchRequestFromHostFlags(LastText, LastFlags);
  Request.Backwards = Backwards;
  Request.FindNext = true;
  return Request;
}

TSearchNeedle MakeSearchNeedle(std::string_view Text, bool MatchCase, bool WholeWords) {
  TSearchNeedle Needle;
  Needle.MatchCase = MatchCase;
  Needle.WholeWords = WholeWords;
  Needle.Ascii = IsAsciiBytes(Text);
  Needle.Bytes.assign(Text);
  if (!MatchCase)
    for (char& Byte : Needle.Bytes) Byte = FoldAscii(Byte);
  Needle.Units = Utf8ToUtf16(Needle.Bytes);
  return Needle;
}

bool LineMatchesSearch(std::string_view Line, const TSearchNeedle& Needle, std::u16string& Scratch,
                       TCodePage CodePage) {
  const bool Fold = !Needle.MatchCase;
  // Pure ASCII on both sides reads the same in UTF-8 and in every 8-bit code page, so the stored
  // bytes are compared directly; anything else is compared as the text the user sees.
  if (IsAsciiBytes(Line)) {
    // Text beyond ASCII cannot occur in a line that has none.
    return Needle.Ascii && ContainsOccurrence<char>(Line, Needle.Bytes, Fold, Needle.WholeWords);
  }
  DecodeLineBytes(Line, Scratch, CodePage);
  return ContainsOccurrence<char16_t>(Scratch, Needle.Units, Fold, Needle.WholeWords);
}

void FindSearchSpans(std::u16string_view Line, const TSearchNeedle& Needle, TMatchSpans& Spans) {
  Spans.clear();
  const std::u16string_view Units(Needle.Units);
  ForEachOccurrence(Line, Units, !Needle.MatchCase, Needle.WholeWords, [&](size_t Start) {
    AddMatchSpan(Spans, Start, Units.size());
    return true;
  });
}

int32_t SearchText(const TVisibleRows& Rows, int32_t CurrentRow, const TSearchRequest& Request) {
  if (Request.Text.empty() || Rows.VisibleCount <= 0) return -1;
  const TSearchNeedle Needle = MakeSearchNeedle(Request.Text, Request.MatchCase, Request.WholeWords);
  if (CurrentRow < -1) CurrentRow = -1;
  const bool Forward = !Request.Backwards;
  int32_t First;
  if (Request.FindNext) First = Forward ? CurrentRow + 1 : CurrentRow - 1;
  else First = Forward ? 0 : Rows.VisibleCount - 1;
  std::u16string Scratch;
  return FirstRowWhere(Rows, WalkFrom(First, Forward, Rows.VisibleCount), [&](int32_t Entry) {
    return LineMatchesSearch(EntryLineBytes(Rows.List, Entry), Needle, Scratch, Rows.CodePage);
  });
}

// --- Go to line and date-time --------------------------------------------------------------

bool ParseLineNumber(std::string_view Text, int32_t& Number) { return ParseTrimmedInteger(Text, Number); }

bool ParseLineNumber(std::u16string_view Text, int32_t& Number) { return ParseTrimmedInteger(Text, Number); }

int32_t GoToLine(const TVisibleRows& Rows, int32_t Number) {
  if (Number <= 0) return -1;
  return FirstRowWhere(Rows, WalkFrom(0, true, Rows.VisibleCount),
                       [&](int32_t Entry) { return Rows.List.Items[static_cast<size_t>(Entry)].LineNumber >= Number; });
}

int32_t GoToDateTime(const TVisibleRows& Rows, double Time) {
  if (!std::isfinite(Time)) return -1;
  const double TimeOnly = TimeOfDay(Time);
  return FirstRowWhere(Rows, WalkFrom(0, true, Rows.VisibleCount), [&](int32_t Entry) {
    const double Stamp = Rows.List.Items[static_cast<size_t>(Entry)].Timestamp;
    if (!(Stamp > 0)) return false;
    // A log that records only the time of day cannot be compared with a full date-time; its
    // lines are compared with the chosen time of day instead.
    return Stamp < 1 ? Stamp >= TimeOnly : Stamp >= Time;
  });
}

bool DateTimeFromPrompt(int Year, int Month, int Day, int Hour, int Minute, int Second, double& Value) {
  return TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, 0, Value);
}

int32_t RowAtPercent(int32_t VisibleCount, int32_t Percent) {
  if (VisibleCount <= 1) return 0;
  const int64_t Scaled = int64_t{VisibleCount - 1} * Percent;
  const int64_t Row = (Scaled >= 0 ? Scaled + 50 : Scaled - 50) / 100;
  return static_cast<int32_t>(std::clamp<int64_t>(Row, 0, VisibleCount - 1));
}
