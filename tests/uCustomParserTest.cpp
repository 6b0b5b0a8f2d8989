#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>

#include "loader/uCustomParser.h"
#include "model/uDateTime.h"
#include "model/uLogTypes.h"
#include "uTestSupport.h"

namespace {

constexpr double Tolerance = 1e-9;

double Stamp(int Y, int M, int D, int h, int n, int s, int ms = 0) {
  double Value = 0;
  EXPECT_TRUE(TryEncodeDateTime(Y, M, D, h, n, s, ms, Value));
  return Value;
}

TLogEntry Parse(const std::string& Line, const TCustomFormatConfig& Config) {
  TLogEntry Entry;
  std::memset(&Entry, 0x5A, sizeof(Entry));
  ParseCustomLine(Line, Entry, Config);
  return Entry;
}

TCustomFormatConfig Delimited(char Delimiter, int FieldCount, std::initializer_list<TCustomFieldRole> Roles) {
  TCustomFormatConfig Config;
  Config.Mode = 0;
  Config.Delimiter = Delimiter;
  Config.FieldCount = FieldCount;
  std::fill(std::begin(Config.Fields), std::end(Config.Fields), cfrIgnore);
  std::copy(Roles.begin(), Roles.end(), Config.Fields);
  return Config;
}

TCustomFormatConfig Columns() {
  TCustomFormatConfig Config;
  Config.Mode = 1;
  return Config;
}

struct TExpected {
  TLogLevel Level;
  double Timestamp;
  int32_t SourceStart, SourceLength;
  int32_t ThreadStart, ThreadLength;
};

void ExpectEntry(const TLogEntry& Entry, const TExpected& Expected, const std::string& Line) {
  EXPECT_EQ(Entry.Format, lfCustom) << Line;
  EXPECT_EQ(Entry.Level, Expected.Level) << Line;
  EXPECT_NEAR(Entry.Timestamp, Expected.Timestamp, Tolerance) << Line;
  EXPECT_EQ(Entry.SourceStart, Expected.SourceStart) << Line;
  EXPECT_EQ(Entry.SourceLength, Expected.SourceLength) << Line;
  EXPECT_EQ(Entry.ThreadStart, Expected.ThreadStart) << Line;
  EXPECT_EQ(Entry.ThreadLength, Expected.ThreadLength) << Line;
}

}  // namespace

TEST(CustomParser, DelimitedFields) {
  const double T = Stamp(2024, 5, 6, 7, 8, 9);
  const auto Semi = Delimited(';', 3, {cfrTimestamp, cfrLevel, cfrSource});
  struct TCase {
    TCustomFormatConfig Config;
    const char* Line;
    TExpected Expected;
  };
  const TCase Cases[] = {
      {Semi, "2024-05-06 07:08:09 ; WARN ; Net", {lWarn, T, 30, 3, 0, 0}},
      {Semi, "2024-05-06 07:08:09 ; WARN", {lWarn, T, 0, 0, 0, 0}},
      {Semi, "2024-05-06 07:08:09;warning;Net;ignored;ERROR", {lWarn, T, 29, 3, 0, 0}},
      {Semi, "", {lCustom, 0, 0, 0, 0, 0}},
      {Semi, ";;", {lCustom, 0, 0, 0, 0, 0}},
      {Semi, "2024-05-06 07:08:09;W;Net", {lCustom, T, 23, 3, 0, 0}},
      {Semi, "2024-05-06 07:08:09;INFO;   ", {lInfo, T, 0, 0, 0, 0}},
      {Semi, "garbage;INFO;\"a;b\"", {lInfo, 0, 14, 2, 0, 0}},
      // A role outside the counted fields is never looked at.
      {Delimited(';', 2, {cfrLevel, cfrSource, cfrTimestamp}), "WARN;Net;2024-05-06 07:08:09", {lWarn, 0, 6, 3, 0, 0}},
      {Delimited(',', 4, {cfrIgnore, cfrThread, cfrLevel, cfrSource}),
       "x, worker-1 ,ERROR,db",
       {lError, 0, 20, 2, 4, 8}},
      // The later field of a repeated role wins, also with an unknown word, but not when empty.
      {Delimited('|', 2, {cfrLevel, cfrLevel}), "ERROR|INFO", {lInfo, 0, 0, 0, 0, 0}},
      {Delimited('|', 2, {cfrLevel, cfrLevel}), "ERROR|xyz", {lCustom, 0, 0, 0, 0, 0}},
      {Delimited('|', 2, {cfrLevel, cfrLevel}), "ERROR| ", {lError, 0, 0, 0, 0, 0}},
      {Delimited('|', 99, {cfrIgnore, cfrIgnore, cfrIgnore, cfrIgnore, cfrIgnore, cfrIgnore, cfrIgnore, cfrSource}),
       "1|2|3|4|5|6|7|eight|nine",
       {lCustom, 0, 15, 5, 0, 0}},
      {Delimited('|', -1, {cfrLevel}), "ERROR", {lCustom, 0, 0, 0, 0, 0}},
      {Delimited('|', 1, {static_cast<TCustomFieldRole>(9)}), "ERROR", {lCustom, 0, 0, 0, 0, 0}},
  };
  for (const TCase& Case : Cases) ExpectEntry(Parse(Case.Line, Case.Config), Case.Expected, Case.Line);
}

