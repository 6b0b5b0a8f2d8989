#include <gtest/gtest.h>

#include <limits>
#include <span>
#include <string>
#include <vector>

#include "loader/uTimestamp.h"
#include "model/uDateTime.h"
#include "uTestSupport.h"

namespace {

constexpr double Untouched = -42.0;

double At(int Year, int Month, int Day, int Hour, int Minute, int Second, int Ms = 0) {
  double Value = 0;
  EXPECT_TRUE(TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, Ms, Value));
  return Value;
}

double TimeOnly(int Hour, int Minute, int Second) { return ((Hour * 60 + Minute) * 60 + Second) / 86400.0; }

// Expected 0 means "not recognised": the out value must then be left as it was.
struct TCase {
  const char* Text;
  double Expected;
};

struct TLengthCase {
  const char* Text;
  double Expected;
  int Length;  // consumed length or closing-bracket position
};

void ExpectTimes(std::span<const TCase> Cases, bool (*Parse)(std::string_view, double&)) {
  for (const TCase& C : Cases) {
    double Value = Untouched;
    EXPECT_EQ(Parse(C.Text, Value), C.Expected != 0) << C.Text;
    EXPECT_DOUBLE_EQ(Value, C.Expected != 0 ? C.Expected : Untouched) << C.Text;
  }
}

// As ExpectTimes, and where the time ends (or its bracket closes), which a text that is not
// recognised leaves alone as well.
template <typename TEnd>
void ExpectTimesEndingAt(std::span<const TLengthCase> Cases, bool (*Parse)(std::string_view, double&, TEnd&)) {
  constexpr TEnd NotSet = std::numeric_limits<TEnd>::max();
  for (const TLengthCase& C : Cases) {
    double Value = Untouched;
    TEnd End = NotSet;
    EXPECT_EQ(Parse(C.Text, Value, End), C.Expected != 0) << C.Text;
    EXPECT_DOUBLE_EQ(Value, C.Expected != 0 ? C.Expected : Untouched) << C.Text;
    EXPECT_EQ(End, C.Expected != 0 ? static_cast<TEnd>(C.Length) : NotSet) << C.Text;
  }
}

// Pins the syslog year for one test and releases it whatever happens.
struct TPinnedYear {
  explicit TPinnedYear(int Year) { PinSyslogYear(Year); }
  ~TPinnedYear() { PinSyslogYear(0); }
};

}  // namespace

TEST(Timestamp, LooksLikeIso) {
  const std::pair<const char*, bool> Cases[] = {
      {"2024-05-06 07:08:09", true},
      {"1999/05/06T07:08:09", true},
      {"2024-05-06\t07:08:09", true},
      {"2xxx-xx-xx xx:xx:xx", true},
      {"2024-05/06 07:08:09", true},
      {"3024-05-06 07:08:09", false},
      {"2024-05-06 07:08:0", false},
      {"2024.05.06 07:08:09", false},
      {"2024-05-06_07:08:09", false},
      {"2024-05-06 07-08-09", false},
      {"", false},
  };
  for (const auto& [Text, Expected] : Cases) EXPECT_EQ(LooksLikeIsoTimestamp(Text), Expected) << Text;
}

TEST(Timestamp, Iso) {
  const TCase Cases[] = {
      {"2024-02-29T23:59:59", At(2024, 2, 29, 23, 59, 59)},
      {"2024/02/29 23:59:59", At(2024, 2, 29, 23, 59, 59)},
      {"2024-02/29 23:59:59", At(2024, 2, 29, 23, 59, 59)},
      {"2024-05-06 07:08:09,123", At(2024, 5, 6, 7, 8, 9)},  // fraction ignored
      {"2024-05-06T07:08:09.5+02:00", At(2024, 5, 6, 7, 8, 9)},
      {"2024-05-06 07:08:09Z rest", At(2024, 5, 6, 7, 8, 9)},
      {"0001-01-01 00:00:00", At(1, 1, 1, 0, 0, 0)},
      {"9999-12-31 23:59:59", At(9999, 12, 31, 23, 59, 59)},
      {"2023-02-29 12:00:00", 0},
      {"1900-02-29 12:00:00", 0},
      {"2024-13-01 00:00:00", 0},
      {"2024-00-01 00:00:00", 0},
      {"2024-04-31 00:00:00", 0},
      {"2024-01-01 24:00:00", 0},
      {"2024-01-01 00:60:00", 0},
      {"2024-01-01 00:00:60", 0},
      {"0000-01-01 00:00:00", 0},
      {"2024-01-01 00:00:0", 0},  // 18 characters
      {"2024-1-01 00:00:000", 0},
      {"2024-01-01 0a:00:00", 0},
      {"2024.01.01 00:00:00", 0},
      {"2024-01-01x00:00:00", 0},
      {"", 0},
  };
  ExpectTimes(Cases, ParseIsoTimestamp);
}

