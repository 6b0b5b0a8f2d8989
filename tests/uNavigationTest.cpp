#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "model/uClipboardText.h"
#include "model/uDateTime.h"
#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uNavigation.h"
#include "model/uRuleCache.h"
#include "settings/uSettings.h"
#include "uViewFixture.h"

namespace {

// Rows 0..7: levels chosen so that each kind appears more than once.
std::vector<TLine> MixedLevels() {
  return {{"e0", lError}, {"i1", lInfo}, {"w2", lWarn}, {"e3", lError},
          {"d4", lDebug}, {"w5", lWarn}, {"i6", lInfo}, {"e7", lError}};
}

}  // namespace

TEST(LevelJump, FindsTheNearestRowOfTheLevelWithoutWrapping) {
  TView View(MixedLevels());
  struct {
    int32_t Current;
    bool Forward;
    TLogLevel Level;
    int32_t Expected;
  } const Cases[] = {
      {0, true, lError, 3},                           // the current row itself is never tested
      {3, true, lError, 7},  {7, true, lError, -1},   // no wrap-around at the end
      {7, false, lError, 3}, {0, false, lError, -1},  // nor at the start
      {1, true, lWarn, 2},   {5, true, lWarn, -1},    // on the last warning: nothing
      {5, false, lWarn, 2},  {6, true, lInfo, -1},    {6, false, lInfo, 1},
      {2, true, lDebug, 4},  {-1, true, lError, 0},    // nothing current: a forward jump starts at row 0 itself
      {-1, true, lWarn, 2},  {-1, false, lError, -1},  // and a backward one has nothing before it
      {8, false, lError, 7},                           // a current row past the end is clipped
      {8, true, lError, -1},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, Case.Current, Case.Forward, Case.Level), Case.Expected)
        << "current " << Case.Current << " forward " << Case.Forward << " level " << Case.Level;
}

TEST(LevelJump, WithAFilterOnlyVisibleRowsCountAndRowsAreReturned) {
  TView View(MixedLevels());
  View.Only({1, 2, 4, 7});                                              // rows: i1, w2, d4, e7
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 0, true, lError), 3);  // entry 3 is hidden
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 3, false, lError), -1);
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 3, false, lWarn), 1);
  View.Only({});
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, -1, true, lError), -1);
}

TEST(LevelJump, UsesTheEffectiveLevel) {
  TView View({{"plain one"}, {"disk FULL now", lInfo}, {"warn", lWarn}, {"another full disk"}});
  View.UseLevelRule("full", lError);
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 0, true, lError), 1);
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 1, true, lError), 3);
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 0, true, lInfo), -1);

  TAppSettings Ignoring;
  Ignoring.DisableDefaultLevels = true;
  SyncRuleCache(View.Rules, ColorRulesOf(Ignoring));
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, -1, true, lWarn), -1);
}

TEST(LevelJump, RowsBeyondAShrunkenListAreNeverAddressed) {
  TView View(MixedLevels());
  View.VisibleCount = 20;  // a view not yet rebuilt after the list lost entries
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 7, true, lError), -1);
  EXPECT_EQ(JumpToLevel(View.Rows(), View.Rules, 19, false, lError), 7);
}

TEST(SearchFlags, FromTheHostAndForRepeats) {
  struct {
    int32_t Flags;
    bool MatchCase, WholeWords, Backwards, FindNext;
  } const Cases[] = {
      {0, false, false, false, true},
      {lcs_findfirst, false, false, false, false},
      {lcs_matchcase, true, false, false, true},
      {lcs_wholewords, false, true, false, true},
      {lcs_backwards, false, false, true, true},
      {15, true, true, true, false},
  };
  for (const auto& Case : Cases) {
    const TSearchRequest R = SearchRequestFromHostFlags("x", Case.Flags);
    EXPECT_EQ(R.MatchCase, Case.MatchCase) << Case.Flags;
    EXPECT_EQ(R.WholeWords, Case.WholeWords) << Case.Flags;
    EXPECT_EQ(R.Backwards, Case.Backwards) << Case.Flags;
    EXPECT_EQ(R.FindNext, Case.FindNext) << Case.Flags;
  }
  const TSearchRequest Repeat = RepeatSearchRequest("abc", lcs_findfirst | lcs_matchcase | lcs_backwards, false);
  EXPECT_EQ(Repeat.Text, "abc");
  EXPECT_TRUE(Repeat.MatchCase);
  EXPECT_FALSE(Repeat.WholeWords);
  EXPECT_FALSE(Repeat.Backwards);
  EXPECT_TRUE(Repeat.FindNext);
  EXPECT_TRUE(RepeatSearchRequest("abc", lcs_wholewords, true).Backwards);
  EXPECT_TRUE(RepeatSearchRequest("abc", lcs_wholewords, true).WholeWords);
}

