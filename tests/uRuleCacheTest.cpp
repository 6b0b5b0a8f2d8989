#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uRuleCache.h"
#include "uViewFixture.h"
#include "settings/uSettings.h"

namespace {

void AddLines(TLogList& List, int32_t Count, const std::string& Text) {
  for (int32_t i = 0; i < Count; ++i) AddTestLine(List, {Text});
}

TColorStringRule Rule(const std::string& Pattern, bool UseLevel = false, TLogLevel Level = lCustom) {
  TColorStringRule Result;
  Result.Pattern = Pattern;
  Result.Color = 0x00FFFF;
  Result.UseLevel = UseLevel;
  Result.Level = Level;
  return Result;
}

TAppSettings SettingsWith(const std::vector<TColorStringRule>& Rules, bool DisableDefaultLevels = false) {
  TAppSettings Settings;
  for (size_t i = 0; i < Rules.size(); ++i) Settings.ColorRules[i] = Rules[i];
  Settings.ColorRuleCount = static_cast<int32_t>(Rules.size());
  Settings.DisableDefaultLevels = DisableDefaultLevels;
  return Settings;
}

TLevelCounters CountAll(TRuleCache& Cache, const TLogList& List) {
  return CountVisibleLevels(Cache, List, true, {}, List.Count);
}

}  // namespace

TEST(RuleCacheSync, StaleOnEveryComparedField) {
  const TAppSettings Base = SettingsWith({Rule("alpha"), Rule("beta", true, lWarn)});
  TRuleCache Cache;
  EXPECT_TRUE(SyncRuleCache(Cache, ColorRulesOf(Base)));
  EXPECT_FALSE(SyncRuleCache(Cache, ColorRulesOf(Base)));

  const std::vector<void (*)(TAppSettings&)> Changes = {
      [](TAppSettings& S) { S.ColorRules[1].Pattern = "Beta"; },
      [](TAppSettings& S) { S.ColorRules[0].Enabled = false; },
      [](TAppSettings& S) { S.ColorRules[0].UseLevel = true; },
      [](TAppSettings& S) { S.ColorRules[1].Level = lError; },
      [](TAppSettings& S) { S.ColorRules[0].Color = 1; },
      [](TAppSettings& S) { S.ColorRules[1].FgColor = 0; },
      [](TAppSettings& S) { S.ColorRuleCount = 1; },
      [](TAppSettings& S) { S.DisableDefaultLevels = true; },
  };
  for (size_t i = 0; i < Changes.size(); ++i) {
    TAppSettings Changed = Base;
    Changes[i](Changed);
    EXPECT_TRUE(RuleCacheIsStale(Cache, ColorRulesOf(Changed))) << "change " << i;
  }
  // Slots past the count are not compared.
  TAppSettings Beyond = Base;
  Beyond.ColorRules[5].Pattern = "ignored";
  EXPECT_FALSE(RuleCacheIsStale(Cache, ColorRulesOf(Beyond)));
}

TEST(RuleCacheSync, PatternsAndFlags) {
  TRuleCache Cache;
  TColorStringRule Disabled = Rule("off");
  Disabled.Enabled = false;
  SyncRuleCache(Cache,
                ColorRulesOf(SettingsWith({Rule("ERROR"), Disabled, Rule(""), Rule("R=5\xE2\x84\xA6", true, lError)})));
  EXPECT_EQ(Cache.RuleCount, 4);
  EXPECT_TRUE(Cache.RulesActive);
  EXPECT_TRUE(Cache.RulesSetLevel);
  EXPECT_FALSE(Cache.RulePatternsAscii);
  EXPECT_EQ(Cache.RulePatternW[0], u"error");
  EXPECT_EQ(Cache.RulePatternUtf8[0], "error");
  EXPECT_EQ(Cache.RulePatternW[1], u"");
  EXPECT_EQ(Cache.RulePatternW[2], u"");
  EXPECT_EQ(Cache.RulePatternW[3], u"r=5\u03C9");
  EXPECT_EQ(Cache.RulePatternUtf8[3], "r=5\xCF\x89");

  // Only disabled or empty rules: nothing is active; fewer rules clear the old slots.
  SyncRuleCache(Cache, ColorRulesOf(SettingsWith({Disabled, Rule("")})));
  EXPECT_FALSE(Cache.RulesActive);
  EXPECT_FALSE(Cache.RulesSetLevel);
  EXPECT_TRUE(Cache.RulePatternsAscii);
  EXPECT_EQ(Cache.RulePatternW[0], u"");
  EXPECT_EQ(Cache.RulePatternW[3], u"");
  EXPECT_EQ(Cache.RulePatternUtf8[3], "");
}

