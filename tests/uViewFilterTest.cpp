#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/uViewFilter.h"
#include "platform/uTextCodec.h"
#include "uViewFixture.h"

namespace {

struct TBuilt {
  bool AllVisible = false;
  TIndexArray Visible;
  int32_t VisibleCount = -1;
  TLevelCounters Counters;

  TViewOutput Out() { return {AllVisible, Visible, VisibleCount, Counters}; }
  TIndexArray Rows() const {
    if (!AllVisible) return Visible;
    TIndexArray All;
    for (int32_t Row = 0; Row < VisibleCount; ++Row) All.push_back(Row);
    return All;
  }
};

TBuilt Build(TView& View, std::u16string_view Filter, int32_t Context, TLevelSet Levels) {
  TBuilt Built;
  std::u16string Scratch;
  BuildView(View.List, View.Rules, MakeViewQuery(Filter, Context, Levels), Built.Out(), Scratch);
  return Built;
}

constexpr TLevelSet ErrorsAndWarnings = LevelBit(lError) | LevelBit(lWarn);

// Ten lines; each level more than once.
std::vector<TLine> TenLines() {
  return {{"0 start", lInfo},       {"1 db timeout", lError},  {"2 retry", lDebug},
          {"3 db retry ok", lWarn}, {"4 DEBUG noise", lDebug}, {"5 plain"},
          {"6 db timeout", lWarn},  {"7 trace x", lTrace},     {"8 db error", lError},
          {"9 end", lInfo}};
}

}  // namespace