TEST(RowAtPercent, RoundsToNearestWithinTheRows) {
  struct {
    int32_t Count, Percent, Row;
  } const Cases[] = {
      {1000, 50, 500},  // 999 x 50 / 100 = 499.5
      {1000, 0, 0},
      {1000, 100, 999},
      {1000, 33, 330},  // 329.67
      {1000, 150, 999},
      {1000, -5, 0},
      {0, 50, 0},
      {1, 100, 0},
      {2000000000, 100, 1999999999},  // the product needs 64 bits
      {2000000000, 2000000000, 1999999999},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(RowAtPercent(Case.Count, Case.Percent), Case.Row) << Case.Count << " rows at " << Case.Percent << "%";
}

TEST(SearchMatching, CaseWholeWordsAndEncodings) {
  struct {
    const char* Line;
    const char* Needle;
    bool MatchCase, WholeWords, Expected;
  } const Cases[] = {
      {"ERROR in module", "error", false, false, true},
      {"ERROR in module", "error", true, false, false},
      {"ERROR in module", "ERROR", true, false, true},
      {"user ID=5", "id", false, true, true},
      {"userid=5", "id", false, true, false},
      {"userid id", "id", false, true, true},  // a later occurrence that is a whole word counts
      {"userid idx", "id", false, true, false},
      {"id", "id", false, true, true},    // both ends of the line are boundaries
      {"_id", "id", false, true, false},  // "_" is a word character
      {"9id", "id", false, true, false},
      {"(id)", "id", false, true, true},
      {"\xC3\xA9id\xC3\xA9", "id", false, true, true},  // neighbouring non-ASCII letters are boundaries
      {"\xC3\xA9id\xC3\xA9", "ID", true, true, false},
      {"Gr\xC3\xBC\xC3\x9F"
       "e aus M\xC3\xBCnchen",
       "m\xC3\xBCnchen", false, false, true},
      {"M\xC3\x9CNCHEN", "m\xC3\xBCnchen", false, false, false},  // only A..Z are folded
      {"M\xFCller (ANSI)", "m\xC3\xBCller", false, false, true},  // a line stored in the ANSI code page
      {"M\xFCller (ANSI)", "M\xC3\xBCller", false, true, true},
      {"M\xFCller (ANSI)", "ller", false, true, true},  // "\xFC" is a letter, but not a word character
      {"short", "longer needle", false, false, false},
      {"plain ascii line", "\xC3\xA9", false, false, false},
      {"", "x", false, false, false},
      {"a.b", ".", false, true, false},  // the neighbours count, not the needle's own characters
      {"a . b", ".", false, true, true},
  };
  TMatchSpans Spans;
  for (const auto& Case : Cases) {
    const TSearchNeedle Needle = MakeSearchNeedle(Case.Needle, Case.MatchCase, Case.WholeWords);
    std::u16string Scratch;
    EXPECT_EQ(LineMatchesSearch(Case.Line, Needle, Scratch), Case.Expected)
        << "line \"" << Case.Line << "\" needle \"" << Case.Needle << "\" case " << Case.MatchCase << " words "
        << Case.WholeWords;
    // What is highlighted in the drawn line is what the search found there.
    FindSearchSpans(DecodeLineBytes(Case.Line, static_cast<int32_t>(std::strlen(Case.Line))), Needle, Spans);
    EXPECT_EQ(!Spans.empty(), Case.Expected) << "spans in \"" << Case.Line << "\"";
  }
}

TEST(SearchMatching, SpansAreEveryAcceptedOccurrence) {
  const TSearchNeedle Needle = MakeSearchNeedle("id", false, true);
  TMatchSpans Spans;
  FindSearchSpans(u"userid id, ID_x (Id)", Needle, Spans);
  ASSERT_EQ(Spans.size(), 2u);
  EXPECT_EQ(Spans[0].Start, 7);
  EXPECT_EQ(Spans[1].Start, 17);
  EXPECT_EQ(Spans[1].Length, 2);
}

// One viewer reads a line that is not UTF-8 in one code page, whether it searches or copies.
TEST(SearchMatching, SearchAndCopyReadTheViewersCodePage) {
  TView View({{"plain"}, {"\xCE\xF8\xE8\xE1\xEA\xE0 42"}});  // "Ошибка 42" in Windows-1251
  TVisibleRows Rows = View.Rows();
  const TSearchRequest Request = SearchRequestFromHostFlags("\xD1\x88\xD0\xB8\xD0\xB1", lcs_findfirst);  // "шиб"
  EXPECT_EQ(SearchText(Rows, -1, Request), -1);
  Rows.CodePage = 1251;
  EXPECT_EQ(SearchText(Rows, -1, Request), 1);
  EXPECT_EQ(RowTextW(Rows, 1), u"\u041E\u0448\u0438\u0431\u043A\u0430 42");
}

TEST(SearchRows, DirectionsStartsAndNoWrap) {
  TView View({{"alpha"}, {"beta match"}, {"gamma"}, {"MATCH delta"}, {"epsilon"}, {"match zeta"}});
  struct {
    int32_t Current;
    bool Backwards, FindNext;
    int32_t Expected;
  } const Cases[] = {
      {3, false, false, 1},                        // find first: from row 0 whatever is current
      {3, true, false, 5},                         // backwards find first: from the last row
      {1, false, true, 3},                         // find next: after the current row
      {3, false, true, 5},  {5, false, true, -1},  // no wrap-around
      {5, true, true, 3},   {1, true, true, -1},
      {0, true, true, -1},  {-1, false, true, 1},  // nothing current: continues from before row 0
      {-1, true, true, -1}, {-1, true, false, 5},
  };
  for (const auto& Case : Cases) {
    TSearchRequest Request;
    Request.Text = "match";
    Request.Backwards = Case.Backwards;
    Request.FindNext = Case.FindNext;
    EXPECT_EQ(SearchText(View.Rows(), Case.Current, Request), Case.Expected)
        << "current " << Case.Current << " backwards " << Case.Backwards << " next " << Case.FindNext;
  }
}

TEST(SearchRows, NothingToSearchAndFilteredViews) {
  TView View({{"one match"}, {"two"}, {"three match"}, {"four"}, {"five match"}});
  TSearchRequest Request;
  EXPECT_EQ(SearchText(View.Rows(), 0, Request), -1);  // no text
  Request.Text = "match";
  Request.FindNext = true;
  View.Only({1, 3, 4});  // rows: two, four, five match
  EXPECT_EQ(SearchText(View.Rows(), 0, Request), 2);
  Request.Backwards = true;
  EXPECT_EQ(SearchText(View.Rows(), 2, Request), -1);  // "three match" is hidden
  View.Only({});
  EXPECT_EQ(SearchText(View.Rows(), -1, Request), -1);
}

TEST(GoToLine, ParsingThePromptText) {
  struct {
    std::string Text;
    bool Valid;
    int32_t Number;
  } const Cases[] = {
      {"250", true, 250},
      {"  42\t", true, 42},
      {"-3", true, -3},
      {"+7", true, 7},
      {"0", true, 0},
      {"", false, 0},
      {"   ", false, 0},
      {"12a", false, 0},
      {"1 2", false, 0},
      {"-", false, 0},
      {"0x10", false, 0},
      {"2147483647", true, 2147483647},
      {"2147483648", false, 0},
      {"-2147483648", true, -2147483647 - 1},
      {"99999999999999999999", false, 0},
  };
  for (const auto& Case : Cases) {
    int32_t Number = 12345;
    EXPECT_EQ(ParseLineNumber(std::string_view(Case.Text), Number), Case.Valid) << Case.Text;
    if (Case.Valid) {
      EXPECT_EQ(Number, Case.Number) << Case.Text;
    }
    const std::u16string Wide(Case.Text.begin(), Case.Text.end());
    int32_t WideNumber = 12345;
    EXPECT_EQ(ParseLineNumber(std::u16string_view(Wide), WideNumber), Case.Valid) << Case.Text;
    if (Case.Valid) {
      EXPECT_EQ(WideNumber, Case.Number) << Case.Text;
    }
  }
}

TEST(GoToLine, HiddenLinesLeadToTheNextVisibleOne) {
  std::vector<TLine> Lines;
  for (int i = 1; i <= 300; ++i) Lines.push_back({"line " + std::to_string(i)});
  TView View(Lines);
  struct {
    int32_t Number;
    int32_t ExpectedUnfiltered;
    int32_t ExpectedFiltered;
  } const Cases[] = {
      {1, 0, 0},       {250, 249, 199}, {199, 198, 198}, {200, 199, 199}, {260, 259, 199},
      {261, 260, 199}, {300, 299, 238}, {301, -1, -1},   {0, -1, -1},     {-5, -1, -1},
  };
  TView Filtered(Lines);
  TIndexArray Shown;
  for (int32_t Entry = 0; Entry < 300; ++Entry)
    if (Entry + 1 < 200 || Entry + 1 > 260) Shown.push_back(Entry);  // lines 200..260 hidden
  Filtered.Only(Shown);
  for (const auto& Case : Cases) {
    EXPECT_EQ(GoToLine(View.Rows(), Case.Number), Case.ExpectedUnfiltered) << Case.Number;
    EXPECT_EQ(GoToLine(Filtered.Rows(), Case.Number), Case.ExpectedFiltered) << Case.Number;
  }
  // Line 250 in the filtered view is row 199, which shows line 261.
  EXPECT_EQ(Filtered.List.Items[static_cast<size_t>(Filtered.Visible[199])].LineNumber, 261);
}

TEST(GoToDateTime, FirstRowNotEarlierInRowOrder) {
  TView View({{"no time"},
              {"a", lInfo, At(2024, 5, 1, 10, 0, 0)},
              {"b", lInfo, At(2024, 5, 1, 11, 0, 0)},
              {"no time either"},
              {"c", lInfo, At(2024, 5, 1, 9, 30, 0)},  // time goes backwards
              {"d", lInfo, At(2024, 5, 1, 12, 0, 0)}});
  struct {
    double Time;
    int32_t Expected;
  } const Cases[] = {
      {At(2020, 1, 1, 0, 0, 0), 1},   // earlier than every line: the first line with a time
      {At(2024, 5, 1, 10, 0, 0), 1},  // equal counts
      {At(2024, 5, 1, 10, 0, 1), 2}, {At(2024, 5, 1, 11, 30, 0), 5},  // row order decides, not sorted time
      {At(2024, 5, 1, 9, 45, 0), 1}, {At(2024, 5, 1, 12, 0, 1), -1},  // later than every line
  };
  for (const auto& Case : Cases) EXPECT_EQ(GoToDateTime(View.Rows(), Case.Time), Case.Expected) << Case.Time;

  View.Only({0, 3, 4, 5});
  EXPECT_EQ(GoToDateTime(View.Rows(), At(2024, 5, 1, 9, 0, 0)), 2);
  View.Only({0, 3});
  EXPECT_EQ(GoToDateTime(View.Rows(), At(2000, 1, 1, 0, 0, 0)), -1);
}

TEST(GoToDateTime, LogsWithTimesOfDayOnlyMatchTheChosenTime) {
  TView View({{"a", lInfo, TimeOnly(8, 0, 0)}, {"b", lInfo, TimeOnly(12, 0, 0)}, {"c", lInfo, TimeOnly(18, 0, 0)}});
  EXPECT_EQ(GoToDateTime(View.Rows(), At(2024, 5, 1, 11, 0, 0)), 1);
  EXPECT_EQ(GoToDateTime(View.Rows(), At(2024, 5, 1, 7, 0, 0)), 0);
  EXPECT_EQ(GoToDateTime(View.Rows(), At(2024, 5, 1, 19, 0, 0)), -1);
}

TEST(GoToDateTime, PromptValues) {
  double Value = 0;
  ASSERT_TRUE(DateTimeFromPrompt(2024, 5, 1, 10, 15, 3, Value));
  EXPECT_DOUBLE_EQ(Value, At(2024, 5, 1, 10, 15, 3));
  EXPECT_FALSE(DateTimeFromPrompt(2024, 2, 30, 10, 0, 0, Value));
  EXPECT_FALSE(DateTimeFromPrompt(2024, 5, 1, 24, 0, 0, Value));
}