TEST(RuleCacheSync, CountBeyondTheTableIsClamped) {
  TAppSettings Settings = SettingsWith({Rule("a")});
  Settings.ColorRuleCount = 999;
  TRuleCache Cache;
  SyncRuleCache(Cache, ColorRulesOf(Settings));
  EXPECT_EQ(Cache.RuleCount, MaxColorRules);
  EXPECT_FALSE(SyncRuleCache(Cache, ColorRulesOf(Settings)));
  Settings.ColorRuleCount = -4;
  SyncRuleCache(Cache, ColorRulesOf(Settings));
  EXPECT_EQ(Cache.RuleCount, 0);
  EXPECT_FALSE(Cache.RulesActive);
}

TEST(RuleForEntry, FirstMatchingRuleInOrder) {
  TLogList List;
  for (const char* Text : {"plain line", "an ERROR and a warning", "only Warning", "\xC3\x89TAT critique",
                           "\xC9TAT latin-1", "kelvin", ""})
    AddTestLine(List, {Text});
  TColorStringRule Disabled = Rule("plain");
  Disabled.Enabled = false;
  TRuleCache Cache;
  SyncRuleCache(Cache,
                ColorRulesOf(SettingsWith({Disabled, Rule(""), Rule("warning"), Rule("error"), Rule("\xC3\xA9tat")})));
  const int32_t Expected[] = {-1, 2, 2, 4, 4, -1, -1};
  for (int32_t i = 0; i < List.Count; ++i) EXPECT_EQ(RuleForEntry(Cache, List, i), Expected[i]) << i;
  EXPECT_EQ(RuleForEntry(Cache, List, -1), -1);
  EXPECT_EQ(RuleForEntry(Cache, List, List.Count), -1);
}

TEST(RuleForEntry, AsciiPatternsOnNonAsciiLinesUseTheUnicodePath) {
  // A Kelvin sign lower-cases to "k" in Unicode, so only the decoded line can match "k".
  TLogList List;
  AddTestLine(List, {"5 \xE2\x84\xAA"});
  AddTestLine(List, {"5 K"});
  TRuleCache Cache;
  SyncRuleCache(Cache, ColorRulesOf(SettingsWith({Rule("5 k")})));
  ASSERT_TRUE(Cache.RulePatternsAscii);
  EXPECT_EQ(RuleForEntry(Cache, List, 1), 0);
  std::u16string Kelvin = u"\u212A";
  NormaliseForMatch(Kelvin);
  EXPECT_EQ(RuleForEntry(Cache, List, 0), Kelvin == u"k" ? 0 : -1);
}

TEST(RuleForEntry, MixedPatternsOnAsciiAndOtherLines) {
  TLogList List;
  for (const char* Text : {"an ERROR", "caf\xC3\xA9 error", "CAF\xC3\x89", "CAF\xC9", "cafe", "\xE2\x84\xA6 error"})
    AddTestLine(List, {Text});
  TRuleCache Cache;
  SyncRuleCache(Cache, ColorRulesOf(SettingsWith({Rule("caf\xC3\xA9"), Rule("Error"), Rule("\xCF\x89")})));
  ASSERT_FALSE(Cache.RulePatternsAscii);
  const int32_t Expected[] = {1, 0, 0, 0, -1, 1};
  for (int32_t i = 0; i < List.Count; ++i) EXPECT_EQ(RuleForEntry(Cache, List, i), Expected[i]) << i;
}

