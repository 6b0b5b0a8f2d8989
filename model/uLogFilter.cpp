#include "model/uLogFilter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "platform/uPlatformText.h"
#include "platform/uTextCodec.h"

namespace {

constexpr std::array<unsigned char, 256> MakeAsciiFold() {
  std::array<unsigned char, 256> Table{};
  for (int i = 0; i < 256; ++i) Table[i] = static_cast<unsigned char>(i >= 'A' && i <= 'Z' ? i + 32 : i);
  return Table;
}
constexpr std::array<unsigned char, 256> AsciiFold = MakeAsciiFold();

constexpr uint64_t HighBits = 0x8080808080808080ull;

uint64_t LoadWord(const void* Bytes) {
  uint64_t Word;
  std::memcpy(&Word, Bytes, sizeof Word);
  return Word;
}

bool IsSpaceOrControl(char32_t Unit) { return Unit <= 32; }

// Shared by the UTF-16 and the 8-bit forms of the context box text.
template <typename TChar>
int32_t ParseTrimmedInteger(std::basic_string_view<TChar> Text) {
  while (!Text.empty() && IsSpaceOrControl(static_cast<char32_t>(Text.front()))) Text.remove_prefix(1);
  while (!Text.empty() && IsSpaceOrControl(static_cast<char32_t>(Text.back()))) Text.remove_suffix(1);
  bool Negative = false;
  if (!Text.empty() && (Text.front() == TChar('-') || Text.front() == TChar('+'))) {
    Negative = Text.front() == TChar('-');
    Text.remove_prefix(1);
  }
  if (Text.empty()) return 0;
  int64_t Value = 0;
  for (const TChar Unit : Text) {
    if (Unit < TChar('0') || Unit > TChar('9')) return 0;
    Value = Value * 10 + (Unit - TChar('0'));
    if (Value > int64_t{std::numeric_limits<int32_t>::max()} + 1) return 0;
  }
  if (Negative) Value = -Value;
  if (Value < std::numeric_limits<int32_t>::min() || Value > std::numeric_limits<int32_t>::max()) return 0;
  return static_cast<int32_t>(Value);
}

}  // namespace

std::u16string DecodeLineBytes(const char* Bytes, int32_t Length, TCodePage CodePage) {
  std::u16string Out;
  if (Bytes && Length > 0) DecodeLineBytes(std::string_view(Bytes, static_cast<size_t>(Length)), Out, CodePage);
  return Out;
}

void DecodeLineBytes(std::string_view Bytes, std::u16string& Out, TCodePage CodePage) {
  if (Bytes.empty()) {
    Out.clear();
    return;
  }
  if (CodePage & cpForced) {
    PlatformCodePageToUtf16(CodePage & ~cpForced, Bytes, Out);
    return;
  }
  if (DecodeUtf8Strict(Bytes, Out) && !Out.empty()) return;
  if (CodePage == cpUtf8) DecodeUtf8Lenient(Bytes, Out);
  else PlatformCodePageToUtf16(CodePage, Bytes, Out);
}

void NormaliseForMatch(std::u16string& Text) {
  std::replace(Text.begin(), Text.end(), OhmSign, CapitalOmega);
  PlatformLowerCaseW(Text.data(), Text.size());
}

std::u16string NormalisedForMatch(std::u16string_view Text) {
  std::u16string Result(Text);
  NormaliseForMatch(Result);
  return Result;
}

bool IsAsciiW(std::u16string_view Text) {
  return std::all_of(Text.begin(), Text.end(), [](char16_t Unit) { return Unit < 0x80; });
}

bool IsAsciiBytes(std::string_view Bytes) {
  const char* Data = Bytes.data();
  size_t i = 0;
  for (; i + 8 <= Bytes.size(); i += 8)
    if (LoadWord(Data + i) & HighBits) return false;
  for (; i < Bytes.size(); ++i)
    if (static_cast<unsigned char>(Data[i]) >= 0x80) return false;
  return true;
}

TFilterNeedle ChooseNeedle(std::u16string_view FilterW, std::u16string_view FilterLowerW) {
  TFilterNeedle Needle;
  Needle.BytePath = IsAsciiW(FilterW);
  if (Needle.BytePath) {
    Needle.Ascii.resize(FilterW.size());
    for (size_t i = 0; i < FilterW.size(); ++i) Needle.Ascii[i] = static_cast<char>(AsciiFold[FilterW[i]]);
  }
  // Lower-casing ASCII folds exactly "A".."Z", so on the byte path this is the same needle in
  // UTF-16, for finding it in a decoded line.
  Needle.Unicode = FilterLowerW;
  return Needle;
}

