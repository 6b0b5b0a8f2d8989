#pragma once
// The written timestamp forms of the supported logs, and the pattern language of the
// user-defined format. Positions in comments are 1-based. On failure the out values are left
// unchanged.

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/uLogTypes.h"
#include "model/uTextScan.h"

constexpr int BuiltInPatternCount = 15;
extern const char* const BuiltInTimestampPatterns[BuiltInPatternCount];

// A test of the fixed characters only, cheap enough to run on every line before the parse.
inline bool LooksLikeIsoTimestamp(std::string_view Text) {
  return Text.size() >= 19 && (Text[0] == '1' || Text[0] == '2') && (Text[4] == '-' || Text[4] == '/') &&
         (Text[7] == '-' || Text[7] == '/') && (Text[10] == ' ' || Text[10] == 'T' || Text[10] == '\t') &&
         Text[13] == ':' && Text[16] == ':';
}
bool ParseIsoTimestamp(std::string_view Text, double& Value);
bool ParseDottedTimestamp(std::string_view Text, double& Value, int& Consumed);
bool ParseSlashedTimestamp(std::string_view Text, double& Value, int& Consumed);
bool ParseBracketUsTimestamp(std::string_view Text, double& Value, int& ClosePos);
bool ParseBracketTimestamp(std::string_view Text, double& Value, int& ClosePos);
bool ParseAccessLogTime(std::string_view Text, double& Value);
// Syslog lines carry no year: the current local year is used. Runs of spaces count as one
// separator, so the space-padded day of "Jul  1 00:21:28" is read.
bool ParseSyslogTime(std::string_view Text, double& Value);
// Makes ParseSyslogTime use Year instead of the clock; 0 returns to the clock. For tests.
void PinSyslogYear(int Year);
bool ParseIisDateTime(std::string_view DateText, std::string_view TimeText, double& Value);
// hh:nn:ss (exactly 8 characters) as a fraction of a day.
bool ParseTimeOfDay(std::string_view Text, double& Value);
bool ParseWithPattern(std::string_view Text, std::string_view Pattern, double& Value);