TEST(RuleForEntry, CacheGrowth) {
  struct {
    int32_t InitialEntries;  // entries when the first query is made
    int32_t FirstQuery;
    size_t SizeAfterFirst;
    int32_t LaterEntries;  // entries after an append
    int32_t SecondQuery;
    size_t SizeAfterSecond;
  } Cases[] = {
      {10, 0, 4096, 10, 9, 4096},         // small list: 4096 at once
      {5000, 0, 5000, 5000, 4999, 5000},  // the entry count when that is larger
      {100, 50, 4096, 5000, 4500, 8192},  // past 2047: doubled
      {100, 50, 4096, 9000, 8999, 9000},  // doubled is too short: the entry count
      {3000, 0, 4096, 3000, 2999, 4096},
  };
  for (const auto& Case : Cases) {
    TLogList List;
    AddLines(List, Case.InitialEntries, "x error");
    TRuleCache Cache;
    SyncRuleCache(Cache, ColorRulesOf(SettingsWith({Rule("error")})));
    EXPECT_EQ(RuleForEntry(Cache, List, Case.FirstQuery), 0);
    EXPECT_EQ(Cache.RuleMatchCache.size(), Case.SizeAfterFirst) << Case.InitialEntries;
    AddLines(List, Case.LaterEntries - Case.InitialEntries, "x ok");
    const int32_t Expected = Case.SecondQuery < Case.InitialEntries ? 0 : -1;
    EXPECT_EQ(RuleForEntry(Cache, List, Case.SecondQuery), Expected);
    EXPECT_EQ(Cache.RuleMatchCache.size(), Case.SizeAfterSecond) << Case.InitialEntries;
    // Earlier answers survive the growth; untouched bytes stay "not computed".
    EXPECT_EQ(Cache.RuleMatchCache[Case.FirstQuery], 0);
    for (size_t i = 0; i < Cache.RuleMatchCache.size(); ++i) {
      if (static_cast<int32_t>(i) == Case.FirstQuery || static_cast<int32_t>(i) == Case.SecondQuery) continue;
      ASSERT_EQ(Cache.RuleMatchCache[i], RuleNotComputed) << i;
    }
    EXPECT_EQ(Cache.RuleMatchCache[Case.SecondQuery], Expected < 0 ? RuleNone : 0);
  }
}

TEST(RuleForEntry, AnswersAreCachedUntilTheRulesChange) {
  TLogList List;
  AddTestLine(List, {"error"});
  TRuleCache Cache;
  TAppSettings Settings = SettingsWith({Rule("error")});
  SyncRuleCache(Cache, ColorRulesOf(Settings));
  EXPECT_EQ(RuleForEntry(Cache, List, 0), 0);
  // Rewriting the stored text in place is invisible while the cached answer stands.
  List.TextBuffer[List.Items[0].TextOffset] = 'X';
  EXPECT_EQ(RuleForEntry(Cache, List, 0), 0);
  EXPECT_FALSE(SyncRuleCache(Cache, ColorRulesOf(Settings)));
  EXPECT_EQ(RuleForEntry(Cache, List, 0), 0);
  Settings.ColorRules[0].Color = 7;
  EXPECT_TRUE(SyncRuleCache(Cache, ColorRulesOf(Settings)));
  EXPECT_EQ(RuleForEntry(Cache, List, 0), -1);
  ClearRuleCaches(Cache);
  EXPECT_TRUE(Cache.RuleMatchCache.empty());
}

TEST(EffectiveLevels, RulesLevelsAndIgnoredLevels) {
  TLogList List;
  AddTestLine(List, {"disk FULL", lInfo});
  AddTestLine(List, {"all fine", lInfo});
  AddTestLine(List, {"slow query", lDebug});
  AddTestLine(List, {"painted only", lWarn});
  struct {
    bool Ignore;
    std::vector<TLogLevel> Expected;
  } Cases[] = {
      {false, {lError, lInfo, lWarn, lWarn}},
      {true, {lError, lCustom, lWarn, lCustom}},
  };
  for (const auto& Case : Cases) {
    TRuleCache Cache;
    const TAppSettings Settings =
        SettingsWith({Rule("disk full", true, lError), Rule("slow", true, lWarn), Rule("painted")}, Case.Ignore);
    SyncRuleCache(Cache, ColorRulesOf(Settings));
    UpdateEffectiveLevels(Cache, List);
    EXPECT_EQ(Cache.LevelsDoneUpTo, 4);
    EXPECT_EQ(Cache.EffectiveLevels.size(), 4096u);
    for (int32_t i = 0; i < List.Count; ++i) EXPECT_EQ(EffectiveLevel(Cache, List, i), Case.Expected[i]) << i;
  }
}