TEST(Timestamp, DottedAndSlashed) {
  const TLengthCase Dotted[] = {
      {"06.05.2024 07:08:09", At(2024, 5, 6, 7, 8, 9), 19},
      {"06.05.2024 07:08:09,123", At(2024, 5, 6, 7, 8, 9, 123), 23},
      {"06.05.2024 07:08:09.123 INFO", At(2024, 5, 6, 7, 8, 9, 123), 23},
      {"06.05.2024 07:08:09: text", At(2024, 5, 6, 7, 8, 9), 20},
      {"06.05.2024 07:08:09.123: text", At(2024, 5, 6, 7, 8, 9, 123), 24},
      {"06.05.2024 07:08:09.12", At(2024, 5, 6, 7, 8, 9), 19},  // too short for milliseconds
      {"06.05.2024 07:08:09 x", At(2024, 5, 6, 7, 8, 9), 19},
      {"29.02.2024 00:00:00", At(2024, 2, 29, 0, 0, 0), 19},
      {"06.05.2024 07:08:09,12x", 0, 0},
      {"06.05.2024 07:08:09.1234", At(2024, 5, 6, 7, 8, 9, 123), 23},
      {"29.02.2023 00:00:00", 0, 0},
      {"31.04.2024 00:00:00", 0, 0},
      {"06/05/2024 07:08:09", 0, 0},
      {"06.05.2024T07:08:09", 0, 0},
      {"06.05.2024 07:08:0", 0, 0},
      {"6.05.2024 07:08:09x", 0, 0},
  };
  ExpectTimesEndingAt(Dotted, ParseDottedTimestamp);
  const TLengthCase Slashed[] = {
      {"05/06/2024 07:08:09", At(2024, 5, 6, 7, 8, 9), 19},
      {"05/06/2024 07:08:09.007:", At(2024, 5, 6, 7, 8, 9, 7), 24},
      {"12/31/2024 23:59:59", At(2024, 12, 31, 23, 59, 59), 19},
      {"31/12/2024 23:59:59", 0, 0},  // month first
      {"05.06.2024 07:08:09", 0, 0},
  };
  ExpectTimesEndingAt(Slashed, ParseSlashedTimestamp);
}

TEST(Timestamp, Brackets) {
  TPinnedYear Pinned(2024);
  const TLengthCase UsCases[] = {
      {"[05/06/69 07:08:09]", At(2069, 5, 6, 7, 8, 9), 19},
      {"[05/06/70 07:08:09]", At(1970, 5, 6, 7, 8, 9), 19},
      {"[05/06/00 07:08:09] x", At(2000, 5, 6, 7, 8, 9), 19},
      {"[05/06/2024 07:08:09] x", At(2024, 5, 6, 7, 8, 9), 21},
      {"[05/06/2024-07.08.09]", At(2024, 5, 6, 7, 8, 9), 21},  // any separators in the time
      {"[02/29/2023 07:08:09]", 0, 0},
      {"[13/06/2024 07:08:09]", 0, 0},
      {"[05-06-2024 07:08:09]", 0, 0},
      {"[05/06/2024 07:08:09", 0, 0},
      {"05/06/2024 07:08:09]", 0, 0},
  };
  ExpectTimesEndingAt(UsCases, ParseBracketUsTimestamp);
  const TLengthCase Cases[] = {
      {"[05/06/2024 07:08:09] x", At(2024, 5, 6, 7, 8, 9), 21},
      {"[06.05.2024 07:08:09] INFO", At(2024, 5, 6, 7, 8, 9), 21},
      {"[06.05.2024 07:08:09.250] INFO", At(2024, 5, 6, 7, 8, 9, 250), 25},
      {"[06.05.2024 07:08:09:] INFO", At(2024, 5, 6, 7, 8, 9), 22},
      {"[05/06/2024 07:08:09.250]", At(2024, 5, 6, 7, 8, 9, 250), 25},
      {"[2024-05-06 07:08:09,123] WARN", At(2024, 5, 6, 7, 8, 9), 25},
      {"[2024-05-06T07:08:09] x", At(2024, 5, 6, 7, 8, 9), 21},
      {"[07:08:09] WARN: x", TimeOnly(7, 8, 9), 10},
      {"[23:59:59]", TimeOnly(23, 59, 59), 10},
      {"[24:00:00]", 0, 0},
      {"[7:08:09]", 0, 0},
      {"[07:08:09 ] x", 0, 0},
      {"[06.05.2024 07:08:09.250123 +02:00] x", At(2024, 5, 6, 7, 8, 9, 250), 35},
      {"[06.05.2024 07:08:09 x]", 0, 0},  // a numeric date fills the bracket but for fraction and zone
      {"[Sun Dec 04 04:47:44 2005] [error]", At(2005, 12, 4, 4, 47, 44), 26},
      {"[Wed Oct 11 14:32:52.123456 2000] x", At(2000, 10, 11, 14, 32, 52), 33},
      {"[Wed Oct  1 14:32:52 2000]", At(2000, 10, 1, 14, 32, 52), 26},
      {"[Wed Foo 11 14:32:52 2000]", 0, 0},
      {"[Wed Oct 11 14:32:52 2000 x]", 0, 0},
      {"[Wed Feb 30 14:32:52 2000]", 0, 0},
      {"[10.30 16:49:06] chrome.exe", At(2024, 10, 30, 16, 49, 6), 16},
      {"[0701/114930.123:WARNING:dns.cc(306)] x", At(2024, 7, 1, 11, 49, 30), 37},
      {"[1234:5678:0701/114930.123:ERROR:x.cc(1)] y", At(2024, 7, 1, 11, 49, 30), 41},
      {"[0701/114930.123 x]", 0, 0},
      {"[15-Jan-2024 10:22:33 UTC] PHP Warning", At(2024, 1, 15, 10, 22, 33), 26},
      {"[15-Jan-2024 10:22:33] NOTICE", At(2024, 1, 15, 10, 22, 33), 22},
      {"[15-Jan-2024 10:22:33 Europe/Paris] x", 0, 0},
      {"[2024-01-15, 10:22:33 UTC] {x.py:1}", At(2024, 1, 15, 10, 22, 33), 26},
      {"[15/Jan/2024:10:22:33 +0000] x", At(2024, 1, 15, 10, 22, 33), 28},
      {"[15/Jan/2024 10:22:40] \"GET", At(2024, 1, 15, 10, 22, 40), 22},
      {"[2023-02-29 07:08:09]", 0, 0},
      {"[]", 0, 0},
      {"[] 07:08:09", 0, 0},
      {"[x]", 0, 0},
      {"[07:08:09", 0, 0},
      {"07:08:09]", 0, 0},
      {"", 0, 0},
  };
  ExpectTimesEndingAt(Cases, ParseBracketTimestamp);
  double Value = Untouched;
  int Close = -1;
  EXPECT_TRUE(ParseBracketTimestamp("[07:08:09] x", Value, Close));
  EXPECT_LT(Value, 1.0);
}