TEST(CustomParser, TimestampNeedsPatternWhenDelimited) {
  auto Config = Delimited('|', 2, {cfrTimestamp, cfrLevel});
  Config.TimestampFmt.clear();
  EXPECT_EQ(Parse("2024-05-06 07:08:09|INFO", Config).Timestamp, 0);

  Config.TimestampFmt = "DD.MM.YYYY hh:nn:ss.zzz";
  EXPECT_NEAR(Parse("06.05.2024 07:08:09.250|INFO", Config).Timestamp, Stamp(2024, 5, 6, 7, 8, 9, 250), Tolerance);
  EXPECT_EQ(Parse("2024-05-06 07:08:09|INFO", Config).Timestamp, 0);
}

TEST(CustomParser, FixedColumns) {
  const double T = Stamp(2024, 5, 6, 7, 8, 9);
  auto Config = Columns();
  Config.TSStart = 1;
  Config.TSLen = 19;
  Config.LvlStart = 21;
  Config.LvlLen = 5;
  Config.SrcStart = 27;
  Config.SrcLen = 8;
  Config.ThrStart = 36;
  Config.ThrLen = 6;
  ExpectEntry(Parse("2024-05-06 07:08:09 WARN  Net      main   text", Config), {lWarn, T, 27, 3, 36, 4}, "full line");
  // Short lines use what exists; spans past the end give nothing.
  ExpectEntry(Parse("2024-05-06 07:08", Config), {lCustom, Stamp(2024, 5, 6, 7, 8, 0), 0, 0, 0, 0}, "short line");
  ExpectEntry(Parse("2024-05-06 07:08:09 INFO     ", Config), {lInfo, T, 0, 0, 0, 0}, "blank source column");

  auto NoLevel = Config;
  NoLevel.LvlStart = 0;  // a zero start switches the column off whatever its length
  EXPECT_EQ(Parse("2024-05-06 07:08:09 WARN  Net", NoLevel).Level, lCustom);
  auto NoSource = Config;
  NoSource.SrcLen = 0;
  EXPECT_EQ(Parse("2024-05-06 07:08:09 WARN  Net", NoSource).SourceStart, 0);

  auto Far = Config;
  Far.TSStart = 30;
  EXPECT_EQ(Parse("2024-05-06 07:08:09 WARN", Far).Timestamp, 0);

  // Fixed columns fall back to the ISO form when no pattern is set.
  auto Iso = Config;
  Iso.TimestampFmt.clear();
  EXPECT_NEAR(Parse("2024-05-06T07:08:09 WARN", Iso).Timestamp, T, Tolerance);
  EXPECT_EQ(Parse("06.05.2024 07:08:09 WARN", Iso).Timestamp, 0);
}