TEST(EffectiveLevels, AppendedEntriesBeforeAndAfterTheUpdate) {
  TLogList List;
  AddTestLine(List, {"boom", lInfo});
  TRuleCache Cache;
  SyncRuleCache(Cache, ColorRulesOf(SettingsWith({Rule("boom", true, lError)})));
  UpdateEffectiveLevels(Cache, List);
  AddTestLine(List, {"boom again", lInfo});
  AddTestLine(List, {"calm", lWarn});
  // Not yet updated: answered on the spot rather than read past the computed part.
  EXPECT_EQ(EffectiveLevel(Cache, List, 1), lError);
  EXPECT_EQ(EffectiveLevel(Cache, List, 2), lWarn);
  UpdateEffectiveLevels(Cache, List);
  EXPECT_EQ(Cache.LevelsDoneUpTo, 3);
  EXPECT_EQ(Cache.EffectiveLevels[1], lError);
  EXPECT_EQ(Cache.EffectiveLevels[2], lWarn);

  // Growth: twice the length once the entries pass it.
  for (int i = 0; i < 5000; ++i) AddTestLine(List, {"x", lInfo});
  UpdateEffectiveLevels(Cache, List);
  EXPECT_EQ(Cache.EffectiveLevels.size(), 8192u);
  EXPECT_EQ(EffectiveLevel(Cache, List, 5002), lInfo);
}

TEST(LevelCounters, CountsAndLatestTimes) {
  TLogList List;
  AddTestLine(List, {"e1", lError, 45000.5});
  AddTestLine(List, {"w1", lWarn, 0});
  AddTestLine(List, {"e2", lError, 45001.25});
  AddTestLine(List, {"i1", lInfo, 44000});
  AddTestLine(List, {"d1", lDebug, 46000});
  AddTestLine(List, {"t1", lTrace, 46000});
  AddTestLine(List, {"c1", lCustom, 46000});
  AddTestLine(List, {"e3", lError, 45000});
  TRuleCache Cache;
  SyncRuleCache(Cache, ColorRulesOf(SettingsWith({})));
  TLevelCounters All = CountAll(Cache, List);
  EXPECT_EQ(All.ErrorCount, 3);
  EXPECT_EQ(All.WarnCount, 1);
  EXPECT_EQ(All.InfoCount, 1);
  EXPECT_EQ(All.LastErrorTime, 45001.25);
  EXPECT_EQ(All.LastWarnTime, 0);
  EXPECT_EQ(All.LastInfoTime, 44000);

  const TIndexArray Visible = {1, 7};
  TLevelCounters Some = CountVisibleLevels(Cache, List, false, Visible, 2);
  EXPECT_EQ(Some.ErrorCount, 1);
  EXPECT_EQ(Some.WarnCount, 1);
  EXPECT_EQ(Some.InfoCount, 0);
  EXPECT_EQ(Some.LastErrorTime, 45000);

  TLevelCounters None = CountVisibleLevels(Cache, List, false, {}, 0);
  EXPECT_EQ(None.ErrorCount + None.WarnCount + None.InfoCount, 0);
  EXPECT_EQ(None.LastErrorTime, 0);
}

TEST(LevelCounters, AGrowingLogCountsAsARecountAndACompletedLineIsMatchedAgain) {
  TLogList List;
  AddTestLine(List, {"disk ", lInfo, 1});
  TRuleCache Cache;
  SyncRuleCache(Cache, ColorRulesOf(SettingsWith({Rule("disk full", true, lError)})));
  UpdateEffectiveLevels(Cache, List);
  TLevelCounters Counters = CountAll(Cache, List);
  AddTestLine(List, {"disk full", lInfo, 3});
  AddTestLine(List, {"late warning", lWarn, 2});
  UpdateEffectiveLevels(Cache, List);
  CountAppendedEntries(Counters, Cache, List, 1, 3);
  const TLevelCounters Recount = CountAll(Cache, List);
  EXPECT_EQ(Counters.ErrorCount, Recount.ErrorCount);
  EXPECT_EQ(Counters.WarnCount, Recount.WarnCount);
  EXPECT_EQ(Counters.InfoCount, Recount.InfoCount);
  EXPECT_EQ(Counters.LastErrorTime, Recount.LastErrorTime);
  EXPECT_EQ(Counters.LastWarnTime, Recount.LastWarnTime);

  // The first line is completed after it was matched: its new text counts once it is forgotten.
  const std::string Completed = "disk full too";
  List.Items[0].TextOffset = List.AppendText(Completed.data(), static_cast<int32_t>(Completed.size()));
  List.Items[0].TextLength = static_cast<int32_t>(Completed.size());
  EXPECT_EQ(RuleForEntry(Cache, List, 0), -1) << "cached";
  ForgetEntry(Cache, 0);
  UpdateEffectiveLevels(Cache, List);
  EXPECT_EQ(RuleForEntry(Cache, List, 0), 0);
  EXPECT_EQ(EffectiveLevel(Cache, List, 0), lError);
}