bool MatchBytes(std::string_view Line, std::string_view Needle) {
  if (Needle.empty()) return true;
  if (Line.size() < Needle.size()) return false;
  // A plain scan: on log text it measured as fast as word-at-a-time scanning for a rare byte.
  const auto* Text = reinterpret_cast<const unsigned char*>(Line.data());
  const auto* Pattern = reinterpret_cast<const unsigned char*>(Needle.data());
  const size_t NeedleLength = Needle.size();
  const size_t LastStart = Line.size() - NeedleLength;
  const unsigned char First = AsciiFold[Pattern[0]];
  for (size_t Start = 0; Start <= LastStart; ++Start) {
    if (AsciiFold[Text[Start]] != First) continue;
    size_t i = 1;
    while (i < NeedleLength && AsciiFold[Text[Start + i]] == AsciiFold[Pattern[i]]) ++i;
    if (i == NeedleLength) return true;
  }
  return false;
}

namespace {

// One line tested against several Unicode needles is decoded and normalised once.
struct TLineUnderTest {
  std::string_view Bytes;
  std::u16string& Scratch;
  TCodePage CodePage;
  bool Decoded = false;

  bool Holds(std::u16string_view Needle) {
    // Lower-casing keeps ASCII text ASCII (and "I" is always "i"), so a pure-ASCII line needs
    // no decoding: it cannot hold a needle unit above 127, and otherwise folding its bytes is
    // exactly what decoding and lower-casing would do.
    if (!Decoded && IsAsciiBytes(Bytes)) {
      if (!IsAsciiW(Needle)) return false;
      char AsciiNeedle[256];
      if (Needle.size() <= sizeof AsciiNeedle) {
        for (size_t i = 0; i < Needle.size(); ++i) AsciiNeedle[i] = static_cast<char>(Needle[i]);
        return MatchBytes(Bytes, std::string_view(AsciiNeedle, Needle.size()));
      }
    }
    if (!Decoded) {
      DecodeLineBytes(Bytes, Scratch, CodePage);
      NormaliseForMatch(Scratch);
      Decoded = true;
    }
    return std::u16string_view(Scratch).find(Needle) != std::u16string_view::npos;
  }

  bool Holds(const TFilterNeedle& Needle) {
    return Needle.BytePath ? MatchBytes(Bytes, Needle.Ascii) : Holds(std::u16string_view(Needle.Unicode));
  }
};

}  // namespace

bool MatchUnicode(std::string_view Line, std::u16string_view Needle, std::u16string& Scratch, TCodePage CodePage) {
  return TLineUnderTest{Line, Scratch, CodePage}.Holds(Needle);
}

bool MatchLine(const TFilterNeedle& Needle, std::string_view Line, std::u16string& Scratch, TCodePage CodePage) {
  return TLineUnderTest{Line, Scratch, CodePage}.Holds(Needle);
}

// --- The filter text's terms ---------------------------------------------------------------

TFilterTerms ParseFilterText(std::u16string_view Text) {
  TFilterTerms Terms;
  std::u16string Piece;
  bool Excluding = false;
  const auto ClosePiece = [&] {
    if (!Excluding) Terms.Include = Piece;
    else if (!Piece.empty()) Terms.Exclude.push_back(Piece);
    Piece.clear();
  };
  for (size_t i = 0; i < Text.size(); ++i) {
    const bool TermStart = i == 0 || Text[i - 1] == u' ';
    if (TermStart && Text[i] == u'!') {
      while (!Piece.empty() && Piece.back() == u' ') Piece.pop_back();
      ClosePiece();
      Excluding = true;
    } else if (TermStart && Text[i] == u'\\' && i + 1 < Text.size() && Text[i + 1] == u'!') {
      Piece += u'!';
      ++i;
    } else {
      Piece += Text[i];
    }
  }
  ClosePiece();
  return Terms;
}

TTextQuery MakeTextQuery(std::u16string_view FilterW, TCodePage CodePage) {
  const auto NeedleOf = [](std::u16string_view Term) { return ChooseNeedle(Term, NormalisedForMatch(Term)); };
  const TFilterTerms Terms = ParseFilterText(FilterW);
  TTextQuery Query;
  Query.CodePage = CodePage;
  Query.HasInclude = !Terms.Include.empty();
  if (Query.HasInclude) Query.Include = NeedleOf(Terms.Include);
  for (const std::u16string& Term : Terms.Exclude) Query.Exclude.push_back(NeedleOf(Term));
  return Query;
}

bool KeepsEveryLine(const TTextQuery& Query) { return !Query.HasInclude && Query.Exclude.empty(); }

bool MatchesTextQuery(const TTextQuery& Query, std::string_view Line, std::u16string& Scratch) {
  TLineUnderTest Test{Line, Scratch, Query.CodePage};
  if (Query.HasInclude && !Test.Holds(Query.Include)) return false;
  for (const TFilterNeedle& Needle : Query.Exclude)
    if (Test.Holds(Needle)) return false;
  return true;
}

// --- Where a line matches ------------------------------------------------------------------

void AddMatchSpan(TMatchSpans& Spans, size_t Start, size_t Length) {
  const auto First = static_cast<int32_t>(Start);
  const auto End = static_cast<int32_t>(Start + Length);
  if (!Spans.empty() && First <= Spans.back().Start + Spans.back().Length) {
    TMatchSpan& Last = Spans.back();
    Last.Length = std::max(Last.Length, End - Last.Start);
    return;
  }
  Spans.push_back({First, End - First});
}

