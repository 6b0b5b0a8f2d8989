#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "model/uStatusText.h"
#include "platform/uPlatformLocale.h"
#include "uViewFixture.h"

TEST(StatusText, ThousandsSeparator) {
  struct {
    int64_t Value;
    const char* Separator;
    const char* Expected;
  } const Cases[] = {
      {0, ",", "0"},
      {999, ",", "999"},
      {1000, ",", "1,000"},
      {98765432, ",", "98,765,432"},
      {98765432, ".", "98.765.432"},
      {98765432, "", "98765432"},
      {98765432, "\xC2\xA0",
       "98\xC2\xA0"
       "765\xC2\xA0"
       "432"},  // a no-break space
      {100000, "'", "100'000"},
      {-1234567, ",", "-1,234,567"},
      {INT64_MAX, ",", "9,223,372,036,854,775,807"},
      {INT64_MIN, ",", "-9,223,372,036,854,775,808"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(FormatThousands(Case.Value, Case.Separator), Case.Expected) << Case.Value;
}

TEST(StatusText, FileNamePart) {
  struct {
    const char* Path;
    const char* Expected;
  } const Cases[] = {
      {"C:\\logs\\app.log", "app.log"},
      {"C:app.log", "app.log"},
      {"\\\\server\\share\\x.txt", "x.txt"},
      {"/var/log/syslog", "syslog"},
      {"app.log", "app.log"},
      {"C:\\logs\\", ""},
      {"C:\\Protokolle\\\xC3\x9C"
       "bersicht \xE6\x97\xA5\xE5\xBF\x97.log",
       "\xC3\x9C"
       "bersicht \xE6\x97\xA5\xE5\xBF\x97.log"},
  };
  for (const auto& Case : Cases) EXPECT_EQ(FileNamePart(Case.Path), Case.Expected) << Case.Path;
}

TEST(StatusText, LeftPartForUnfilteredAndFilteredViews) {
  struct {
    int32_t Entries, Visible;
    const char* FileName;
    int64_t Size;
    TLogFormat Format;
    const char* Separator;
    const char* Expected;
  } const Cases[] = {
      {1234567, 1234567, "D:\\data\\app.log", 98765432, lfLog4x, ",",
       "Lines: 1234567 | app.log | 98,765,432 Byte | Format: Log4x"},
      {1234567, 17, "D:\\data\\app.log", 98765432, lfLog4x, ",",
       "Lines: 1234567 | Visible: 17 | app.log | 98,765,432 Byte | Format: Log4x"},
      {10, 0, "x.log", 0, lfPlain, ".", "Lines: 10 | Visible: 0 | x.log | 0 Byte | Format: Plain"},
      {0, 0, "C:\\empty.log", 0, lfUnknown, ",", "Lines: 0 | empty.log | 0 Byte | Format: Unknown"},
      {3, 3, "C:\\\xD0\xBB\xD0\xBE\xD0\xB3.txt", 1500, lfSyslog, "\xC2\xA0",
       "Lines: 3 | \xD0\xBB\xD0\xBE\xD0\xB3.txt | 1\xC2\xA0"
       "500 Byte | Format: Syslog"},
  };
  for (const auto& Case : Cases)
    EXPECT_EQ(BuildStatusText(Case.Entries, Case.Visible, Case.FileName, Case.Size, Case.Format, Case.Separator),
              Case.Expected);
  EXPECT_EQ(BuildStatusText(10, 4, "x.log", 0, lfPlain, ".", "Hidden: Debug, Trace"),
            "Lines: 10 | Visible: 4 | Hidden: Debug, Trace | x.log | 0 Byte | Format: Plain");
}

TEST(StatusText, CounterTexts) {
  struct {
    TLevelCounters Counters;
    const char* E;
    const char* W;
    const char* I;
    bool BoldE, BoldW, BoldI;
  } const Cases[] = {
      {{3, 0, 5, At(2024, 5, 1, 10, 0, 0), 0, At(2024, 5, 1, 9, 0, 0)},
       "E: 3 (2024-05-01 10:00:00)",
       "W: 0 (-)",
       "I: 5 (2024-05-01 09:00:00)",
       true,
       false,
       false},
      {{1, 2, 3, 0, 0, 0}, "E: 1 (-)", "W: 2 (-)", "I: 3 (-)", false, false, false},  // no times: nothing bold
      {{1, 1, 0, At(2024, 1, 2, 3, 4, 5), At(2024, 1, 2, 3, 4, 5), 0},
       "E: 1 (2024-01-02 03:04:05)",
       "W: 1 (2024-01-02 03:04:05)",
       "I: 0 (-)",
       true,
       true,
       false},
      {{0, 0, 7, 0, 0, At(1999, 12, 31, 23, 59, 59) + 0.999 / 86400.0},  // milliseconds are not shown
       "E: 0 (-)",
       "W: 0 (-)",
       "I: 7 (1999-12-31 23:59:59)",
       false,
       false,
       true},
      {{2, 0, 0, TimeOnly(14, 30, 0), 0, 0}, "E: 2 (14:30:00)", "W: 0 (-)", "I: 0 (-)", true, false, false},
  };
  for (const auto& Case : Cases) {
    const TCounterTexts Texts = BuildCounterTexts(Case.Counters);
    EXPECT_EQ(Texts.Text[ciError], Case.E);
    EXPECT_EQ(Texts.Text[ciWarn], Case.W);
    EXPECT_EQ(Texts.Text[ciInfo], Case.I);
    EXPECT_EQ(Texts.Bold[ciError], Case.BoldE) << Case.E;
    EXPECT_EQ(Texts.Bold[ciWarn], Case.BoldW) << Case.W;
    EXPECT_EQ(Texts.Bold[ciInfo], Case.BoldI) << Case.I;
  }
  EXPECT_STREQ(CounterSeparator, "  ");
}

TEST(StatusText, ShorterCounterFormsKeepTheBoldOne) {
  const TLevelCounters Counters{305, 1027, 668, At(2015, 8, 25, 11, 20, 12), At(2015, 8, 25, 11, 21, 22), 0};
  struct {
    TCounterForm Form;
    const char* E;
    const char* W;
    const char* Separator;
  } const Cases[] = {
      {cfWithTimes, "E: 305 (2015-08-25 11:20:12)", "W: 1027 (2015-08-25 11:21:22)", "  "},
      {cfTimesOfDay, "E: 305 (11:20:12)", "W: 1027 (11:21:22)", "  "},
      {cfCounts, "E: 305", "W: 1027", "  "},
      {cfCompact, "E:305", "W:1027", " "},
  };
  for (const auto& Case : Cases) {
    const TCounterTexts Texts = BuildCounterTexts(Counters, Case.Form);
    EXPECT_EQ(Texts.Text[ciError], Case.E);
    EXPECT_EQ(Texts.Text[ciWarn], Case.W);
    EXPECT_STREQ(Texts.Separator, Case.Separator);
    EXPECT_TRUE(Texts.Bold[ciWarn] && !Texts.Bold[ciError]) << Case.E;
  }
  const TLevelCounters Midnight{1, 0, 0, At(2024, 1, 2, 0, 0, 0), 0, 0};
  EXPECT_EQ(BuildCounterTexts(Midnight, cfTimesOfDay).Text[ciError], "E: 1 (00:00:00)");
  EXPECT_EQ(BuildCounterTexts(Midnight, cfTimesOfDay).Text[ciWarn], "W: 0 (-)");
}

// Sizes in units of 1024, and a load's progress in the unit of the whole file.
TEST(StatusText, ByteSizesAndLoadProgress) {
  const std::pair<int64_t, const char*> Sizes[] = {
      {0, "0 bytes"},
      {1023, "1023 bytes"},
      {1024, "1 KB"},
      {(96 << 20) + 1000, "96 MB"},
      {975LL << 20, "975 MB"},
      {1023LL << 20, "1023 MB"},
      {(1LL << 30) - 1, "1.0 GB"},
      {10522669875LL, "9.8 GB"},
  };
  for (const auto& [Bytes, Text] : Sizes) EXPECT_EQ(ByteSizeText(Bytes), Text) << Bytes;
  struct {
    int64_t Read, Size;
    const char* Expected;
  } const Progress[] = {
      {410LL << 20, 975LL << 20, "Loading 42 % (410 of 975 MB)"},
      {0, 975LL << 20, "Loading 0 % (0 of 975 MB)"},
      {(975LL << 20) - 1, 975LL << 20, "Loading 99 % (975 of 975 MB)"},
      {975LL << 20, 975LL << 20, "Loading 100 % (975 of 975 MB)"},
      {1825361100LL, 4187593113LL, "Loading 43 % (1.7 of 3.9 GB)"},
      {3000, 40960, "Loading 7 % (3 of 40 KB)"},
      {100, 240, "Loading 41 % (100 of 240 bytes)"},
      {0, 0, "Loading 100 % (0 of 0 bytes)"},
      {500, 400, "Loading 100 % (400 of 400 bytes)"},  // a file that grew under the load
  };
  for (const auto& Case : Progress)
    EXPECT_EQ(LoadProgressText(Case.Read, Case.Size), Case.Expected) << Case.Read << " of " << Case.Size;
  EXPECT_EQ(BuildLoadingStatusText("Loading 42 % (410 of 975 MB)", 4100000, 17, "C:\\logs\\app.log", lfLog4x),
            "Loading 42 % (410 of 975 MB) | Lines: 4100000 | Visible: 17 | app.log | Format: Log4x");
}

TEST(StatusText, LoadFailureNamesTheFileAndTheReason) {
  EXPECT_EQ(LoadFailureText("C:\\logs\\app.log", "File in use by another program"),
            "Cannot load app.log: File in use by another program");
}

TEST(StatusText, CountersFromAFilteredView) {
  TView View({{"e", lError, At(2024, 5, 1, 10, 0, 0)},
              {"w", lWarn, At(2024, 5, 1, 11, 0, 0)},
              {"i", lInfo, At(2024, 5, 1, 9, 0, 0)},
              {"e", lError, At(2024, 5, 1, 8, 0, 0)}});
  View.Only({0, 2, 3});
  const TCounterTexts Texts =
      BuildCounterTexts(CountVisibleLevels(View.Rules, View.List, View.AllVisible, View.Visible, View.VisibleCount));
  EXPECT_EQ(Texts.Text[ciError], "E: 2 (2024-05-01 10:00:00)");
  EXPECT_EQ(Texts.Text[ciWarn], "W: 0 (-)");
  EXPECT_TRUE(Texts.Bold[ciError]);
}

TEST(StatusText, Placement) {
  struct {
    int32_t Left, Right;
    int32_t Widths[CounterCount];
    int32_t Separator;
    int32_t Expected;
  } const Cases[] = {
      {500, 900, {100, 50, 80}, 6, 900 - 242 - 4},
      {500, 600, {100, 50, 80}, 6, 502},  // too narrow: never left of the part
      {0, 0, {0, 0, 0}, 0, 2},
  };
  for (const auto& Case : Cases) {
    EXPECT_EQ(CountersLeft(Case.Left, Case.Right, Case.Widths, Case.Separator), Case.Expected);
    EXPECT_EQ(CountersFit(Case.Left, Case.Right, Case.Widths, Case.Separator), Case.Expected > Case.Left + 2);
  }
  EXPECT_TRUE(CountersFit(0, 248, {100, 50, 80}, 6));  // 2 + 242 + 4: just fits
  EXPECT_FALSE(CountersFit(0, 247, {100, 50, 80}, 6));
  EXPECT_EQ(StatusTextTop(2, 22, 12), 6);
  EXPECT_EQ(StatusTextTop(2, 22, -1), 4);
}

TEST(StatusText, PlatformSeparatorIsShort) {
  // Windows allows up to three characters; natively it is a comma.
  const std::string Separator = PlatformThousandsSeparator();
  EXPECT_LE(Separator.size(), 12u);
#ifndef _WIN32
  EXPECT_EQ(Separator, ",");
#endif
}