// Where a line's leading timestamp ends: past its fraction, zone and closing bracket.
TEST(Timestamp, Leading) {
  TPinnedYear Pinned(2024);
  const TLengthCase Cases[] = {
      {"2024-05-06 07:08:09 x", At(2024, 5, 6, 7, 8, 9), 19},
      {"2024-05-06T07:08:09.123456Z x", At(2024, 5, 6, 7, 8, 9), 27},
      {"2024-05-06T07:08:09+02:00 x", At(2024, 5, 6, 7, 8, 9), 25},
      {"2024-05-06 07:08:09,123 +0200 [INF] x", At(2024, 5, 6, 7, 8, 9), 29},
      {"2024-05-06 07:08:09,123 - x", At(2024, 5, 6, 7, 8, 9), 23},
      {"2024/05/06 07:08:09 x", At(2024, 5, 6, 7, 8, 9), 19},
      {"06.05.2024 07:08:09.123456 x", At(2024, 5, 6, 7, 8, 9, 123), 26},
      {"05/06/2024 07:08:09 x", At(2024, 5, 6, 7, 8, 9), 19},
      {"07:08:09.5 x", TimeOnly(7, 8, 9), 10},
      {"[2024-05-06 07:08:09] x", At(2024, 5, 6, 7, 8, 9), 21},
      {"[Sun Dec 04 04:47:44 2005] x", At(2005, 12, 4, 4, 47, 44), 26},
      {"Jun 14 15:16:01 host x", At(2024, 6, 14, 15, 16, 1), 15},
      {"Jun  9 15:16:01 host x", At(2024, 6, 9, 15, 16, 1), 15},
      {"Nov 9 12:01:01 dn228/dn228 crond", At(2024, 11, 9, 12, 1, 1), 14},
      {"06-14 15:16:01.123  1702 x", At(2024, 6, 14, 15, 16, 1), 18},
      {"26-May-2024 10:22:52.601 INFO x", At(2024, 5, 26, 10, 22, 52), 24},
      {"May 26, 2024 3:22:52 PM x", At(2024, 5, 26, 15, 22, 52), 23},
      {"May 26, 2024 12:22:52 AM x", At(2024, 5, 26, 0, 22, 52), 24},
      {"E, [2024-05-26T10:22:54.000000 #4211] ERROR", At(2024, 5, 26, 10, 22, 54), 37},
      {"time=2024-05-06T07:08:09.123+02:00 level=info", At(2024, 5, 6, 7, 8, 9), 34},
      {"time=\"2024-05-06T07:08:09Z\" level=info", At(2024, 5, 6, 7, 8, 9), 27},
      {"ts=2024-05-06T07:08:09Z", At(2024, 5, 6, 7, 8, 9), 23},
      {"t=2024-05-06T07:08:09+0000 lvl=info", At(2024, 5, 6, 7, 8, 9), 26},
      {"2024-05-06\t07:08:09\tLAX1", At(2024, 5, 6, 7, 8, 9), 19},
      {"1716723772.601    921 10.0.0.1", At(2024, 5, 26, 11, 42, 52), 14},
      {"1716723772.6 x", 0, 0},
      {"0000000000.601 x", 0, 0},
      {"081109 203615 148 INFO x", At(2008, 11, 9, 20, 36, 15), 13},
      {"240115  9:02:03 [Note] x", At(2024, 1, 15, 9, 2, 3), 15},
      {"17/06/09 20:10:40 INFO x", At(2017, 6, 9, 20, 10, 40), 17},
      {"20171224-20:11:16:931|Step", At(2017, 12, 24, 20, 11, 16), 21},
      {"20171224-0:4:9:12|Step", At(2017, 12, 24, 0, 4, 9), 17},
      {"20240115T102233Z x", At(2024, 1, 15, 10, 22, 33), 16},
      {"2005-06-03-15.42.50.675872 R02", At(2005, 6, 3, 15, 42, 50), 26},
      {"1/15/2024 10:22:33 AM,x", At(2024, 1, 15, 10, 22, 33), 21},
      {"12/31/2024 11:02:44 PM x", At(2024, 12, 31, 23, 2, 44), 22},
      {"15 Jan 2024 10:22:33.123 * x", At(2024, 1, 15, 10, 22, 33), 24},
      {"Jan-15 10:22:33.123 [main]", At(2024, 1, 15, 10, 22, 33), 19},
      {"Mon Jan 15 10:22:33 2024 x", At(2024, 1, 15, 10, 22, 33), 24},
      {"(Mon Jan 15 10:22:33 2024) [sssd]", At(2024, 1, 15, 10, 22, 33), 26},
      {"*Mar  1 00:01:23.456: %LINK", At(2024, 3, 1, 0, 1, 23), 20},
      {"123456 654321 x", 0, 0},
      {"2/30/2024 10:22:33 AM", 0, 0},
      {"1/15/2024 13:22:33 PM", 0, 0},
      {"20171324-20:11:16 x", 0, 0},
      {"2024-02-30 07:08:09 x", 0, 0},
      {"Jun 31 15:16:01 host x", 0, 0},
      {"May 26, 2024 13:22:52 PM x", 0, 0},
      {"26-Foo-2024 10:22:52 x", 0, 0},
      {"timestamp=2024-05-06T07:08:09Z", 0, 0},
      {"big line 0000001 lorem ipsum", 0, 0},
      {"", 0, 0},
  };
  ExpectTimesEndingAt(Cases, ParseLeadingTimestamp);
  double Value = Untouched;
  EXPECT_TRUE(ParseCompactMonthDay("0526 10:22:53.000100    4211", Value));
  EXPECT_DOUBLE_EQ(Value, At(2024, 5, 26, 10, 22, 53));
  EXPECT_FALSE(ParseCompactMonthDay("1326 10:22:53", Value));
}