void FindFilterSpans(std::u16string_view Line, const TTextQuery& Query, TMatchSpans& Spans, std::u16string& Scratch) {
  Spans.clear();
  if (!Query.HasInclude) return;
  const std::u16string_view Needle(Query.Include.Unicode);
  const auto Add = [&](size_t Start) {
    AddMatchSpan(Spans, Start, Needle.size());
    return true;
  };
  // The byte path folds only "A".."Z": a letter that lower-cases to ASCII (the Kelvin sign)
  // must not light up where the filter did not match it.
  if (Query.Include.BytePath) {
    ForEachOccurrence(Line, Needle, true, false, Add);
    return;
  }
  // The normalisation maps unit to unit, so positions in the copy are positions in the line.
  Scratch.assign(Line);
  NormaliseForMatch(Scratch);
  ForEachOccurrence(std::u16string_view(Scratch), Needle, false, false, Add);
}

int32_t ParseContextNumber(std::u16string_view Text) { return ParseTrimmedInteger(Text); }

int32_t ParseContextNumber(std::string_view Text) { return ParseTrimmedInteger(Text); }

TContextLines ContextFromNumber(int32_t Number) {
  TContextLines Context;
  if (Number > 0) Context.After = Number;
  // -INT32_MIN does not exist; one line fewer than "all of them" changes nothing.
  if (Number < 0)
    Context.Before = Number == std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::max() : -Number;
  return Context;
}

namespace {

// Ranges arrive in ascending order of their matches, so merging them as they come gives the
// same rows as collecting all matches first.
template <typename TMatcher>
int32_t CollectRows(const TLogList& List, TContextLines Context, TIndexArray& Visible, TMatcher&& Matches) {
  const int32_t Count = List.Count;
  Visible.resize(static_cast<size_t>(std::max(Count, 0)));
  int32_t Written = 0;
  const auto WriteRun = [&](int64_t First, int64_t Last) {
    for (int64_t Index = First; Index <= Last; ++Index)
      Visible[static_cast<size_t>(Written++)] = static_cast<int32_t>(Index);
  };
  TRunMerger Runs{Context, 0, int64_t{Count} - 1};
  for (int32_t Index = 0; Index < Count; ++Index)
    if (Matches(EntryLineBytes(List, Index))) Runs.Add(Index, WriteRun);
  Runs.Finish(WriteRun);
  Visible.resize(static_cast<size_t>(Written));
  return Written;
}

}  // namespace

int32_t BuildFilteredRows(const TLogList& List, const TFilterNeedle& Needle, TContextLines Context,
                          TIndexArray& Visible, std::u16string& Scratch) {
  // One loop per path keeps the byte matcher inlined in the hot loop.
  if (Needle.BytePath) {
    const std::string_view Ascii(Needle.Ascii);
    return CollectRows(List, Context, Visible, [Ascii](std::string_view Line) { return MatchBytes(Line, Ascii); });
  }
  const std::u16string_view Unicode(Needle.Unicode);
  return CollectRows(List, Context, Visible,
                     [Unicode, &Scratch](std::string_view Line) { return MatchUnicode(Line, Unicode, Scratch); });
}

void ApplyFilter(const TLogList& List, std::u16string_view FilterW, std::u16string_view FilterLowerW,
                 int32_t ContextNumber, bool& AllVisible, TIndexArray& Visible, int32_t& VisibleCount,
                 std::u16string& Scratch) {
  if (FilterW.empty()) {
    AllVisible = true;
    TIndexArray().swap(Visible);
    VisibleCount = std::max(List.Count, 0);
    return;
  }
  AllVisible = false;
  VisibleCount =
      BuildFilteredRows(List, ChooseNeedle(FilterW, FilterLowerW), ContextFromNumber(ContextNumber), Visible, Scratch);
}

int32_t VisibleToEntry(bool AllVisible, const TIndexArray& Visible, int32_t VisibleCount, int32_t Row) {
  if (Row < 0 || Row >= VisibleCount) return -1;
  if (AllVisible) return Row;
  if (static_cast<size_t>(Row) >= Visible.size()) return -1;
  return Visible[static_cast<size_t>(Row)];
}

int32_t EntryToVisibleRow(bool AllVisible, const TIndexArray& Visible, int32_t VisibleCount, int32_t EntryIndex) {
  if (EntryIndex < 0) return -1;
  if (AllVisible) return EntryIndex < VisibleCount ? EntryIndex : -1;
  // Visible is ascending without repeats, so the first equal element is the only one.
  const auto End =
      Visible.begin() + std::min<ptrdiff_t>(std::max(VisibleCount, 0), static_cast<ptrdiff_t>(Visible.size()));
  const auto Found = std::lower_bound(Visible.begin(), End, EntryIndex);
  if (Found == End || *Found != EntryIndex) return -1;
  return static_cast<int32_t>(Found - Visible.begin());
}