// Lines count by their level after colour rules: a rule with a level makes its lines that level,
// and with the default levels disabled, a rule without one leaves every line uncounted.
TEST(LevelCounters, CountTheLevelsColourRulesGive) {
  struct TCase {
    const char* Name;
    std::vector<TLine> Lines;
    TAppSettings Settings;
    int32_t Errors, Warnings, Infos;
    double LastErrorTime;
  };
  const TCase Cases[] = {
      {"a level rule counts as errors",
       {{"Disk full on /var", lInfo, 45000}, {"disk FULL again", lCustom, 45002}, {"fine", lInfo, 45001}},
       SettingsWith({Rule("disk full", true, lError)}),
       2,
       0,
       1,
       45002},
      {"disabled default levels count nothing",
       {{"e", lError, 1}, {"w", lWarn, 1}, {"i", lInfo, 1}},
       SettingsWith({Rule("e")}, true),  // a colour rule without a level
       0,
       0,
       0,
       0},
  };
  for (const TCase& Case : Cases) {
    TLogList List;
    for (const TLine& Line : Case.Lines) AddTestLine(List, Line);
    TRuleCache Cache;
    SyncRuleCache(Cache, ColorRulesOf(Case.Settings));
    UpdateEffectiveLevels(Cache, List);
    const TLevelCounters Counters = CountAll(Cache, List);
    EXPECT_EQ(Counters.ErrorCount, Case.Errors) << Case.Name;
    EXPECT_EQ(Counters.WarnCount, Case.Warnings) << Case.Name;
    EXPECT_EQ(Counters.InfoCount, Case.Infos) << Case.Name;
    EXPECT_EQ(Counters.LastErrorTime, Case.LastErrorTime) << Case.Name;
  }
}

TEST(LevelCounters, FilterThatMatchesNothing) {
  TLogList List;
  AddTestLine(List, {"ERROR a", lError, 2});
  AddTestLine(List, {"WARN b", lWarn, 2});
  TRuleCache Cache;
  bool AllVisible = true;
  TIndexArray Visible;
  int32_t VisibleCount = 0;
  std::u16string Scratch;
  ApplyFilter(List, u"zzz", u"zzz", 3, AllVisible, Visible, VisibleCount, Scratch);
  ASSERT_EQ(VisibleCount, 0);
  const TLevelCounters Counters = CountVisibleLevels(Cache, List, AllVisible, Visible, VisibleCount);
  EXPECT_EQ(Counters.ErrorCount + Counters.WarnCount + Counters.InfoCount, 0);
}

// Colour rules read 8-bit lines in the viewer's code page: a Cyrillic rule finds its word in a
// cp1251 line only in that page, and a change of page forgets what was matched in the other.
TEST(RuleCacheCodePage, RulesMatchInTheViewersCodePage) {
  TLogList List;
  AddTestLine(List, {"\xCE\xF8\xE8\xE1\xEA\xE0 disk", lInfo});  // "Ошибка" in cp1251
  TRuleCache Cache;
  SyncRuleCache(Cache,
                ColorRulesOf(SettingsWith({Rule("\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0", true, lError)})));
  EXPECT_EQ(EffectiveLevel(Cache, List, 0), lInfo);
  EXPECT_FALSE(SetRuleCodePage(Cache, cpAnsi)) << "the page in use already";
  EXPECT_TRUE(SetRuleCodePage(Cache, 1251 | cpForced));
  UpdateEffectiveLevels(Cache, List);
  EXPECT_EQ(EffectiveLevel(Cache, List, 0), lError);
  EXPECT_EQ(CountAll(Cache, List).ErrorCount, 1);
  EXPECT_TRUE(SetRuleCodePage(Cache, 866 | cpForced));
  UpdateEffectiveLevels(Cache, List);
  EXPECT_EQ(RuleForEntry(Cache, List, 0), -1);
  EXPECT_EQ(EffectiveLevel(Cache, List, 0), lInfo);
}