// A date and time after a few words; a time of day alone there is not taken.
TEST(Timestamp, Prefixed) {
  TPinnedYear Pinned(2024);
  const TLengthCase Cases[] = {
      {"nova-api.log.1.2017-05-16_13:53:08 2017-05-16 00:00:00.008 25746 INFO x", At(2017, 5, 16, 0, 0, 0), 35},
      {"1:M 15 Jan 2024 10:22:33.124 * x", At(2024, 1, 15, 10, 22, 33), 4},
      {"INFO  [main] 2024-01-15 10:22:33,123 Yaml.java:97 - x", At(2024, 1, 15, 10, 22, 33), 13},
      {"E [15/Jan/2024:10:22:40 +0000] [Job 17] x", At(2024, 1, 15, 10, 22, 40), 2},
      {"logger=settings t=2024-01-15T10:22:33.123Z level=info", At(2024, 1, 15, 10, 22, 33), 16},
      {"Information\t1/15/2024 10:22:33 AM\tService", At(2024, 1, 15, 10, 22, 33), 12},
      {"- 1118769482 2005.06.14 R23-M1-N4-C:J08-U01 2005-06-14-10.18.02.118254 R23 RAS", At(2005, 6, 14, 10, 18, 2),
       44},
      // The date before a time without a year gives the year.
      {"- 1131647200 2005.11.10 dn731 Nov 10 10:26:40 dn731/dn731 crond", At(2005, 11, 10, 10, 26, 40), 30},
      {"took 00:02:13 in all", 0, 0},
      {"a b c d e 2024-01-15 10:22:33", 0, 0},
      {"big line 0000001 lorem ipsum", 0, 0},
      {"", 0, 0},
  };
  // The length checked is where the time starts.
  ExpectTimesEndingAt<size_t>(Cases, [](std::string_view Text, double& Value, size_t& Start) {
    size_t End = 0;
    return ParsePrefixedTimestamp(Text, Value, Start, End);
  });
}