// Past the seconds at Pos: a fraction of any length (",123", ".123456") and a zone ("Z",
// "+02:00", " +0000"), which are not read; returns the position after them.
size_t SkipFractionAndZone(std::string_view Text, size_t Pos);
// A timestamp at the very start of Text in any of the forms that lines begin with: bracketed
// ([2024-05-06 07:08:09], [Wed Oct 11 14:32:52 2000], [07:08:09], [15-Jan-2024 10:22:33 UTC],
// [15/Jan/2024:10:22:33 +0000], [10.30 16:49:06], Chromium's [0701/114930.123:...]), numeric
// dates (ISO with T, a blank or a tab, 06.05.2024, 05/06/2024, 1/15/2024 10:22:33 AM, Spark's
// 17/06/09, HDFS's 081109 203615, 20171224-20:11:16, IBM's 2005-06-03-15.42.50), a time of day,
// syslog's "Jun 14 15:16:01" (also unpadded, "Nov 9 12:01:01", and after a Cisco device's "*"),
// Android's "06-14 15:16:01.123" and Nextflow's "Jan-15 10:22:33" (the three in the current
// year), ctime's, Tomcat's "26-May-2024 10:22:52", Redis's "15 Jan 2024 10:22:33", Java
// logging's "May 26, 2024 3:22:52 PM", squid's epoch "1716723772.601", Ruby's "I, [2024-...]"
// and a time key of key=value text (time=, ts=, t=). End is the position after it, its
// fraction, zone and closing bracket.
bool ParseLeadingTimestamp(std::string_view Text, double& Value, size_t& End);
// The shape of those forms' first characters: a bracket, a parenthesis, an asterisk or a digit;
// or a month and a blank or comma after its day, a day name, a dash after a month, a comma after
// one letter, or a time key. Most lines of text fail here, so callers ask first.
inline bool MayLeadWithTimestamp(std::string_view Text) {
  if (Text.size() < 8) return false;
  if (Text[0] == '[' || Text[0] == '(' || Text[0] == '*' || (Text[0] >= '0' && Text[0] <= '9')) return true;
  return (Text[3] == ' ' &&
          (Text[6] == ' ' || Text[6] == ',' || Text[7] == ' ' || (Text[5] == ' ' && Text[4] <= '9'))) ||
         (Text[3] == '-' && Text[6] == ' ') || Text[1] == ',' || Text[0] == 't';
}
// A date and time that follows a short prefix of up to four words: a file name (OpenStack's
// logs as collected), a process id and role (Redis), a level and a thread (Cassandra), a host, a
// label and epoch seconds before a date (BlueGene/L, Thunderbird), key=value pairs (Grafana's
// t=, Loki's ts=). Times of day alone are not taken there. A time without a year after a date
// of the same day in the prefix takes that date's year. Start and End delimit it in Text.
// A first word that ends in a colon ("node3/cron: ...") introduces the message, and opens no
// prefix.
bool ParsePrefixedTimestamp(std::string_view Text, double& Value, size_t& Start, size_t& End);
// Whether Text may hold such a prefix: a line of running text, which starts with a word of
// lower-case letters, or a capital and lower-case letters, before a blank ("server started at
// ...", "Server started at ..."), does not, nor a line whose first word is a tag that introduces
// the message ("node3/cron: ..."); prefixes start with codes (INFO, E, APPREAD, "-", 1:M), keys
// (logger=) or names with digits and signs. Every line without a leading timestamp comes here,
// so a tag's end is looked for eight bytes at a time.
inline bool MayHavePrefixedTimestamp(std::string_view Text) {
  constexpr uint64_t Ones = 0x0101010101010101u, High = Ones * 0x80, Low7 = Ones * 0x7F;
  // 0x80 in every byte above Limit, exactly: the low seven bits plus the distance to 127 carry
  // into the eighth, and bytes from 128 on have it already.
  const auto Above = [](uint64_t Word, unsigned Limit) {
    return (((Word & Low7) + Ones * (127 - Limit)) | Word) & High;
  };
  const auto Chunk = [&Text](size_t At) {
    uint64_t Word;
    std::memcpy(&Word, Text.data() + At, 8);
    return Word;
  };
  constexpr bool Little = std::endian::native == std::endian::little;
  if (Text.empty()) return false;
  const size_t First = Text[0] >= 'A' && Text[0] <= 'Z' ? 1 : 0;  // a sentence's capital
  size_t i = First;
  while (i < Text.size() && Text[i] >= 'a' && Text[i] <= 'z') ++i;
  if (i > First && i < Text.size() && Text[i] == ' ') return false;
  // The first word's end, for a tag's colon.
  size_t End = 0;
  constexpr size_t MaxFirstWord = 64;
  if (Little)
    for (; End + 8 <= Text.size() && End < MaxFirstWord; End += 8) {
      const uint64_t Blanks = ~Above(Chunk(End), ' ') & High;
      if (Blanks != 0) {
        End += static_cast<size_t>(std::countr_zero(Blanks)) / 8;
        return End > 0 && Text[End - 1] != ':';
      }
    }
  while (End < Text.size() && !IsBlank(Text[End])) ++End;
  return End > 0 && End < Text.size() && Text[End - 1] != ':';
}
// Seconds, milliseconds, microseconds or nanoseconds since 1970 as digits with an optional
// fraction, told apart by their size; UTC taken as written, whole seconds as ISO times are read.
// Numbers below 10^8 (1973) are no time: durations and counters use the same keys.
bool ParseEpochTimestamp(std::string_view Number, double& Value);
// MMDD hh:nn:ss in the current year, as glog writes it after the level letter.
bool ParseCompactMonthDay(std::string_view Text, double& Value);

// The trimmed timestamp field of Line under Config, as a view into Line; empty when none.
std::string_view ExtractTimestampText(std::string_view Line, const TCustomFormatConfig& Config);
// Picks the built-in pattern that parses the most of the first N samples.
bool ChooseTimestampPattern(std::span<const std::string_view> Samples, int N, const TCustomFormatConfig& Config,
                            std::string& Pattern);
bool ChooseTimestampPattern(const std::vector<std::string>& Samples, int N, const TCustomFormatConfig& Config,
                            std::string& Pattern);
