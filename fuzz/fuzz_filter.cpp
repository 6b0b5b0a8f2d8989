// The filter, the colour rules and the level jumps over any lines: the visible rows must be the
// rows a plain matcher finds, widened by the context and merged (ascending, each once, inside
// the list), the first matching rule and the effective levels as a plain scan gives them, the
// counters those of the visible rows, and a level jump the nearest such row. The view with
// exclusions and shown levels must be what a plain reading of its terms gives, built at once
// or extended by appended lines, and the highlighted spans must be where the filter matched.

#include <algorithm>
#include <set>

#include "loader/uLineParser.h"
#include "model/uLogFilter.h"
#include "model/uNavigation.h"
#include "model/uRuleCache.h"
#include "model/uViewFilter.h"
#include "platform/uTextCodec.h"
#include "uFuzzSupport.h"

namespace {

bool IsAscii(std::u16string_view Text) {
  return std::all_of(Text.begin(), Text.end(), [](char16_t U) { return U < 128; });
}

char FoldAscii(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

bool ContainsFolded(std::string_view Hay, std::string_view Needle) {
  for (size_t Start = 0; Start + Needle.size() <= Hay.size(); ++Start) {
    size_t K = 0;
    while (K < Needle.size() && FoldAscii(Hay[Start + K]) == FoldAscii(Needle[K])) ++K;
    if (K == Needle.size()) return true;
  }
  return Needle.empty();
}

bool ContainsAsText(std::string_view Line, std::u16string_view NormalisedNeedle) {
  return NormalisedForMatch(DecodeLineBytes(Line.data(), static_cast<int32_t>(Line.size()))).find(NormalisedNeedle) !=
         std::u16string::npos;
}

// A typed ASCII filter compares bytes with A..Z folded; any other is compared as text.
bool NaiveFilterMatch(std::string_view Line, std::u16string_view Typed) {
  if (IsAscii(Typed)) return ContainsFolded(Line, Utf16ToUtf8(Typed));
  return ContainsAsText(Line, NormalisedForMatch(Typed));
}

TLogLevel NaiveEffectiveLevel(const TLogEntry& E, int32_t Rule, const TAppSettings& S) {
  if (Rule >= 0 && S.ColorRules[Rule].UseLevel) {
    const int32_t L = S.ColorRules[Rule].Level;
    return L >= 0 && L < LogLevelCount ? static_cast<TLogLevel>(L) : lCustom;
  }
  return S.DisableDefaultLevels ? lCustom : E.Level;
}

bool NaivePassesText(std::string_view Line, const TFilterTerms& Terms) {
  if (!Terms.Include.empty() && !NaiveFilterMatch(Line, Terms.Include)) return false;
  for (const std::u16string& Term : Terms.Exclude)
    if (NaiveFilterMatch(Line, Term)) return false;
  return true;
}

struct TViewBuilt {
  bool AllVisible = false;
  TIndexArray Visible;
  int32_t VisibleCount = -1;
  TLevelCounters Counters;
  TViewOutput Out() { return {AllVisible, Visible, VisibleCount, Counters}; }
  bool operator==(const TViewBuilt& B) const {
    return AllVisible == B.AllVisible && Visible == B.Visible && VisibleCount == B.VisibleCount &&
           Counters.ErrorCount == B.Counters.ErrorCount && Counters.WarnCount == B.Counters.WarnCount &&
           Counters.InfoCount == B.Counters.InfoCount && Counters.LastErrorTime == B.Counters.LastErrorTime &&
           Counters.LastWarnTime == B.Counters.LastWarnTime && Counters.LastInfoTime == B.Counters.LastInfoTime;
  }
};

void AddLine(TLogList& List, const TLogList& From, int32_t Index) {
  const TLogEntry& Source = From.Items[static_cast<size_t>(Index)];
  const int32_t Offset = List.AppendText(From.EntryText(Index), Source.TextLength);
  const int32_t New = List.ReserveEntry();
  List.Items[static_cast<size_t>(New)] = Source;
  List.Items[static_cast<size_t>(New)].TextOffset = Offset;
  ++List.Count;
}

void CheckView(const TLogList& List, const std::vector<std::string>& Lines, TRuleCache& Cache,
               const std::vector<TLogLevel>& Levels, const std::u16string& Typed, int32_t ContextNumber,
               TLevelSet Shown, int32_t SplitAt) {
  const int32_t N = List.Count;
  const TViewQuery Query = MakeViewQuery(Typed, ContextNumber, Shown);
  TViewBuilt Built;
  std::u16string Scratch;
  BuildView(List, Cache, Query, Built.Out(), Scratch);

  const TFilterTerms Terms = ParseFilterText(Typed);
  const TContextLines Context = ContextFromNumber(ContextNumber);
  std::vector<bool> Text(static_cast<size_t>(N));
  for (int32_t I = 0; I < N; ++I) Text[static_cast<size_t>(I)] = NaivePassesText(Lines[static_cast<size_t>(I)], Terms);
  TIndexArray Want;
  int32_t Counts[3] = {0, 0, 0};
  for (int32_t J = 0; J < N; ++J) {
    bool Row = false, Counted = false;
    for (int32_t M = std::max(0, J - Context.After); M <= std::min(N - 1, J + Context.Before); ++M) {
      Counted = Counted || Text[static_cast<size_t>(M)];
      Row = Row || (Text[static_cast<size_t>(M)] && LevelShown(Shown, Levels[static_cast<size_t>(M)]));
    }
    if (Row) Want.push_back(J);
    if (Counted && Levels[static_cast<size_t>(J)] <= lInfo) ++Counts[Levels[static_cast<size_t>(J)]];
  }
  const bool Whole = Terms.Include.empty() && Terms.Exclude.empty() && Shown == AllLevels;
  FUZZ_CHECK(Built.AllVisible == Whole, "the view is whole exactly without terms and hidden levels");
  FUZZ_CHECK(Built.VisibleCount == static_cast<int32_t>(Want.size()), "view row count differs from the terms");
  for (int32_t R = 0; R < Built.VisibleCount; ++R)
    FUZZ_CHECK(VisibleToEntry(Built.AllVisible, Built.Visible, Built.VisibleCount, R) == Want[static_cast<size_t>(R)],
               "view rows differ from the terms");
  FUZZ_CHECK(Built.Counters.ErrorCount == Counts[0] && Built.Counters.WarnCount == Counts[1] &&
                 Built.Counters.InfoCount == Counts[2],
             "view counters differ from the lines that pass the text");

  TLogList Growing;
  const int32_t Split = std::min(SplitAt, N);
  for (int32_t I = 0; I < Split; ++I) AddLine(Growing, List, I);
  TViewBuilt Extended;
  BuildView(Growing, Cache, Query, Extended.Out(), Scratch);
  for (int32_t I = Split; I < N; ++I) AddLine(Growing, List, I);
  ExtendView(Growing, Cache, Query, Split, Extended.Out(), Scratch);
  FUZZ_CHECK(Extended == Built, "an extended view differs from one built at once");

  TMatchSpans Spans;
  std::u16string Line;
  for (int32_t I = 0; I < N && !Terms.Include.empty(); ++I) {
    DecodeLineBytes(Lines[static_cast<size_t>(I)], Line);
    FindFilterSpans(Line, Query.Text, Spans, Scratch);
    FUZZ_CHECK(Spans.empty() != NaiveFilterMatch(Lines[static_cast<size_t>(I)], Terms.Include),
               "highlighted spans disagree with the filter's match");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzInput In(Data, Size);
  const std::u16string Typed = Utf8ToUtf16(In.Bytes(12));
  const int32_t ContextNumber = In.Int(-4, 4);
  static TAppSettings Settings;
  Settings = TAppSettings{};
  Settings.DisableDefaultLevels = In.Flag();
  Settings.ColorRuleCount = In.Int(0, 4);
  for (int32_t I = 0; I < Settings.ColorRuleCount; ++I) {
    TColorStringRule& R = Settings.ColorRules[I];
    R.Pattern = In.Bytes(6);
    R.Enabled = In.Byte() % 4 != 0;
    R.UseLevel = In.Flag();
    R.Level = static_cast<TLogLevel>(In.Int(-1, 6));
  }
  const int32_t Current = In.Int(-2, 40);
  const bool Forward = In.Flag();
  const auto JumpLevel = static_cast<TLogLevel>(In.Int(0, 2));
  const TLevelSet ShownLevels = In.Flag() ? AllLevels : static_cast<TLevelSet>(In.Byte() & AllLevels);
  const int32_t SplitAt = In.Int(0, 40);

  TLogList List;
  const std::vector<std::string> Lines = NaiveLines(In.Remaining(), true);
  for (const std::string& Line : Lines) {
    const int64_t Offset = List.AppendText(Line.data(), static_cast<int32_t>(Line.size()));
    const int32_t Index = List.ReserveEntry();
    TLogEntry& E = List.Items[static_cast<size_t>(Index)];
    ParseLine(Line, Index + 1, lfPlain, E, TCustomFormatConfig{});
    E.TextOffset = Offset;
    E.TextLength = static_cast<int32_t>(Line.size());
    ++List.Count;
  }
  const int32_t N = List.Count;

  bool AllVisible = false;
  TIndexArray Visible;
  int32_t VisibleCount = -1;
  std::u16string Scratch;
  ApplyFilter(List, Typed, NormalisedForMatch(Typed), ContextNumber, AllVisible, Visible, VisibleCount, Scratch);

  std::set<int32_t> Want;
  const TContextLines Context = ContextFromNumber(ContextNumber);
  for (int32_t I = 0; I < N; ++I) {
    if (!Typed.empty() && !NaiveFilterMatch(Lines[static_cast<size_t>(I)], Typed)) continue;
    for (int32_t J = std::max(0, I - Context.Before); J <= std::min(N - 1, I + Context.After); ++J) Want.insert(J);
  }
  FUZZ_CHECK(AllVisible == Typed.empty(), "everything visible only without a filter");
  FUZZ_CHECK(VisibleCount == static_cast<int32_t>(Typed.empty() ? N : static_cast<int32_t>(Want.size())),
             "visible row count differs from the plain matcher");
  int32_t Row = 0;
  for (int32_t Entry : Want) {
    if (Typed.empty()) break;
    FUZZ_CHECK(VisibleToEntry(AllVisible, Visible, VisibleCount, Row) == Entry, "visible rows differ");
    FUZZ_CHECK(EntryToVisibleRow(AllVisible, Visible, VisibleCount, Entry) == Row, "entry to row differs");
    ++Row;
  }
  for (int32_t I = 0; I < N; ++I)
    if (!Typed.empty() && !Want.count(I))
      FUZZ_CHECK(EntryToVisibleRow(AllVisible, Visible, VisibleCount, I) == -1, "a hidden entry has a row");
  FUZZ_CHECK(VisibleToEntry(AllVisible, Visible, VisibleCount, VisibleCount) == -1 &&
                 VisibleToEntry(AllVisible, Visible, VisibleCount, -1) == -1,
             "rows outside the view map to entries");

  static TRuleCache Cache;
  Cache = TRuleCache{};
  SyncRuleCache(Cache, ColorRulesOf(Settings));
  UpdateEffectiveLevels(Cache, List);
  std::vector<TLogLevel> Levels(static_cast<size_t>(N));
  for (int32_t I = 0; I < N; ++I) {
    int32_t WantRule = -1;
    for (int32_t R = 0; R < Settings.ColorRuleCount && WantRule < 0; ++R) {
      const TColorStringRule& Rule = Settings.ColorRules[R];
      if (Rule.Enabled && !Rule.Pattern.empty() &&
          ContainsAsText(Lines[static_cast<size_t>(I)], NormalisedForMatch(Utf8ToUtf16(Rule.Pattern))))
        WantRule = R;
    }
    FUZZ_CHECK(RuleForEntry(Cache, List, I) == WantRule, "first matching rule differs");
    Levels[static_cast<size_t>(I)] = NaiveEffectiveLevel(List.Items[static_cast<size_t>(I)], WantRule, Settings);
    FUZZ_CHECK(EffectiveLevel(Cache, List, I) == Levels[static_cast<size_t>(I)], "effective level differs");
  }

  const TLevelCounters Counters = CountVisibleLevels(Cache, List, AllVisible, Visible, VisibleCount);
  int32_t Counts[3] = {0, 0, 0};
  for (int32_t R = 0; R < VisibleCount; ++R) {
    const TLogLevel L = Levels[static_cast<size_t>(VisibleToEntry(AllVisible, Visible, VisibleCount, R))];
    if (L <= lInfo) ++Counts[L];
  }
  FUZZ_CHECK(Counters.ErrorCount == Counts[0] && Counters.WarnCount == Counts[1] && Counters.InfoCount == Counts[2],
             "level counters differ from the visible rows");

  const TVisibleRows Rows{List, AllVisible, Visible, VisibleCount};
  int32_t WantJump = -1;
  for (int32_t R = Forward ? std::max(Current + 1, 0) : std::min(Current, VisibleCount) - 1; R >= 0 && R < VisibleCount;
       R += Forward ? 1 : -1) {
    if (Levels[static_cast<size_t>(VisibleToEntry(AllVisible, Visible, VisibleCount, R))] == JumpLevel) {
      WantJump = R;
      break;
    }
  }
  FUZZ_CHECK(JumpToLevel(Rows, Cache, Current, Forward, JumpLevel) == WantJump, "level jump lands elsewhere");

  CheckView(List, Lines, Cache, Levels, Typed, ContextNumber, ShownLevels, SplitAt);
  return 0;
}