// Running text and a tag before the message open no prefix; codes, keys and names may.
TEST(Timestamp, MayHavePrefix) {
  for (const char* Text : {"big line 0000001 lorem ipsum", "Server started at 2024-01-15 10:22:33", "single",
                           "Initialisation complete", "node3/postfix/smtpd: done 2024-01-15 10:22:33", "x: 2024-01-15"})
    EXPECT_FALSE(MayHavePrefixedTimestamp(Text)) << Text;
  for (const char* Text : {"INFO  [main] 2024-01-15 10:22:33", "E [15/Jan/2024:10:22:40 +0000]",
                           "logger=settings t=2024-01-15T10:22:33Z", "Information\t1/15/2024 10:22:33 AM",
                           "nova-api.log.1.2017-05-16_13:53:08 2017-05-16 00:00:00.008", "- 1131566461 2005.11.09"})
    EXPECT_TRUE(MayHavePrefixedTimestamp(Text)) << Text;
}

TEST(Timestamp, TimeOfDay) {
  const TCase Cases[] = {
      {"07:08:09", TimeOnly(7, 8, 9)},
      {"23:59:59", TimeOnly(23, 59, 59)},
      {"00:00:01", TimeOnly(0, 0, 1)},
      {"24:00:00", 0},
      {"12:60:00", 0},
      {"12:00:60", 0},
      {"7:08:09", 0},
      {"07:08:09 ", 0},
      {"07-08-09", 0},
      {" 7:08:09", 0},
      {"+7:08:09", 0},
      {"", 0},
  };
  ExpectTimes(Cases, ParseTimeOfDay);
  double Value = Untouched;
  EXPECT_TRUE(ParseTimeOfDay("00:00:00", Value));
  EXPECT_EQ(Value, 0.0);
  EXPECT_TRUE(ParseTimeOfDay("07:08:09", Value));
  EXPECT_EQ(Value, At(1899, 12, 30, 7, 8, 9));
}

TEST(Timestamp, AccessLog) {
  const TCase Cases[] = {
      {"06/May/2024:07:08:09", At(2024, 5, 6, 7, 8, 9)},
      {"06/may/2024:07:08:09", At(2024, 5, 6, 7, 8, 9)},
      {"6/MAY/2024:7:8:9", At(2024, 5, 6, 7, 8, 9)},
      {"29/Feb/2024:00:00:00", At(2024, 2, 29, 0, 0, 0)},
      {"31/Dec/9999:23:59:59", At(9999, 12, 31, 23, 59, 59)},
      {"06/Jan/2024:07:08:09:extra", At(2024, 1, 6, 7, 8, 9)},
      {"+6/May/2024:07:08:09", At(2024, 5, 6, 7, 8, 9)},
      {"29/Feb/2023:00:00:00", 0},
      {"31/Apr/2024:00:00:00", 0},
      {"06/May/2024:24:00:00", 0},
      {"06/May/2024:07:08:60", 0},
      {"-6/May/2024:07:08:09", 0},
      {"06/Mai/2024:07:08:09", 0},
      {"06/May./2024:07:08:09", 0},
      {"06/5/2024:07:08:09", 0},
      {"06/May/2024:07:08", 0},   // five pieces
      {"06/May/2024:07::09", 0},  // empty piece is no integer
      {" 6/May/2024:07:08:09", 0},
      {"06/May/20x4:07:08:09", 0},
      {"06/May/99999999999:07:08:09", 0},
      {"06/May/2024:07:08:09 +0200", At(2024, 5, 6, 7, 8, 9)},  // split at the space too
      {"", 0},
  };
  ExpectTimes(Cases, ParseAccessLogTime);
}