TEST(CustomParser, AssignCustomFieldSpans) {
  struct TCase {
    int32_t Start, Len;
    int32_t ExpectedStart, ExpectedLength;
  };
  const std::string Line = "ab  cdef ";
  const TCase Cases[] = {
      {1, 2, 1, 2},
      {-2, 5, 1, 2},
      {3, 3, 5, 1},
      {3, 2, 0, 0},
      {9, 5, 0, 0},
      {10, 1, 0, 0},
      {1, 0, 0, 0},
      {1, -4, 0, 0},
      {-5, 3, 0, 0},
      {1, INT_MAX, 1, 8},
      {INT_MAX, INT_MAX, 0, 0},
      {INT_MIN, INT_MAX, 0, 0},
      {INT_MIN + 5, INT_MAX, 1, 2},
  };
  const TCustomFormatConfig Config;
  for (const TCase& Case : Cases) {
    TLogEntry Entry = EmptyLogEntry();
    AssignCustomField(Line, Config, cfrSource, Case.Start, Case.Len, false, Entry);
    EXPECT_EQ(Entry.SourceStart, Case.ExpectedStart) << Case.Start << ',' << Case.Len;
    EXPECT_EQ(Entry.SourceLength, Case.ExpectedLength) << Case.Start << ',' << Case.Len;
  }
}

TEST(CustomParser, AssignCustomFieldRoles) {
  TCustomFormatConfig Config;
  Config.TimestampFmt.clear();
  TLogEntry Entry = EmptyLogEntry();
  AssignCustomField(" 2024-05-06 07:08:09 ", Config, cfrTimestamp, 1, 30, false, Entry);
  EXPECT_EQ(Entry.Timestamp, 0);
  AssignCustomField(" 2024-05-06 07:08:09 ", Config, cfrTimestamp, 1, 30, true, Entry);
  EXPECT_NEAR(Entry.Timestamp, Stamp(2024, 5, 6, 7, 8, 9), Tolerance);

  Entry.Level = lError;
  AssignCustomField(" trace ", Config, cfrLevel, 1, 7, false, Entry);
  EXPECT_EQ(Entry.Level, lTrace);
  AssignCustomField("T", Config, cfrLevel, 1, 1, false, Entry);
  EXPECT_EQ(Entry.Level, lCustom);

  AssignCustomField("x [T-7] y", Config, cfrThread, 3, 5, false, Entry);
  EXPECT_EQ(Entry.ThreadStart, 3);
  EXPECT_EQ(Entry.ThreadLength, 5);
  AssignCustomField("x [T-7] y", Config, cfrIgnore, 1, 9, false, Entry);
  EXPECT_EQ(Entry.ThreadStart, 3);
  EXPECT_EQ(Entry.SourceStart, 0);
}

// HealthApp: "20171223-22:15:29:606|Step_LSC|30002312|onStandStepChanged 3579"
TEST(CustomParser, HealthAppPipeSeparated) {
  std::ifstream In(TestDataPath("loghub/HealthApp_2k.log"), std::ios::binary);
  std::string Line;
  ASSERT_TRUE(std::getline(In, Line));
  if (!Line.empty() && Line.back() == '\r') Line.pop_back();

  auto Config = Delimited('|', 4, {cfrTimestamp, cfrSource, cfrThread});
  Config.TimestampFmt = "YYYYMMDD-hh:nn:ss:zzz";
  ExpectEntry(Parse(Line, Config), {lCustom, Stamp(2017, 12, 23, 22, 15, 29, 606), 23, 8, 32, 8}, Line);
}

// Zookeeper: "2015-07-29 17:41:44,747 - INFO  [QuorumPeer[myid=1]/..."
TEST(CustomParser, ZookeeperFixedColumns) {
  std::ifstream In(TestDataPath("loghub/Zookeeper_2k.log"), std::ios::binary);
  auto Config = Columns();
  Config.TSStart = 1;
  Config.TSLen = 23;
  Config.LvlStart = 27;
  Config.LvlLen = 5;
  Config.TimestampFmt = "YYYY-MM-DD hh:nn:ss,zzz";
  std::string Line;
  int Lines = 0, Infos = 0, Warnings = 0, Errors = 0;
  while (std::getline(In, Line)) {
    const TLogEntry Entry = Parse(Line, Config);
    ++Lines;
    Infos += Entry.Level == lInfo;
    Warnings += Entry.Level == lWarn;
    Errors += Entry.Level == lError;
    EXPECT_GT(Entry.Timestamp, Stamp(2015, 1, 1, 0, 0, 0)) << Line;
    if (Lines == 1) {
      EXPECT_NEAR(Entry.Timestamp, Stamp(2015, 7, 29, 17, 41, 44, 747), Tolerance);
    }
  }
  EXPECT_EQ(Lines, 2000);
  // The level column of that file holds INFO, WARN or ERROR on every line.
  EXPECT_EQ(Infos + Warnings + Errors, 2000);
  EXPECT_EQ(Errors, 13);
}