TEST(ViewFilter, RowsByTextExclusionsLevelsAndContext) {
  TView View(TenLines());
  struct {
    std::u16string Filter;
    int32_t Context;
    TLevelSet Levels;
    TIndexArray Rows;
  } Cases[] = {
      {u"", 0, AllLevels, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {u"db", 0, AllLevels, {1, 3, 6, 8}},
      {u"db !timeout", 0, AllLevels, {3, 8}},
      {u"DB !TIMEOUT !error", 0, AllLevels, {3}},
      {u"!debug", 0, AllLevels, {0, 1, 2, 3, 5, 6, 7, 8, 9}},
      {u"!db !retry", 0, AllLevels, {0, 4, 5, 7, 9}},
      {u"db !timeout", 1, AllLevels, {3, 4, 8, 9}},
      {u"db !timeout", -2, AllLevels, {1, 2, 3, 6, 7, 8}},
      {u"", 0, ErrorsAndWarnings, {1, 3, 6, 8}},
      {u"", 0, LevelBit(lCustom), {5}},
      {u"", 0, LevelBit(lDebug) | LevelBit(lTrace), {2, 4, 7}},
      {u"", 0, 0, {}},
      {u"db", 0, LevelBit(lError), {1, 8}},
      {u"db", 1, LevelBit(lError), {1, 2, 8, 9}},  // context lines show whatever their level
      {u"timeout", -1, LevelBit(lWarn), {5, 6}},
      {u"!timeout", 0, LevelBit(lError), {8}},
      {u"zzz", 3, AllLevels, {}},
  };
  for (const auto& Case : Cases) {
    const TBuilt Built = Build(View, Case.Filter, Case.Context, Case.Levels);
    EXPECT_EQ(Built.Rows(), Case.Rows) << Utf16ToUtf8(Case.Filter) << " context " << Case.Context << " levels "
                                       << int(Case.Levels);
    EXPECT_EQ(Built.VisibleCount, static_cast<int32_t>(Case.Rows.size()));
    EXPECT_EQ(Built.AllVisible, Case.Filter.empty() && Case.Levels == AllLevels);
  }
}

// Hiding levels leaves the counters as they are; the text filter narrows them with the rows.
TEST(ViewFilter, CountersFollowTheTextNotTheShownLevels) {
  std::vector<TLine> Lines = TenLines();
  for (size_t i = 0; i < Lines.size(); ++i) Lines[i].Timestamp = At(2024, 5, 1, 10, 0, static_cast<int>(i));
  TView View(Lines);
  struct {
    std::u16string Filter;
    int32_t Context;
    TLevelSet Levels;
    int32_t Errors, Warnings, Infos, LastError;  // LastError: the second of the latest error
  } Cases[] = {
      {u"", 0, AllLevels, 2, 2, 2, 8},
      {u"", 0, LevelBit(lDebug), 2, 2, 2, 8},
      {u"db", 0, AllLevels, 2, 2, 0, 8},
      {u"db", 0, LevelBit(lInfo), 2, 2, 0, 8},
      {u"db !error", 0, ErrorsAndWarnings, 1, 2, 0, 1},
      {u"db !error", 1, LevelBit(lTrace), 1, 2, 0, 1},
  };
  for (const auto& Case : Cases) {
    const TLevelCounters Counters = Build(View, Case.Filter, Case.Context, Case.Levels).Counters;
    EXPECT_EQ(Counters.ErrorCount, Case.Errors) << Utf16ToUtf8(Case.Filter) << " levels " << int(Case.Levels);
    EXPECT_EQ(Counters.WarnCount, Case.Warnings) << Utf16ToUtf8(Case.Filter);
    EXPECT_EQ(Counters.InfoCount, Case.Infos) << Utf16ToUtf8(Case.Filter);
    EXPECT_EQ(Counters.LastErrorTime, At(2024, 5, 1, 10, 0, Case.LastError)) << Utf16ToUtf8(Case.Filter);
  }
}

TEST(ViewFilter, LevelsAreTheEffectiveOnesAfterColourRules) {
  TView View(TenLines());
  View.UseLevelRule("plain", lError);
  const TBuilt Built = Build(View, u"", 0, LevelBit(lError));
  EXPECT_EQ(Built.Rows(), (TIndexArray{1, 5, 8}));
  EXPECT_EQ(Built.Counters.ErrorCount, 3);
}

TEST(ViewFilter, ShownLevelsHintAndCounterClicks) {
  EXPECT_EQ(HiddenLevelsHint(AllLevels), "");
  EXPECT_EQ(HiddenLevelsHint(AllLevels & ~(LevelBit(lDebug) | LevelBit(lTrace))), "Hidden: Debug, Trace");
  EXPECT_EQ(HiddenLevelsHint(LevelBit(lError)), "Hidden: Warnings, Infos, Debug, Trace, Other lines");
  EXPECT_EQ(ToggleOnlyLevel(AllLevels, lWarn), LevelBit(lWarn));
  EXPECT_EQ(ToggleOnlyLevel(LevelBit(lWarn), lWarn), AllLevels);
  EXPECT_EQ(ToggleOnlyLevel(LevelBit(lWarn), lError), LevelBit(lError));
  EXPECT_EQ(ToggleOnlyLevel(ErrorsAndWarnings, lError), LevelBit(lError));
}

// Random lines, queries and appends: a build agrees with a plain reading of the rules, and
// extending a view by appended lines, in one or several steps, agrees with building it afresh.
TEST(ViewFilter, ExtendingAgreesWithRebuildingAndBothWithAPlainReading) {
  uint32_t Seed = 2024;
  const auto Random = [&](uint32_t Range) {
    Seed = Seed * 1103515245u + 12345u;
    return (Seed >> 16) % Range;
  };
  const char* Words[] = {"a", "B", "ab", "\xC3\xA9", "\xC3\x89t", "x!"};
  const char16_t* Terms[] = {u"a", u"b", u"ab", u"\u00E9", u"x!"};
  const auto Holds = [](const std::string& Line, std::u16string_view Term) {
    return NormalisedForMatch(Utf8ToUtf16(Line)).find(NormalisedForMatch(Term)) != std::u16string::npos;
  };
  for (int Round = 0; Round < 3000; ++Round) {
    std::vector<TLine> Lines(Random(24));
    for (TLine& Line : Lines) {
      for (uint32_t w = Random(4); w > 0; --w) Line.Text += std::string(Words[Random(6)]) + " ";
      Line.Level = static_cast<TLogLevel>(Random(LogLevelCount));
      Line.Timestamp = Random(3) ? 45000 + Random(100) : 0;
    }
    std::u16string Include = Random(2) ? Terms[Random(5)] : u"";
    std::vector<std::u16string> Exclude;
    for (uint32_t e = Random(3); e > 0; --e) Exclude.push_back(Terms[Random(5)]);
    std::u16string Filter = Include;
    for (const std::u16string& Term : Exclude) Filter += u" !" + Term;
    const int32_t ContextNumber = static_cast<int32_t>(Random(7)) - 3;
    const TLevelSet Levels = Random(3) ? AllLevels : static_cast<TLevelSet>(Random(AllLevels + 1));
    const TViewQuery Query = MakeViewQuery(Filter, ContextNumber, Levels);
    const std::string Label = Utf16ToUtf8(Filter) + " context " + std::to_string(ContextNumber) + " levels " +
                              std::to_string(Levels) + " round " + std::to_string(Round);

    TView Full(Lines);
    TBuilt Expected;
    std::u16string Scratch;
    BuildView(Full.List, Full.Rules, Query, Expected.Out(), Scratch);

    // The plain reading.
    const TContextLines Context = ContextFromNumber(ContextNumber);
    const int32_t N = static_cast<int32_t>(Lines.size());
    TIndexArray Rows;
    TLevelCounters Counters;
    for (int32_t j = 0; j < N; ++j) {
      bool Shown = false, Counted = false;
      for (int32_t m = std::max(0, j - Context.After); m <= std::min(N - 1, j + Context.Before); ++m) {
        const TLine& Line = Lines[static_cast<size_t>(m)];
        bool Text = Include.empty() || Holds(Line.Text, Include);
        for (const std::u16string& Term : Exclude) Text = Text && !Holds(Line.Text, Term);
        Counted = Counted || Text;
        Shown = Shown || (Text && LevelShown(Levels, Line.Level));
      }
      if (Shown) Rows.push_back(j);
      const TLine& Line = Lines[static_cast<size_t>(j)];
      if (Counted && Line.Level == lError) {
        ++Counters.ErrorCount;
        Counters.LastErrorTime = std::max(Counters.LastErrorTime, Line.Timestamp);
      }
      if (Counted && Line.Level == lWarn) ++Counters.WarnCount;
      if (Counted && Line.Level == lInfo) ++Counters.InfoCount;
    }
    ASSERT_EQ(Expected.Rows(), Rows) << Label;
    ASSERT_EQ(Expected.AllVisible, Include.empty() && Exclude.empty() && Levels == AllLevels) << Label;
    ASSERT_EQ(Expected.Counters.ErrorCount, Counters.ErrorCount) << Label;
    ASSERT_EQ(Expected.Counters.WarnCount, Counters.WarnCount) << Label;
    ASSERT_EQ(Expected.Counters.InfoCount, Counters.InfoCount) << Label;
    ASSERT_EQ(Expected.Counters.LastErrorTime, Counters.LastErrorTime) << Label;

    // The same lines arriving in up to three steps.
    TView Growing(std::vector<TLine>{});
    TBuilt Extended;
    BuildView(Growing.List, Growing.Rules, Query, Extended.Out(), Scratch);
    size_t Done = 0;
    while (Done < Lines.size()) {
      const size_t Step = Random(3) ? 1 + Random(static_cast<uint32_t>(Lines.size() - Done)) : Lines.size() - Done;
      const int32_t OldCount = Growing.List.Count;
      for (size_t i = Done; i < Done + Step; ++i) AddTestLine(Growing.List, Lines[i]);
      Done += Step;
      const TIndexArray Before = Extended.Rows();
      const auto Moved =
          static_cast<size_t>(ExtendView(Growing.List, Growing.Rules, Query, OldCount, Extended.Out(), Scratch));
      const TIndexArray After = Extended.Rows();
      // The rows before the one reported stayed; the one reported, unless it is the old count, moved.
      ASSERT_LE(Moved, Before.size()) << Label;
      ASSERT_TRUE(std::equal(Before.begin(), Before.begin() + static_cast<ptrdiff_t>(Moved), After.begin())) << Label;
      ASSERT_TRUE(Moved == Before.size() || After[Moved] != Before[Moved]) << Label;
    }
    ASSERT_EQ(Extended.AllVisible, Expected.AllVisible) << Label;
    ASSERT_EQ(Extended.Rows(), Expected.Rows()) << Label;
    ASSERT_EQ(Extended.VisibleCount, Expected.VisibleCount) << Label;
    ASSERT_EQ(Extended.Counters.ErrorCount, Expected.Counters.ErrorCount) << Label;
    ASSERT_EQ(Extended.Counters.WarnCount, Expected.Counters.WarnCount) << Label;
    ASSERT_EQ(Extended.Counters.InfoCount, Expected.Counters.InfoCount) << Label;
    ASSERT_EQ(Extended.Counters.LastErrorTime, Expected.Counters.LastErrorTime) << Label;
    ASSERT_EQ(Extended.Counters.LastWarnTime, Expected.Counters.LastWarnTime) << Label;
  }
}