TEST(Timestamp, Syslog) {
  TPinnedYear Pin(2023);
  const TCase Cases[] = {
      {"May 6 07:08:09", At(2023, 5, 6, 7, 8, 9)},
      {"Jun 14 15:16:01", At(2023, 6, 14, 15, 16, 1)},
      {"jun 14 15:16:01 combo sshd", At(2023, 6, 14, 15, 16, 1)},
      {"Jul  1 00:21:28", At(2023, 7, 1, 0, 21, 28)},  // day padded with a space
      {"Dec 31 23:59:59.123", At(2023, 12, 31, 23, 59, 59)},
      {"Dec 31 23-59-59", At(2023, 12, 31, 23, 59, 59)},
      {"Feb 29 12:00:00", 0},  // 2023 is a common year
      {"Apr 31 12:00:00", 0},
      {"May 6 24:00:00", 0},
      {"May 6 7:08:09", 0},
      {"May 6 07:08:0", 0},
      {"May x 07:08:09", 0},
      {"Mayo 6 07:08:09", 0},
      {"May 6", 0},
      {"", 0},
  };
  ExpectTimes(Cases, ParseSyslogTime);
  PinSyslogYear(2024);
  double Value = Untouched;
  EXPECT_TRUE(ParseSyslogTime("Feb 29 12:00:00", Value));
  EXPECT_DOUBLE_EQ(Value, At(2024, 2, 29, 12, 0, 0));
}

TEST(Timestamp, SyslogFollowsTheClockWhenNotPinned) {
  PinSyslogYear(0);
  double Value = Untouched;
  ASSERT_TRUE(ParseSyslogTime("Jan 1 00:00:00", Value));
  const int Year = DecodeDateTime(Value).Year;
  EXPECT_GE(Year, 2024);
  for (int i = 0; i < 1000; ++i) {  // the cached year stays consistent over many calls
    ASSERT_TRUE(ParseSyslogTime("Mar 5 10:00:00", Value));
    const int Now = DecodeDateTime(Value).Year;
    ASSERT_TRUE(Now == Year || Now == Year + 1);
  }
}

TEST(Timestamp, Iis) {
  struct TIisCase {
    const char* Date;
    const char* Time;
    double Expected;
  };
  const TIisCase Cases[] = {
      {"2024-05-06", "07:08:09", At(2024, 5, 6, 7, 8, 9)},
      {"2024x05x06", "07.08.09.123", At(2024, 5, 6, 7, 8, 9)},
      {"2024-02-29", "23:59:59", At(2024, 2, 29, 23, 59, 59)},
      {"2023-02-29", "23:59:59", 0},
      {"2024-05-06", "24:00:00", 0},
      {"2024-5-06", "07:08:09", 0},
      {"2024-05-06", "07:08:9", 0},
      {"", "", 0},
  };
  for (const TIisCase& C : Cases) {
    double Value = Untouched;
    EXPECT_EQ(ParseIisDateTime(C.Date, C.Time, Value), C.Expected != 0) << C.Date << " " << C.Time;
    EXPECT_DOUBLE_EQ(Value, C.Expected != 0 ? C.Expected : Untouched) << C.Date << " " << C.Time;
  }
}

TEST(Timestamp, WithPattern) {
  struct TPatternCase {
    const char* Text;
    const char* Pattern;
    double Expected;
  };
  const TPatternCase Cases[] = {
      {"2024-05-06 07:08:09", "YYYY-MM-DD hh:nn:ss", At(2024, 5, 6, 7, 8, 9)},
      {"2024-05-06", "YYYY-MM-DD hh:nn:ss", At(2024, 5, 6, 0, 0, 0)},
      {"2024x05x06 07:08:09", "YYYY-MM-DD hh:nn:ss", At(2024, 5, 6, 7, 8, 9)},
      {"2024-05-06 07:08:09,123", "YYYY-MM-DD hh:nn:ss,zzz", At(2024, 5, 6, 7, 8, 9, 123)},
      {"2024-05-06 07:08:09", "YYYY-MM-DD hh:nn:ss,zzz", At(2024, 5, 6, 7, 8, 9)},
      {"06.05.2024 07:08", "DD.MM.YYYY hh:nn:ss", At(2024, 5, 6, 7, 8, 0)},
      {"05/06/2024 07:08:09", "MM/DD/YYYY hh:nn:ss", At(2024, 5, 6, 7, 8, 9)},
      {"20240506070809", "YYYYMMDDhhnnss", At(2024, 5, 6, 7, 8, 9)},
      {"20171223-22:15:29:606", "YYYYMMDD-hh:nn:ss:zzz", At(2017, 12, 23, 22, 15, 29, 606)},
      {"[2024-05-06]", "[YYYY-MM-DD]", At(2024, 5, 6, 0, 0, 0)},
      {"xx2024", "yyYYYY", At(2024, 1, 1, 0, 0, 0)},  // lower-case letters only skip
      {"2024-05-06 07:08:09 trailing", "YYYY-MM-DD hh:nn:ss", At(2024, 5, 6, 7, 8, 9)},
      {"2024-05-06", "DD.MM.YYYY", 0},
      {"2024-05-0", "YYYY-MM-DD", 0},
      {"2024-13-06", "YYYY-MM-DD", 0},
      {"2023-02-29", "YYYY-MM-DD", 0},
      {"0000-01-01", "YYYY-MM-DD", 0},
      {"2024-05-06 24:00:00", "YYYY-MM-DD hh:nn:ss", 0},
      {"2024-05-06 07:08:09,1x3", "YYYY-MM-DD hh:nn:ss,zzz", 0},
      {"-024-05-06", "YYYY-MM-DD", 0},
      {"07:08:09", "hh:nn:ss", At(1, 1, 1, 7, 8, 9)},
  };
  for (const TPatternCase& C : Cases) {
    double Value = Untouched;
    EXPECT_EQ(ParseWithPattern(C.Text, C.Pattern, Value), C.Expected != 0) << C.Text << " / " << C.Pattern;
    EXPECT_DOUBLE_EQ(Value, C.Expected != 0 ? C.Expected : Untouched) << C.Text << " / " << C.Pattern;
  }
  // Nothing read at all: the defaults, 0001-01-01 00:00, which is a real date.
  double Value = Untouched;
  EXPECT_TRUE(ParseWithPattern("", "YYYY", Value));
  EXPECT_DOUBLE_EQ(Value, At(1, 1, 1, 0, 0, 0));
  EXPECT_TRUE(ParseWithPattern("2024", "", Value));
}

