#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/uLineEncoding.h"
#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "platform/uTextCodec.h"
#include "uTestSupport.h"

namespace {

void AddLine(TLogList& List, std::string_view Text) {
  const int32_t Offset = List.AppendText(Text.data(), static_cast<int32_t>(Text.size()));
  const int32_t Index = List.ReserveEntry();
  TLogEntry& Entry = List.Items[Index];
  Entry = EmptyLogEntry();
  Entry.TextOffset = Offset;
  Entry.TextLength = static_cast<int32_t>(Text.size());
  Entry.LineNumber = Index + 1;
  ++List.Count;
}

void FillList(TLogList& List, const std::vector<std::string>& Lines) {
  for (const std::string& Line : Lines) AddLine(List, Line);
}

// Ten lines; entries 3 and 7 carry the word in upper case.
std::vector<std::string> TenLinesWithErrAt3And7() {
  std::vector<std::string> Lines;
  for (int i = 0; i < 10; ++i) Lines.push_back("line " + std::to_string(i) + (i == 3 || i == 7 ? " ERR here" : " ok"));
  return Lines;
}

std::vector<int32_t> Range(int32_t First, int32_t Last) {
  std::vector<int32_t> Result;
  for (int32_t i = First; i <= Last; ++i) Result.push_back(i);
  return Result;
}

std::vector<int32_t> Concat(std::vector<int32_t> A, const std::vector<int32_t>& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

struct TFilterResult {
  bool AllVisible = true;
  TIndexArray Visible;
  int32_t VisibleCount = -1;
};

TFilterResult Filter(const TLogList& List, std::u16string_view Text, int32_t Context) {
  TFilterResult Result;
  std::u16string Scratch;
  ApplyFilter(List, Text, NormalisedForMatch(Text), Context, Result.AllVisible, Result.Visible, Result.VisibleCount,
              Scratch);
  return Result;
}

}  // namespace

TEST(TextDecoding, StrictUtf8FirstThenAnsi) {
  struct {
    std::string Bytes;
    std::u16string Expected;
  } Cases[] = {
      {"", u""},
      {"plain ascii", u"plain ascii"},
      {"caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      // Not UTF-8: every byte in the 8-bit code page (Windows-1252 here and under Wine).
      {"caf\xE9", u"caf\u00E9"},
      {"\xC0\xAF", u"\u00C0\u00AF"},                      // overlong "/"
      {"\xE0\x80\xAF", u"\u00E0\u20AC\u00AF"},            // overlong three-byte form
      {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},            // encoded surrogate
      {"\xF4\x90\x80\x80", u"\u00F4\u0090\u20AC\u20AC"},  // past U+10FFFF
      {"ok \xE2\x82", u"ok \u00E2\u201A"},                // truncated at the end
      {"\xC3(", u"\u00C3("},                              // missing continuation
      {"\xF8\xA1", u"\u00F8\u00A1"},                      // no such lead byte
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(DecodeLineBytes(Case.Bytes.data(), static_cast<int32_t>(Case.Bytes.size())), Case.Expected) << Case.Bytes;
  }
  EXPECT_EQ(DecodeLineBytes(nullptr, 5), u"");
  EXPECT_EQ(DecodeLineBytes("abc", 0), u"");
  EXPECT_EQ(DecodeLineBytes("abc", -1), u"");
}

TEST(TextDecoding, AnsiFallbackUsesWindows1252ForTheC1Range) {
  const char Bytes[] = "\x80 \x93q\x94 \x81\x9F";
  EXPECT_EQ(DecodeLineBytes(Bytes, sizeof Bytes - 1), u"\u20AC \u201Cq\u201D \u0081\u0178");
}

// A line that is not UTF-8 reads in the chosen code page; a UTF-8 line reads as UTF-8 whatever
// was chosen.
TEST(TextDecoding, ChosenCodePage) {
  const std::u16string Oshibka = u"\u041E\u0448\u0438\u0431\u043A\u0430";  // "Ошибка"
  struct {
    std::string Bytes;
    TCodePage CodePage;
    std::u16string Expected;
  } Cases[] = {
      {"\xCE\xF8\xE8\xE1\xEA\xE0", 1251, Oshibka},
      {"\x8E\xE8\xA8\xA1\xAA\xA0", 866, Oshibka},
      {"\xEF\xDB\xC9\xC2\xCB\xC1", 20866, Oshibka},  // KOI8-R
      {"\xBE\xE8\xD8\xD1\xDA\xD0", 28595, Oshibka},  // ISO 8859-5
      {"\x8A\xB9", 1250, u"\u0160\u0105"},
      {"\xC1\xE1", 1253, u"\u0391\u03B1"},
      {"\xF0\xFE", 1254, u"\u011F\u015F"},
      {"\xE0\xF0", 1257, u"\u0105\u0161"},
      {"\x82\x9B", 437, u"\u00E9\u00A2"},
      {"\x82\x9B", cpOem, u"\u00E9\u00A2"},  // 437 here and under Wine
      {"\x82\x9B", 850, u"\u00E9\u00F8"},
      {"\xB1\xA1", 28592, u"\u0105\u0104"},
      {"\xE9\xA4", 28591, u"\u00E9\u00A4"},
      {"\xE9\xA4", 28605, u"\u00E9\u20AC"},
      {"\xE9\xA4", 1252, u"\u00E9\u00A4"},
      {"caf\xE9 \xC3", cpUtf8, u"caf\uFFFD \uFFFD"},
      {"\xD0\xB4\xD0\xB0", 866, u"\u0434\u0430"},               // valid UTF-8 wins over the code page
      {"\xE0\xA0\xA4", 866, u"\u0824"},                         // "рад" in cp866 is valid UTF-8 ...
      {"\xE0\xA0\xA4", 866 | cpForced, u"\u0440\u0430\u0434"},  // ... unless the page was chosen
      {"\xD0\xB4 ok", 1251 | cpForced, u"\u0420\u0491 ok"},
      {"plain", 1251 | cpForced, u"plain"},
      {"plain", 866, u"plain"},
  };
  std::u16string Out;
  for (const auto& Case : Cases) {
    DecodeLineBytes(Case.Bytes, Out, Case.CodePage);
    EXPECT_EQ(Out, Case.Expected) << Case.CodePage << " " << Case.Bytes;
  }
}

// A code page the platform did not know would quietly decode as ANSI.
TEST(TextDecoding, EveryOfferedCodePageIsKnown) {
  std::string High;
  for (int Byte = 0x80; Byte <= 0xFF; ++Byte) High += static_cast<char>(Byte);
  std::u16string Western, Decoded;
  DecodeLineBytes(High, Western, 1252);
  for (const TEncodingChoice& Choice : EncodingChoices) {
    if (Choice.CodePage == 1252 || Choice.CodePage == cpAnsi) continue;
    DecodeLineBytes(High, Decoded, Choice.CodePage);
    EXPECT_NE(Decoded, Western) << Choice.Name;
  }
  EXPECT_EQ(CodePageOfChoice(EncodingAutomatic, false), cpAnsi);
  EXPECT_EQ(CodePageOfChoice(EncodingAutomatic, true), cpOem);
  EXPECT_EQ(CodePageOfChoice(EncodingChoiceCount, true), cpOem);
}

TEST(TextDecoding, LineCodePageOfTheChoiceTheHostAndTheFile) {
  const auto ChoiceOf = [](TCodePage CodePage) {
    int32_t Choice = 1;
    while (Choice < EncodingChoiceCount && EncodingChoices[Choice].CodePage != CodePage) ++Choice;
    return Choice;
  };
  struct {
    int32_t Choice;
    bool HostAsksOem, UnicodeFile;
    TCodePage Expected;
  } Cases[] = {
      {EncodingAutomatic, false, false, cpAnsi},
      {EncodingAutomatic, true, false, cpOem},
      {ChoiceOf(cpUtf8), true, false, cpUtf8},
      {ChoiceOf(cpAnsi), true, false, cpAnsi | cpForced},
      {ChoiceOf(cpOem), false, false, cpOem | cpForced},
      {ChoiceOf(866), false, false, 866 | cpForced},
      {ChoiceOf(866), false, true, cpUtf8},
      {EncodingAutomatic, true, true, cpUtf8},
      {-1, true, false, cpOem},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(LineCodePage(Case.Choice, Case.HostAsksOem, Case.UnicodeFile), Case.Expected)
        << Case.Choice << " " << Case.HostAsksOem << " " << Case.UnicodeFile;
}

TEST(TextDecoding, LenientConversionsRoundTrip) {
  const std::string Text =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE2\x84\xA6 \xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(Text)), Text);
  EXPECT_EQ(Utf8ToUtf16("a\xFF"
                        "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
}

TEST(FilterText, NormalisationMapsOhmAndLowerCases) {
  struct {
    std::u16string Text, Expected;
  } Cases[] = {
      {u"", u""},
      {u"ERROR Warn", u"error warn"},
      {u"\u2126", u"\u03C9"},
      {u"\u03A9\u03C9", u"\u03C9\u03C9"},
      {u"\u00C9T\u00C9 \u00C4\u00D6\u00DC", u"\u00E9t\u00E9 \u00E4\u00F6\u00FC"},
      {u"\u0416\u0418\u0417\u041D\u042C", u"\u0436\u0438\u0437\u043D\u044C"},
      {u"\U0001F600X", u"\U0001F600x"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(NormalisedForMatch(Case.Text), Case.Expected);
}

TEST(LineMatching, BytePath) {
  struct {
    std::string Line, Needle;
    bool Expected;
  } Cases[] = {
      {"", "", true},
      {"anything", "", true},
      {"", "a", false},
      {"er", "err", false},
      {"ERROR", "error", true},
      {"an Error here", "error", true},
      {"an Error here", "ERROR", true},  // the needle is folded too
      {"error", "errors", false},
      {"xxerr", "err", true},  // match at the last start position
      {"err", "err", true},
      {"erxerr", "err", true},
      {"[E]", "[e]", true},
      {"@[\\]^_`{", "`{", true},  // only A..Z fold: '@'/'`' and '['/'{' stay apart
      {"@", "`", false},
      {"[", "{", false},
      {"caf\xC3\xA9", "caf\xC3\xA9", true},
      {"CAF\xC3\x89", "caf\xC3\xA9", false},  // no folding outside ASCII on this path
      {std::string("a\0b", 3), std::string("\0B", 2), true},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(MatchBytes(Case.Line, Case.Needle), Case.Expected) << Case.Line << " / " << Case.Needle;
}

// Every start position and word boundary of the byte scan, against a plain reference search.
TEST(LineMatching, BytePathAgreesWithReferenceOnRandomText) {
  const char Alphabet[] = {'a', 'A', 'b', 'B', 'z', 'Z', '[', '{', '@', '`', ' ', '\x80', '\xC1', '\xE1'};
  uint32_t Seed = 12345;
  const auto Random = [&](uint32_t Range) {
    Seed = Seed * 1103515245u + 12345u;
    return (Seed >> 16) % Range;
  };
  const auto Fold = [](std::string Text) {
    for (char& c : Text) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
    return Text;
  };
  for (int Round = 0; Round < 20000; ++Round) {
    std::string Line(Random(40), ' '), Needle(1 + Random(4), ' ');
    for (char& c : Line) c = Alphabet[Random(sizeof Alphabet)];
    for (char& c : Needle) c = Alphabet[Random(sizeof Alphabet)];
    const bool Expected = Fold(Line).find(Fold(Needle)) != std::string::npos;
    ASSERT_EQ(MatchBytes(Line, Needle), Expected) << Line << " / " << Needle;
  }
}

TEST(LineMatching, UnicodePath) {
  struct {
    std::string Line;
    std::u16string Filter;
    bool Expected;
  } Cases[] = {
      {"CAF\xC3\x89 ouvert", u"caf\u00C9", true},
      {"caf\xC3\xA9", u"CAF\u00C9", true},
      {"cafe", u"caf\u00E9", false},
      {"resistance 5 \xCF\x89", u"\u2126", true},      // small omega
      {"resistance 5 \xCE\xA9", u"\u2126", true},      // capital omega
      {"resistance 5 \xE2\x84\xA6", u"\u03C9", true},  // an Ohm sign in the line
      {"CAF\xC9 (Latin-1)", u"caf\u00E9", true},       // invalid UTF-8 decoded via ANSI
      {"", u"\u00E9", false},
      {"\xD0\x9E\xD0\xA8\xD0\x98\xD0\x91\xD0\x9A\xD0\x90", u"\u043E\u0448\u0438\u0431\u043A\u0430", true},
  };
  std::u16string Scratch;
  for (const auto& Case : Cases)
    EXPECT_EQ(MatchUnicode(Case.Line, NormalisedForMatch(Case.Filter), Scratch), Case.Expected) << Case.Line;

  // A non-ASCII filter that lower-cases to ASCII (the Kelvin sign) still finds ASCII lines.
  const std::u16string Kelvin = NormalisedForMatch(u"5 \u212A");
  EXPECT_EQ(MatchUnicode("at 5 K", Kelvin, Scratch), Kelvin == u"5 k");
  EXPECT_FALSE(MatchUnicode("at 5 J", Kelvin, Scratch));
  // Needles longer than any stack copy take the decoding route with the same answer.
  const std::string Long(300, 'Q');
  EXPECT_TRUE(MatchUnicode("x" + Long + "x", std::u16string(300, u'q'), Scratch));
  EXPECT_FALSE(MatchUnicode("x" + Long.substr(1) + "x", std::u16string(300, u'q'), Scratch));
}

TEST(FilterText, TermsSplitAtExclamationMarksAfterSpaces) {
  struct {
    std::u16string Text, Include;
    std::vector<std::u16string> Exclude;
  } Cases[] = {
      {u"", u"", {}},
      {u"  error  code ", u"  error  code ", {}},  // no "!": as typed, spaces included
      {u"error!", u"error!", {}},
      {u"a!b !", u"a!b", {}},  // a bare "!" excludes nothing
      {u"error !timeout !retry", u"error", {u"timeout", u"retry"}},
      {u"error   !timeout", u"error", {u"timeout"}},  // the spaces before "!" only separate
      {u"!DEBUG", u"", {u"DEBUG"}},
      {u"   !DEBUG", u"", {u"DEBUG"}},
      {u"!not this line !x", u"", {u"not this line", u"x"}},
      {u"!a!b", u"", {u"a!b"}},
      {u"!!x", u"", {u"!x"}},
      {u"\\!important", u"!important", {}},
      {u"go \\!now !later", u"go !now", {u"later"}},
      {u"path\\!x", u"path\\!x", {}},  // elsewhere a backslash is just a backslash
      {u"!\\!x", u"", {u"\\!x"}},
  };
  for (const auto& Case : Cases) {
    const TFilterTerms Terms = ParseFilterText(Case.Text);
    EXPECT_EQ(Terms.Include, Case.Include) << Utf16ToUtf8(Case.Text);
    EXPECT_EQ(Terms.Exclude, Case.Exclude) << Utf16ToUtf8(Case.Text);
  }
}

// Where a line matches is where the filter matched it: the spans are empty exactly when the
// include text does not match, and they cover each occurrence, case folded as the filter folds.
TEST(FilterText, SpansOfTheIncludeText) {
  struct {
    std::u16string Filter;
    std::string Line;
    TCodePage CodePage;
    std::vector<std::pair<int32_t, int32_t>> Spans;  // start, length in UTF-16 units
  } Cases[] = {
      {u"err", "ERR: error, Err", cpAnsi, {{0, 3}, {5, 3}, {12, 3}}},
      {u"aa", "aaaxaa", cpAnsi, {{0, 3}, {4, 2}}},  // overlapping occurrences make one run
      {u"abab", "ababab", cpAnsi, {{0, 6}}},
      {u"err !x", "an error", cpAnsi, {{3, 3}}},
      {u"!x", "an error", cpAnsi, {}},
      {u"caf\u00C9", "CAF\xC3\x89 caf\xC3\xA9", cpAnsi, {{0, 4}, {5, 4}}},
      {u"\u2126", "5 \xCF\x89, 7 \xE2\x84\xA6", cpAnsi, {{2, 1}, {7, 1}}},
      {u"\u041E\u0428", "\xCE\xD8\xE8\xE1\xEA\xE0 \xEE\xF8", 1251, {{0, 2}, {7, 2}}},
      {u"k", "5 \xE2\x84\xAA k", cpAnsi, {{4, 1}}},  // the Kelvin sign is not an ASCII "k"
      {u"zzz", "no match", cpAnsi, {}},
  };
  TMatchSpans Spans;
  std::u16string Scratch, Line;
  for (const auto& Case : Cases) {
    const TTextQuery Query = MakeTextQuery(Case.Filter, Case.CodePage);
    DecodeLineBytes(Case.Line, Line, Case.CodePage);
    FindFilterSpans(Line, Query, Spans, Scratch);
    std::vector<std::pair<int32_t, int32_t>> Found;
    for (const TMatchSpan& Span : Spans) Found.emplace_back(Span.Start, Span.Length);
    EXPECT_EQ(Found, Case.Spans) << Case.Line;
    EXPECT_EQ(!Spans.empty(), Query.HasInclude && MatchesTextQuery(Query, Case.Line, Scratch)) << Case.Line;
  }
}

TEST(ContextNumber, ParsesTrimmedDecimalIntegers) {
  struct {
    std::u16string Text;
    int32_t Expected;
  } Cases[] = {
      {u"0", 0},
      {u"2", 2},
      {u"-2", -2},
      {u"+3", 3},
      {u"  12 ", 12},
      {u"\t-7\r\n", -7},
      {u"", 0},
      {u"   ", 0},
      {u"-", 0},
      {u"+", 0},
      {u"2x", 0},
      {u"x2", 0},
      {u"1 2", 0},
      {u"--1", 0},
      {u"0x10", 0},
      {u"1.5", 0},
      {u"9999", 9999},
      {u"-9999", -9999},
      {u"007", 7},
      {u"2147483647", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"2147483648", 0},
      {u"99999999999999999999", 0},
      {u"\uFF11", 0},  // full-width digit is not a decimal digit here
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(ParseContextNumber(Case.Text), Case.Expected) << Utf16ToUtf8(Case.Text);
    EXPECT_EQ(ParseContextNumber(std::string_view(Utf16ToUtf8(Case.Text))), Case.Expected) << Utf16ToUtf8(Case.Text);
  }
}

TEST(FilterBuild, MatchesWidenedByContextAndMerged) {
  TLogList List;
  FillList(List, TenLinesWithErrAt3And7());
  struct {
    std::u16string Filter;
    int32_t Context;
    std::vector<int32_t> Expected;
  } Cases[] = {
      {u"err", 0, {3, 7}},
      {u"err", 2, Concat(Range(3, 5), Range(7, 9))},
      {u"err", -2, Concat(Range(1, 3), Range(5, 7))},
      {u"err", 3, Range(3, 9)},   // 3..6 and 7..9 touch: one run, each line once
      {u"err", -3, Range(0, 7)},  // 0..3 and 4..7 touch
      {u"err", -4, Range(0, 7)},  // overlapping ranges
      {u"err", 1, {3, 4, 7, 8}},
      {u"err", 100, Range(3, 9)},
      {u"err", -100, Range(0, 7)},
      {u"err", INT_MAX, Range(3, 9)},  // no overflow past the last entry
      {u"err", INT_MIN, Range(0, 7)},
      {u"line", 0, Range(0, 9)},
      {u"line", 5, Range(0, 9)},
      {u"nothing", 0, {}},
      {u"nothing", 3, {}},
      {u"line 9", -1, {8, 9}},
      {u"line 0", -1, {0}},
  };
  for (const auto& Case : Cases) {
    const TFilterResult Result = Filter(List, Case.Filter, Case.Context);
    EXPECT_FALSE(Result.AllVisible);
    EXPECT_EQ(Result.Visible, Case.Expected) << Utf16ToUtf8(Case.Filter) << " context " << Case.Context;
    EXPECT_EQ(Result.VisibleCount, static_cast<int32_t>(Case.Expected.size()));
  }
}

TEST(FilterBuild, EmptyFilterShowsEverything) {
  TLogList List;
  FillList(List, TenLinesWithErrAt3And7());
  TFilterResult Result = Filter(List, u"err", 0);
  ASSERT_EQ(Result.VisibleCount, 2);
  std::u16string Scratch;
  ApplyFilter(List, u"", u"", 5, Result.AllVisible, Result.Visible, Result.VisibleCount, Scratch);
  EXPECT_TRUE(Result.AllVisible);
  EXPECT_TRUE(Result.Visible.empty());
  EXPECT_EQ(Result.VisibleCount, 10);
}

TEST(FilterBuild, EmptyListAndEmptyLines) {
  TLogList Empty;
  EXPECT_EQ(Filter(Empty, u"x", 3).VisibleCount, 0);
  EXPECT_EQ(Filter(Empty, u"", 3).VisibleCount, 0);

  TLogList List;
  FillList(List, {"", "x", "", "\xC3\xA9"});
  EXPECT_EQ(Filter(List, u"x", 0).Visible, (std::vector<int32_t>{1}));
  EXPECT_EQ(Filter(List, u"\u00C9", 0).Visible, (std::vector<int32_t>{3}));
  EXPECT_EQ(Filter(List, u"x", -1).Visible, (std::vector<int32_t>{0, 1}));
}

TEST(FilterBuild, OhmSignFindsBothOmegas) {
  TLogList List;
  FillList(List, {"R = 5 \xCF\x89", "no match", "R = 7 \xCE\xA9", "R = 9 \xE2\x84\xA6", "omega"});
  EXPECT_EQ(Filter(List, u"\u2126", 0).Visible, (std::vector<int32_t>{0, 2, 3}));
}

TEST(FilterBuild, InvalidUtf8LinesAreMatchedThroughAnsi) {
  TLogList List;
  FillList(List, {"\xC9tat: OK", "\xC3\x89tat: OK", "Etat"});
  EXPECT_EQ(Filter(List, u"\u00E9tat", 0).Visible, (std::vector<int32_t>{0, 1}));
  // An ASCII filter takes the byte path whatever the line holds.
  EXPECT_EQ(Filter(List, u"TAT: ok", 0).Visible, (std::vector<int32_t>{0, 1}));
}

// The byte path against a straightforward reference, over real logs.
TEST(FilterBuild, AgreesWithNaiveSearchOnRealLogs) {
  const char* Files[] = {"Apache_2k.log", "Linux_2k.log", "Zookeeper_2k.log", "Windows_2k.log"};
  const char16_t* Needles[] = {u"error", u"INFO", u"session opened", u"cbs", u"[", u"zzz-not-there"};
  for (const char* File : Files) {
    std::ifstream In(TestDataPath(std::string("loghub/") + File), std::ios::binary);
    ASSERT_TRUE(In) << File;
    TLogList List;
    std::vector<std::string> Lower;
    std::string Line;
    while (std::getline(In, Line)) {
      if (!Line.empty() && Line.back() == '\r') Line.pop_back();
      AddLine(List, Line);
      for (char& c : Line) c = (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
      Lower.push_back(Line);
    }
    ASSERT_EQ(List.Count, 2000) << File;
    for (const char16_t* Needle : Needles) {
      const std::string LowerNeedle = Utf16ToUtf8(NormalisedForMatch(Needle));
      std::vector<int32_t> Expected;
      for (int32_t i = 0; i < List.Count; ++i)
        if (Lower[i].find(LowerNeedle) != std::string::npos) Expected.push_back(i);
      EXPECT_EQ(Filter(List, Needle, 0).Visible, Expected) << File << " / " << LowerNeedle;
    }
  }
}

TEST(VisibleRows, RowToEntryAndBack) {
  const TIndexArray Visible = {2, 5, 6, 9};
  struct {
    bool AllVisible;
    int32_t Count, Row, Entry;
  } RowCases[] =
      {
          {true, 10, 0, 0},   {true, 10, 9, 9},  {true, 10, 10, -1}, {true, 10, -1, -1},
          {true, 0, 0, -1},   {false, 4, 0, 2},  {false, 4, 3, 9},   {false, 4, 4, -1},
          {false, 4, -1, -1}, {false, 6, 5, -1},  // a count larger than the array never reads past it
      };
  for (const auto& Case : RowCases)
    EXPECT_EQ(VisibleToEntry(Case.AllVisible, Visible, Case.Count, Case.Row), Case.Entry) << Case.Row;

  struct {
    bool AllVisible;
    int32_t Count, Entry, Row;
  } EntryCases[] = {
      {true, 10, 0, 0}, {true, 10, 9, 9},  {true, 10, 10, -1}, {true, 10, -1, -1}, {false, 4, 2, 0},  {false, 4, 9, 3},
      {false, 4, 6, 2}, {false, 4, 3, -1}, {false, 4, 10, -1}, {false, 4, -1, -1}, {false, 0, 2, -1}, {false, 2, 9, -1},
  };
  for (const auto& Case : EntryCases)
    EXPECT_EQ(EntryToVisibleRow(Case.AllVisible, Visible, Case.Count, Case.Entry), Case.Row) << Case.Entry;
}