TEST(Timestamp, ExtractTimestampText) {
  TCustomFormatConfig Delimited;  // '|', fields: timestamp, level, source, ignore
  TCustomFormatConfig Second;
  Second.Delimiter = ';';
  Second.Fields[0] = cfrLevel;
  Second.Fields[1] = cfrTimestamp;
  Second.FieldCount = 2;
  TCustomFormatConfig Beyond = Second;
  Beyond.FieldCount = 1;  // the timestamp field is outside the counted fields
  TCustomFormatConfig Negative = Second;
  Negative.FieldCount = -3;
  TCustomFormatConfig Huge = Second;
  Huge.FieldCount = 1000;
  TCustomFormatConfig Last;
  Last.Fields[0] = cfrIgnore;
  Last.Fields[7] = cfrTimestamp;
  Last.FieldCount = 8;
  TCustomFormatConfig Fixed;
  Fixed.Mode = 1;
  Fixed.TSStart = 4;
  Fixed.TSLen = 10;
  TCustomFormatConfig FixedOff = Fixed;
  FixedOff.TSLen = 0;
  TCustomFormatConfig FixedHuge = Fixed;
  FixedHuge.TSStart = 2147483647;
  FixedHuge.TSLen = 2147483647;
  TCustomFormatConfig FixedLong = Fixed;
  FixedLong.TSLen = 2147483647;

  struct TExtractCase {
    const char* Line;
    const TCustomFormatConfig* Config;
    const char* Expected;
  };
  const TExtractCase Cases[] = {
      {" 2024-05-06 07:08:09 |INFO|main|x", &Delimited, "2024-05-06 07:08:09"},
      {"2024-05-06", &Delimited, "2024-05-06"},
      {"|INFO", &Delimited, ""},
      {"", &Delimited, ""},
      {"INFO; 06.05.2024 ;rest", &Second, "06.05.2024"},
      {"INFO;;rest", &Second, ""},
      {"INFO", &Second, ""},  // too few fields
      {"INFO;x", &Beyond, ""},
      {"INFO;x", &Negative, ""},
      {"INFO;x;y", &Huge, "x"},
      {"1|2|3|4|5|6|7|\t8\t", &Last, "8"},
      {"1|2|3|4|5|6|7", &Last, ""},
      {"1|2|3|4|5|6|7|", &Last, ""},
      {"ab 2024-05-06 07:08", &Fixed, "2024-05-06"},
      {"ab 2024-05", &Fixed, "2024-05"},  // cut at the end of the line
      {"ab", &Fixed, ""},
      {"abcd", &Fixed, "d"},
      {"abc", &Fixed, ""},
      {"ab   \t  x", &FixedOff, ""},
      {"ab 2024-05-06", &FixedHuge, ""},
      {"ab 2024-05-06 07:08", &FixedLong, "2024-05-06 07:08"},
  };
  for (const TExtractCase& C : Cases)
    EXPECT_EQ(ExtractTimestampText(C.Line, *C.Config), C.Expected) << '"' << C.Line << '"';
}

TEST(Timestamp, BuiltInPatterns) {
  ASSERT_EQ(BuiltInPatternCount, 15);
  EXPECT_STREQ(BuiltInTimestampPatterns[0], "YYYY-MM-DD hh:nn:ss,zzz");
  EXPECT_STREQ(BuiltInTimestampPatterns[8], "YYYY-MM-DDThh:nn:ss");
  EXPECT_STREQ(BuiltInTimestampPatterns[9], "DD.MM.YYYY hh:nn:ss,zzz");
  EXPECT_STREQ(BuiltInTimestampPatterns[14], "MM/DD/YYYY hh:nn:ss");
}

TEST(Timestamp, ChoosePattern) {
  TCustomFormatConfig Config;  // timestamp in the first '|' field
  struct TChooseCase {
    std::vector<std::string> Samples;
    int N;
    const char* Expected;  // nullptr: no choice
  };
  const TChooseCase Cases[] = {
      {{"2024-05-06 07:08:09|INFO|a", "2024-05-06 07:08:10|WARN|b"}, 50, "YYYY-MM-DD hh:nn:ss,zzz"},
      {{"2024/05/06 07:08:09|INFO"}, 50, "YYYY-MM-DD hh:nn:ss,zzz"},  // literals are skipped
      {{"2024/05/06 07:08:09.5|INFO"}, 50, "YYYY-MM-DD hh:nn:ss"},    // one fraction digit
      {{"05.01.2024 10:00:00|INFO"}, 50, "DD.MM.YYYY hh:nn:ss,zzz"},
      {{"01/05/2024 10:00:00|INFO"}, 50, "DD.MM.YYYY hh:nn:ss,zzz"},
      {{"01/05/2024 10:00:00|INFO", "01/25/2024 10:00:00|INFO"}, 50, "MM/DD/YYYY hh:nn:ss,zzz"},
      {{"01/05/2024 10:00:00,1x3|a"}, 50, "DD.MM.YYYY hh:nn:ss"},
      {{"01/25/2024 10:00:00|INFO", "25.01.2024 10:00:00|a", "26.01.2024 10:00:00|a"}, 50, "DD.MM.YYYY hh:nn:ss,zzz"},
      {{"01/25/2024 10:00:00|INFO", "25.01.2024 10:00:00|a", "26.01.2024 10:00:00|a"},
       1,
       "MM/DD/YYYY hh:nn:ss,zzz"},  // only the first sample counts
      {{"hello|INFO", "|INFO", "x"}, 50, nullptr},
      {{"2024-05-06 07:08:09|INFO"}, 0, nullptr},
      {{"2024-05-06 07:08:09|INFO"}, -5, nullptr},
      {{}, 50, nullptr},
  };
  for (const TChooseCase& C : Cases) {
    std::string Pattern = "unchanged";
    EXPECT_EQ(ChooseTimestampPattern(C.Samples, C.N, Config, Pattern), C.Expected != nullptr)
        << (C.Samples.empty() ? "" : C.Samples[0]);
    EXPECT_EQ(Pattern, C.Expected ? C.Expected : "unchanged") << (C.Samples.empty() ? "" : C.Samples[0]);
  }
}

TEST(Timestamp, RealSyslogLinesAllCarryATime) {
  TPinnedYear Pin(2005);
  const auto Lines = ReadFileLines(TestDataPath("loghub/Linux_2k.log"));
  ASSERT_EQ(Lines.size(), 2000u);
  int Padded = 0;
  for (const std::string& Line : Lines) {
    double Value = Untouched;
    ASSERT_TRUE(ParseSyslogTime(Line, Value)) << Line;
    const TDateTimeParts P = DecodeDateTime(Value);
    ASSERT_EQ(P.Year, 2005);
    if (Line[4] == ' ') ++Padded;
  }
  EXPECT_GT(Padded, 400);  // single-digit days are padded with a space in this log
}

TEST(Timestamp, RealLogsChooseTheirPattern) {
  TCustomFormatConfig Config;  // '|' delimited, timestamp first
  std::string Pattern = "unchanged";
  const auto Health = ReadFileLines(TestDataPath("loghub/HealthApp_2k.log"));
  ASSERT_FALSE(Health.empty());
  EXPECT_FALSE(ChooseTimestampPattern(Health, 50, Config, Pattern));
  EXPECT_EQ(Pattern, "unchanged");
  double Value = Untouched;
  EXPECT_TRUE(ParseWithPattern(ExtractTimestampText(Health[0], Config), "YYYYMMDD-hh:nn:ss:zzz", Value));
  EXPECT_GT(Value, 43000.0);

  const auto Zookeeper = ReadFileLines(TestDataPath("loghub/Zookeeper_2k.log"));
  ASSERT_FALSE(Zookeeper.empty());
  EXPECT_TRUE(ChooseTimestampPattern(Zookeeper, 50, Config, Pattern));
  EXPECT_EQ(Pattern, "YYYY-MM-DD hh:nn:ss,zzz");
  for (const std::string& Line : Zookeeper) {
    ASSERT_TRUE(LooksLikeIsoTimestamp(Line)) << Line;
    ASSERT_TRUE(ParseIsoTimestamp(Line, Value)) << Line;
    ASSERT_TRUE(ParseWithPattern(ExtractTimestampText(Line, Config), Pattern, Value)) << Line;
  }
}
