#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "loader/uLineParser.h"
#include "model/uDateTime.h"
#include "model/uLogTypes.h"
#include "platform/uPlatformClock.h"
#include "uTestSupport.h"

namespace {

constexpr double NoTime = 0;
constexpr double Tolerance = 1e-9;  // well below a millisecond (1.16e-8 of a day)

double Stamp(int Y, int M, int D, int h, int n, int s, int ms = 0) {
  double Value = 0;
  EXPECT_TRUE(TryEncodeDateTime(Y, M, D, h, n, s, ms, Value));
  return Value;
}

double TimeOfDay(int h, int n, int s) { return (h * 3600 + n * 60 + s) / 86400.0; }

double ThisYear(int M, int D, int h, int n, int s) { return Stamp(CurrentLocalYear(), M, D, h, n, s); }

TLogEntry Parse(const std::string& Line, TLogFormat Format) {
  TLogEntry Entry;
  std::memset(&Entry, 0x5A, sizeof(Entry));  // the parser must not depend on a cleared entry
  ParseLine(Line, 7, Format, Entry, TCustomFormatConfig{});
  return Entry;
}

struct TCase {
  const char* Line;
  TLogLevel Level;
  double Timestamp;
};

void ExpectCases(TLogFormat Format, TLogFormat StoredFormat, const std::vector<TCase>& Cases) {
  for (const TCase& Case : Cases) {
    const TLogEntry Entry = Parse(Case.Line, Format);
    EXPECT_EQ(Entry.Format, StoredFormat) << Case.Line;
    EXPECT_EQ(Entry.Level, Case.Level) << Case.Line;
    EXPECT_NEAR(Entry.Timestamp, Case.Timestamp, Tolerance) << Case.Line;
    EXPECT_EQ(Entry.LineNumber, 7) << Case.Line;
  }
}

// A small generator that gives the same numbers on every platform.
struct TLcg {
  uint32_t Seed;
  uint32_t operator()(uint32_t Bound) {
    Seed = Seed * 1664525u + 1013904223u;
    return (Seed >> 8) % Bound;
  }
};

std::vector<std::string> ReadLines(const std::string& Path) {
  std::vector<std::string> Lines = ReadFileLines(Path);
  EXPECT_FALSE(Lines.empty()) << Path;
  return Lines;
}

}  // namespace

TEST(LineParser, Plain) {
  ExpectCases(lfPlain, lfPlain,
              {
                  {"ERROR disk full", lError, NoTime},
                  {"[07:08:09] WARN: low memory", lWarn, TimeOfDay(7, 8, 9)},
                  {"  [07:08:09] ERROR x", lError, TimeOfDay(7, 8, 9)},
                  {"[07:08:09]\tERROR\tdisk", lError, TimeOfDay(7, 8, 9)},
                  // Not a level word, but the word itself holds a keyword.
                  {"[07:08:09] ERRORS: 3", lError, TimeOfDay(7, 8, 9)},
                  {"[05/06/24 07:08:09] Info: started", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"[2024-05-06 07:08:09.123] debug x", lDebug, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"06.05.2024 07:08:09,123 INFO started", lInfo, Stamp(2024, 5, 6, 7, 8, 9, 123)},
                  {"06.05.2024 07:08:09: Warning: x", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"06.05.2024 07:08:09 pump stopped with error 5", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"05/06/2024 07:08:09 DEBUG tick", lDebug, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09,123 ERROR [main] boom", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06T07:08:09 trace x", lTrace, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 Err: x", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"12:34:56 info ready", lInfo, TimeOfDay(12, 34, 56)},
                  {"25:00:00 [Error] x", lError, NoTime},
                  {"[WARN] disk", lWarn, NoTime},
                  {"user admin logged in with a warning", lWarn, NoTime},
                  {"nothing to see", lCustom, NoTime},
                  {"   ", lCustom, NoTime},
                  {"", lCustom, NoTime},
                  {"2023-02-29 12:00:00 INFO x", lInfo, NoTime},
              });
  ExpectCases(lfUnknown, lfPlain, {{"INFO x", lInfo, NoTime}});
}

TEST(LineParser, Log4x) {
  ExpectCases(lfLog4x, lfLog4x,
              {
                  // The thread in brackets is taken as the level text; the keyword search finds INFO.
                  {"2024-05-06 07:08:09,123 [main] INFO com.acme.App - started", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 WARN  [pool-1] slow", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09.456 debug x", lDebug, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [ERROR] x", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [ Fatal ] x", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024/05/06 07:08:09 Information", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09", lCustom, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [", lCustom, Stamp(2024, 5, 6, 7, 8, 9)},
                  // A lone dash before the level is skipped, so a warning about an error stays a warning.
                  {"2015-07-29 19:13:24,282 - WARN  [RecvWorker] error reading", lWarn, Stamp(2015, 7, 29, 19, 13, 24)},
                  {"2015-07-29 19:13:24 - ", lCustom, Stamp(2015, 7, 29, 19, 13, 24)},
                  {"2015-07-29 19:13:24 - - error", lError, Stamp(2015, 7, 29, 19, 13, 24)},
                  {"2015-07-29 19:13:24 -INFO error", lError, Stamp(2015, 7, 29, 19, 13, 24)},
                  {"not a timestamp ERROR", lError, NoTime},
                  {"2024-13-06 07:08:09 INFO x", lInfo, NoTime},
              });
}

TEST(LineParser, AccessLogs) {
  const std::vector<TCase> Cases = {
      {R"(127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] "GET /a.gif HTTP/1.0" 200 2326)", lInfo,
       Stamp(2000, 10, 10, 13, 55, 36)},
      {R"(127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] "GET /a.gif HTTP/1.0" 304 0)", lInfo,
       Stamp(2000, 10, 10, 13, 55, 36)},
      {R"(127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] "GET /a.gif HTTP/1.0" 404 0)", lWarn,
       Stamp(2000, 10, 10, 13, 55, 36)},
      {R"(127.0.0.1 - - [10/oct/2000:13:55:36] "GET /a HTTP/1.0" 503 0)", lError, Stamp(2000, 10, 10, 13, 55, 36)},
      {R"(127.0.0.1 - - [10/Foo/2000:13:55:36 -0700] "GET /a HTTP/1.0" 200 1)", lInfo, NoTime},
      {R"(127.0.0.1 - - [31/Apr/2000:13:55:36 -0700] "GET /a HTTP/1.0" 200 1)", lInfo, NoTime},
      // Two blanks before the status: the three characters read are " 50".
      {R"(h - - [10/Oct/2000:13:55:36 +0000] "GET / HTTP/1.1"  500 0)", lError, Stamp(2000, 10, 10, 13, 55, 36)},
      {R"(h - - ]10/Oct/2000:13:55:36[ "GET /)", lInfo, NoTime},
      // Neither a request nor a time: no access line, and nothing names a level.
      {R"(one "quote only 500)", lCustom, NoTime},
      // A level word before the request wins over the status; words in the request do not count.
      {"no request at all, ERROR", lError, NoTime},
      {R"(INFO:     10.0.0.7:50312 - "GET /items HTTP/1.1" 500 Internal Server Error)", lInfo, NoTime},
      {R"(h - - [10/Oct/2000:13:55:36 +0000] WARN "GET /error HTTP/1.1" 200 0)", lWarn,
       Stamp(2000, 10, 10, 13, 55, 36)},
      {R"(h - - [10/Oct/2000:13:55:36 +0000] "GET /error HTTP/1.1" 200 0 "-" "ErrorBot")", lInfo,
       Stamp(2000, 10, 10, 13, 55, 36)},
  };
  ExpectCases(lfApache, lfApache, Cases);
  ExpectCases(lfNginx, lfNginx, Cases);
}

TEST(LineParser, Syslog) {
  ExpectCases(
      lfSyslog, lfSyslog,
      {
          {"<34>Oct 11 22:14:15 mymachine su: 'su root' failed for lonvick on /dev/pts/8", lError,
           ThisYear(10, 11, 22, 14, 15)},
          {"Jun 14 15:16:02 combo sshd(pam_unix)[19937]: check pass; user unknown", lInfo, ThisYear(6, 14, 15, 16, 2)},
          {"Jun 14 15:16:02 combo app: Warning: disk", lWarn, ThisYear(6, 14, 15, 16, 2)},
          {"Jun 14 15:16:02 combo app: DEBUG x", lDebug, ThisYear(6, 14, 15, 16, 2)},
          // The message's own level word comes first; without one, "fail" decides even after an
          // earlier "warn", and "warn" beats an earlier "debug".
          {"Jun 14 15:16:02 combo app: Warning: write FAILED", lWarn, ThisYear(6, 14, 15, 16, 2)},
          {"Jun 14 15:16:02 combo app: debug: WARNed", lDebug, ThisYear(6, 14, 15, 16, 2)},
          {"Jun 14 15:16:02 combo app: Warnings: write FAILED", lError, ThisYear(6, 14, 15, 16, 2)},
          {"Jun 14 15:16:02 combo app: debugging, WARNed, failover.example.net", lInfo, ThisYear(6, 14, 15, 16, 2)},
          // The priority's severity is the line's level field; a level word still wins.
          {"<11>Jun 14 15:16:01 host app: database unavailable", lError, ThisYear(6, 14, 15, 16, 1)},
          {"<12>Jun 14 15:16:01 host app: disk almost full", lWarn, ThisYear(6, 14, 15, 16, 1)},
          {"<14>Jun 14 15:16:01 host app: write failed", lInfo, ThisYear(6, 14, 15, 16, 1)},
          {"<15>Jun 14 15:16:01 host app: x", lDebug, ThisYear(6, 14, 15, 16, 1)},
          {"<14>Jun 14 15:16:01 host app: ERROR x", lError, ThisYear(6, 14, 15, 16, 1)},
          {"<11>short", lError, NoTime},
          // RFC 5424: version, ISO time, host, then the application and its message.
          {"<34>1 2003-10-11T22:14:15.003Z mymachine su - ID47 - 'su root' failed", lError,
           Stamp(2003, 10, 11, 22, 14, 15)},
          {"<165>1 2003-08-24T05:14:15.000003-07:00 192.0.2.1 myproc 8710 - - %% ok", lInfo,
           Stamp(2003, 8, 24, 5, 14, 15)},
          {"<14>1 2024-05-26T10:22:52Z web-1 app 4000 - - WARNING: slow", lWarn, Stamp(2024, 5, 26, 10, 22, 52)},
          {"<14>1 2024-05-26T10:22:52Z", lInfo, Stamp(2024, 5, 26, 10, 22, 52)},
          {"Jun 14 15:16:02 combo app:", lInfo, ThisYear(6, 14, 15, 16, 2)},
          // The host name is not part of the message.
          {"Jun 14 15:16:02 error-host app: ok", lInfo, ThisYear(6, 14, 15, 16, 2)},
          // A one-digit day padded with a second blank is still the day, and the host name stays
          // out of the message.
          {"Jun  9 06:06:20 combo kernel: Warning: low memory", lWarn, ThisYear(6, 9, 6, 6, 20)},
          {"Jun  9 06:06:20 warn-host kernel: ok", lInfo, ThisYear(6, 9, 6, 6, 20)},
          {"Jun   9 06:06:20 combo kernel: ok", lInfo, ThisYear(6, 9, 6, 6, 20)},
          {"<13>Jun 14 15:16:01 host app: ERROR x", lError, ThisYear(6, 14, 15, 16, 1)},
          // Only a priority of one to three digits is dropped; without it and a time the line is no
          // syslog line, and its own words decide.
          {"<1234>Jun 14 15:16:01 host app: x", lCustom, NoTime},
          {"-- Boot 3c1f6a1b2e0d4c5b9a8f7e6d5c4b3a21 --", lCustom, NoTime},
          {"", lCustom, NoTime},
          // Fewer than five pieces: the time, but no message.
          {"Jun 14 15:16:01 failure", lInfo, ThisYear(6, 14, 15, 16, 1)},
          // rsyslog's precise time
          {"2024-01-15T10:22:33.123456+01:00 web1 app[1]: error: disk", lError, Stamp(2024, 1, 15, 10, 22, 33)},
      });
}

// The message words are found at any position and in any letter case, as a plain reading of its
// words finds them: the first that is a level word; else "fail" (or "failing") or "error", then
// "warn" (or "warning"), then "debug", each also in the plural.
TEST(LineParser, SyslogWordsAgreeWithPlainSearches) {
  const char* Pieces[] = {"error", "ErRoR", "fail", "FA", "il", "warn", "WA", "rn", "ing",
                          "debug", "DeB",   "ug",   "s",  "x",  " ",    " ",  ", "};
  TLcg Next{99};
  for (int Round = 0; Round < 5000; ++Round) {
    std::string Message = "x";
    for (uint32_t k = Next(9); k > 0; --k) Message += Pieces[Next(std::size(Pieces))];
    std::string Lower = Message;
    for (char& C : Lower) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    std::vector<std::string> Words;
    for (size_t At = 0; At < Lower.size();) {
      const size_t End = std::min(Lower.find_first_of(" ,", At), Lower.size());
      if (End > At) Words.push_back(Lower.substr(At, End - At));
      At = End + 1;
    }
    const auto Any = [&Words](auto Test) { return std::any_of(Words.begin(), Words.end(), Test); };
    const auto Plural = [](const std::string& W, const std::string& Stem) { return W == Stem || W == Stem + "s"; };
    TLogLevel Expected =
        Any([&](const std::string& W) { return Plural(W, "fail") || W == "failing" || Plural(W, "error"); }) ? lError
        : Any([&](const std::string& W) { return Plural(W, "warn") || Plural(W, "warning"); })               ? lWarn
        : Any([&](const std::string& W) { return Plural(W, "debug"); })                                      ? lDebug
                                                                                                             : lInfo;
    for (const std::string& W : Words) {
      if (W == "error" || W == "warn" || W == "warning" || W == "debug") {
        Expected = W == "error" ? lError : W == "debug" ? lDebug : lWarn;
        break;
      }
    }
    ASSERT_EQ(Parse("Jun 14 15:16:02 host app: " + Message, lfSyslog).Level, Expected) << Message;
  }
}

TEST(LineParser, Csv) {
  ExpectCases(lfCSV, lfCSV,
              {
                  {"2024-05-06 07:08:09,WARN,Net,msg", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"06.05.2024 07:08:09.250\tERROR\tDb\ta,b", lError, Stamp(2024, 5, 6, 7, 8, 9, 250)},
                  {R"("2024-05-06 07:08:09","info",x)", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {" 2024-05-06 07:08:09 , warn ,x", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"05/06/2024 07:08:09,Information,x", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"07:08:09,DEBUG,x", lDebug, TimeOfDay(7, 8, 9)},
                  // Without a level column the first level word decides, also a quoted one; no
                  // keyword search follows.
                  {"2024-05-06 07:08:09,Something,ERROR", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {R"(2024-05-06 07:08:09,web-1,"WARN",x)", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"ERROR happened", lError, NoTime},
                  {"2024-05-06 07:08:09,web-1,TERRORS", lCustom, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"Timestamp,Level,Source", lCustom, NoTime},
                  {R"(x,"trace")", lTrace, NoTime},
                  {"", lCustom, NoTime},
              });
}

// The parser looks at the start of a field only; what lies beyond must not change the result.
TEST(LineParser, CsvFieldsLongerThanAnyTimestampOrLevel) {
  const std::string Pad(200, ' '), Long(200, 'x');
  const struct {
    std::string Line;
    TLogLevel Level;
    double Timestamp;
  } Cases[] = {
      {"2024-05-06 07:08:09" + Long + ",WARN", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
      {Pad + "07:08:09" + Pad + ",WARN" + Pad, lWarn, TimeOfDay(7, 8, 9)},
      {"07:08:09x" + Pad + ",x", lCustom, NoTime},
      {"x," + Pad + "error" + Pad + ",y", lError, NoTime},
      {"x,WARN" + Pad + "x", lWarn, NoTime},
      {"x,\"" + Pad + "\"\"WARN" + Pad + "\"", lCustom, NoTime},
      {"x," + Long, lCustom, NoTime},
  };
  for (const auto& C : Cases) {
    const TLogEntry Entry = Parse(C.Line, lfCSV);
    EXPECT_EQ(Entry.Level, C.Level) << C.Line;
    EXPECT_NEAR(Entry.Timestamp, C.Timestamp, Tolerance) << C.Line;
  }
}

TEST(LineParser, SplitCsvFields) {
  struct TSplit {
    const char* Line;
    char Delimiter;
    std::vector<std::string> Fields;
  };
  const TSplit Cases[] = {
      {R"("a,""b""")", ',', {R"(a,"b")"}},
      {"a,b,,c", ',', {"a", "b", "", "c"}},
      {"", ',', {""}},
      {" a , b ", ',', {"a", "b"}},
      {"a,", ',', {"a", ""}},
      {R"("x"y,z)", ',', {"xy", "z"}},
      {"a\tb,c", '\t', {"a", "b,c"}},
      {R"("a,b)", ',', {"a,b"}},
      {R"("""")", ',', {"\""}},
      {R"(" padded ",x)", ',', {"padded", "x"}},
  };
  for (const TSplit& Case : Cases) EXPECT_EQ(SplitCsvFields(Case.Line, Case.Delimiter), Case.Fields) << Case.Line;
}

TEST(LineParser, JsonStringValue) {
  struct TJson {
    const char* Line;
    const char* Key;
    const char* Value;
  };
  const TJson Cases[] = {
      {R"({"level":"warn"})", "level", "warn"},
      {R"({"level" : "warn"})", "level", "warn"},
      {R"({"level": : "warn"})", "level", "warn"},
      {R"({"level":3})", "level", ""},
      {R"({"level":{"name":"x"}})", "level", ""},
      {R"({"level":""})", "level", ""},
      {R"({"level":"unterminated)", "level", ""},
      {R"({"loglevel":"x","level":"info"})", "level", "info"},
      // The first quoted occurrence counts even when it is a value.
      {R"({"msg":"level","level":"debug"})", "level", ""},
      {R"({"time":"a\"b"})", "time", "a\\"},
      {R"({"Level":"info"})", "level", ""},
      {"{\"level\":\t\"x\"}", "level", ""},
      {R"({"timestamp":"t1","time":"t2"})", "time", "t2"},
      {R"({"level":"warn")", "", ""},
      {"", "level", ""},
  };
  for (const TJson& Case : Cases)
    EXPECT_EQ(JsonStringValue(Case.Line, Case.Key), Case.Value) << Case.Line << " / " << Case.Key;
}

TEST(LineParser, Json) {
  ExpectCases(
      lfJSON, lfJSON,
      {
          {R"({"timestamp":"2024-05-06T07:08:09.123Z","level":"info","msg":"ok"})", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
          {R"({"time":"2024-05-06 07:08:09","severity":"WARNING"})", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
          {R"({"@timestamp":"2024-05-06T07:08:09Z","level":30,"msg":"disk error"})", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
          {R"({"timestamp":"","time":"2024-05-06T07:08:09"})", lCustom, Stamp(2024, 5, 6, 7, 8, 9)},
          {R"({"timestamp":"yesterday","level":"debug"})", lDebug, NoTime},
          {R"({"level":"loud","severity":"trace"})", lTrace, NoTime},
          {R"({"Level":"Error"})", lError, NoTime},
          {R"({"msg":"nothing"})", lCustom, NoTime},
          // The keys of the usual loggers in any case, and the first of them that reads.
          {R"({"ts":1716723772.601,"lvl":"warn"})", lWarn, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"time":1716723772601,"log.level":"ERROR"})", lError, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"@t":"2024-05-26T11:42:52.1234567Z","@l":"Warning"})", lWarn, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"asctime": "2024-05-26 11:42:52,120", "levelname": "CRITICAL"})", lError,
           Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"TIMESTAMP":"2024-05-26T11:42:52Z","SEVERITY":"notice"})", lInfo, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"msg":"level","time":"x","level":"debug","ts":"2024-05-26T11:42:52Z"})", lDebug,
           Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"msg":"a "level": "error" b","level":"info"})", lInfo, NoTime},
          // Bunyan's and pino's numbers, and syslog's severities below them.
          {R"({"level":10})", lTrace, NoTime},
          {R"({"level":20})", lDebug, NoTime},
          {R"({"level":40})", lWarn, NoTime},
          {R"({"level":50})", lError, NoTime},
          {R"({"level":60})", lError, NoTime},
          {R"({"level":"30"})", lInfo, NoTime},
          {R"({"level":3})", lError, NoTime},
          {R"({"level":6})", lInfo, NoTime},
          {R"({"level":7})", lDebug, NoTime},
          {R"({"level":99,"msg":"x"})", lCustom, NoTime},
          // Epoch seconds, milliseconds, microseconds, nanoseconds; a small number is no time.
          {R"({"ts":1716723772})", lCustom, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"ts":1716723772601234})", lCustom, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"ts":1716723772601234567})", lCustom, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"time":12.5,"timestamp":"2024-05-26T11:42:52Z"})", lCustom, Stamp(2024, 5, 26, 11, 42, 52)},
          {R"({"ts":1.7e9})", lCustom, NoTime},
          // journald's export: microseconds in a string, the syslog severity as the priority.
          {R"({"__REALTIME_TIMESTAMP":"1716723772601234","PRIORITY":"4","MESSAGE":"x"})", lWarn,
           Stamp(2024, 5, 26, 11, 42, 52)},
          // Without a level key: the message's own level word (Docker), else the keywords.
          {R"({"log":"2024-05-26T10:22:52Z WARN  x\n","stream":"stdout"})", lWarn, NoTime},
          {R"({"log":"[INFO] no error here\n"})", lInfo, NoTime},
          {R"({"stream":"stderr","log":"disk error\n"})", lError, NoTime},
      });
}

TEST(LineParser, Iis) {
  ExpectCases(
      lfIIS, lfIIS,
      {
          {"#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port", lInfo, NoTime},
          {"#Date: 2024-05-06 07:08:00", lInfo, NoTime},
          {"2024-05-06 07:08:09 10.0.0.5 GET /index.html - 443 - 192.168.1.20 Mozilla/5.0 - 200 0 0 15", lInfo,
           Stamp(2024, 5, 6, 7, 8, 9)},
          {"2024-05-06 07:08:09 10.0.0.5 GET /index.html - 443 - 192.168.1.20 Mozilla/5.0 - 404 0 2 5", lWarn,
           Stamp(2024, 5, 6, 7, 8, 9)},
          {"2024-05-06 07:08:09 10.0.0.5 POST /api - 443 - 192.168.1.20 Mozilla/5.0 - 500", lError,
           Stamp(2024, 5, 6, 7, 8, 9)},
          // Eleven fields only: no status.
          {"2024-05-06 07:08:09 10.0.0.5 GET /x - 443 - 192.168.1.20 Mozilla/5.0 -", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
          // A doubled blank is an empty field, which shifts the status out of place.
          {"2024-05-06 07:08:09  10.0.0.5 GET /x - 443 - 192.168.1.20 Mozilla/5.0 - 500 0 0 1", lInfo,
           Stamp(2024, 5, 6, 7, 8, 9)},
          {"2024-05-06", lInfo, NoTime},
          {"2024-05-06T07:08:09.123Z 10.0.0.5 GET /x - 443", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
          // A level word wins over the status; one in a path does not count.
          {"ERROR nothing here", lError, NoTime},
          {"2024-05-06 07:08:09 10.0.0.5 GET /error/x.aspx - 443 - 192.168.1.20 Mozilla/5.0 - 200 0 0 15", lInfo,
           Stamp(2024, 5, 6, 7, 8, 9)},
      });
}

TEST(LineParser, RapidScada) {
  ExpectCases(lfRapidScada, lfRapidScada,
              {
                  {"2024-05-06 07:08:09 [Comm][1][INF] Line 1 started", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [Comm][1][ACT] x", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [Comm][1][WARN] x", lWarn, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [Comm][1][err]", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  // DBG is no code of the strict form; the text after the time is read instead, its
                  // own level word first.
                  {"2024-05-06 07:08:09 [Comm][1][DBG] Error reading", lDebug, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [Comm][1][XYZ] Error reading", lError, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [Comm][1][INF]x", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 [Comm] [1][INF] x", lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                  {"2024-05-06 07:08:09 Module ModArcBasic started", lCustom, Stamp(2024, 5, 6, 7, 8, 9)},
                  // No keyword search over the whole line for this format.
                  {"hello ERROR [a][b][ERR]", lCustom, NoTime},
              });

  struct TSource {
    const char* Line;
    int32_t Start, Length;
  };
  const TSource Sources[] = {
      {"2024-05-06 07:08:09 [Comm][1][INF] x", 22, 4}, {"2024-05-06 07:08:09   [ScadaComm][Main][WARN]", 24, 9},
      {"2024-05-06 07:08:09,5 [Comm][1][WARN]", 0, 0}, {"2024-05-06 07:08:09 [][1][ERR] x", 22, 0},
      {"2024-05-06 07:08:09 [Comm][1][DBG] x", 0, 0},
  };
  for (const TSource& Case : Sources) {
    const TLogEntry Entry = Parse(Case.Line, lfRapidScada);
    EXPECT_EQ(Entry.SourceStart, Case.Start) << Case.Line;
    EXPECT_EQ(Entry.SourceLength, Case.Length) << Case.Line;
  }
}

TEST(LineParser, RapidScadaStrictForm) {
  const char* Rejected[] = {
      "2024-05-06 07:08:09 [Comm][1][DBG] x",
      "2024-05-06 07:08:09 [Comm][1]",
      "2024-05-06 07:08:09 [Comm][1][INF",
      "2024-05-06 07:08:09 [Comm]",
      "2024-05-06 07:08:09 [Comm",
      "2024-05-06 07:08:09 Comm][1][INF]",
      "2024-05-06 07:08:09",
      "2024-02-30 07:08:09 [Comm][1][INF] x",
      "[Comm][1][INF] x",
      "",
  };
  for (const char* Line : Rejected) {
    double Timestamp = 0;
    int32_t Start = 0, Length = 0;
    TLogLevel Level = lCustom;
    EXPECT_FALSE(ParseRapidScadaLine(Line, Timestamp, Start, Length, Level)) << Line;
  }

  double Timestamp = 0;
  int32_t Start = 0, Length = 0;
  TLogLevel Level = lCustom;
  ASSERT_TRUE(ParseRapidScadaLine("2024-05-06 07:08:09 [A b][x][Warn] m", Timestamp, Start, Length, Level));
  EXPECT_NEAR(Timestamp, Stamp(2024, 5, 6, 7, 8, 9), Tolerance);
  EXPECT_EQ(Start, 22);
  EXPECT_EQ(Length, 3);
  EXPECT_EQ(Level, lWarn);
}

TEST(LineParser, CustomFormatGetsNoKeywordFallback) {
  TCustomFormatConfig Config;
  Config.Delimiter = ';';
  Config.FieldCount = 2;
  Config.Fields[0] = cfrLevel;
  Config.Fields[1] = cfrSource;
  TLogEntry Entry;
  ParseLine("W;ERROR happened", 3, lfCustom, Entry, Config);
  EXPECT_EQ(Entry.Format, lfCustom);
  EXPECT_EQ(Entry.Level, lCustom);
  EXPECT_EQ(Entry.SourceStart, 3);
  EXPECT_EQ(Entry.SourceLength, 14);
  EXPECT_EQ(Entry.LineNumber, 3);
}

TEST(LineParser, ClearsTheEntryForEveryFormat) {
  for (int Format = 0; Format <= LogFormatCount; ++Format) {  // one past the last is plain too
    const TLogEntry Entry = Parse("2024-05-06 07:08:09 text", static_cast<TLogFormat>(Format));
    EXPECT_EQ(Entry.LineNumber, 7) << Format;
    EXPECT_EQ(Entry.TextOffset, 0) << Format;
    EXPECT_EQ(Entry.TextLength, 0) << Format;
    EXPECT_EQ(Entry.ThreadStart, 0) << Format;
    EXPECT_EQ(Entry.ThreadLength, 0) << Format;
    EXPECT_EQ(Entry.SourceStart, 0) << Format;
    EXPECT_EQ(Entry.SourceLength, 0) << Format;
  }
  EXPECT_EQ(Parse("x", static_cast<TLogFormat>(LogFormatCount)).Format, lfPlain);
}

// --- real logs ---------------------------------------------------------------------------------

TEST(LineParserFiles, ZookeeperAsLog4x) {
  const auto Lines = ReadLines(TestDataPath("loghub/Zookeeper_2k.log"));
  ASSERT_GE(Lines.size(), 3u);
  // "2015-07-29 17:41:44,747 - INFO  [...": the word after the dash is the level, also where
  // the message speaks of errors (the excerpt has 13 ERROR lines, not the ~300 that say so).
  const TLogEntry First = Parse(Lines[0], lfLog4x);
  EXPECT_NEAR(First.Timestamp, Stamp(2015, 7, 29, 17, 41, 44), Tolerance);
  int Counts[LogLevelCount] = {};
  for (const std::string& Line : Lines) {
    const TLogEntry Entry = Parse(Line, lfLog4x);
    EXPECT_NE(Entry.Timestamp, 0) << Line;
    const size_t Dash = Line.find(" - ");
    ASSERT_NE(Dash, std::string::npos) << Line;
    const std::string Word = Line.substr(Dash + 3, Line.find(' ', Dash + 3) - Dash - 3);
    EXPECT_EQ(Entry.Level, Word == "ERROR" ? lError : Word == "WARN" ? lWarn : lInfo) << Line;
    ++Counts[Entry.Level];
  }
  EXPECT_EQ(Counts[lError], 13);
  EXPECT_EQ(Counts[lWarn], 1318);
  EXPECT_EQ(Counts[lInfo], 669);
}

TEST(LineParserFiles, LinuxAsSyslog) {
  const auto Lines = ReadLines(TestDataPath("loghub/Linux_2k.log"));
  ASSERT_GE(Lines.size(), 2u);
  TLogEntry Entry = Parse(Lines[0], lfSyslog);  // "... authentication failure; ..."
  EXPECT_EQ(Entry.Level, lError);
  EXPECT_NEAR(Entry.Timestamp, ThisYear(6, 14, 15, 16, 1), Tolerance);
  Entry = Parse(Lines[1], lfSyslog);  // "... check pass; user unknown"
  EXPECT_EQ(Entry.Level, lInfo);
  EXPECT_NEAR(Entry.Timestamp, ThisYear(6, 14, 15, 16, 2), Tolerance);
}

TEST(LineParserFiles, ApacheErrorLogAsPlain) {
  // "[Sun Dec 04 04:47:44 2005] [notice] ...": every line has its time and its level.
  int Counts[LogLevelCount] = {};
  for (const std::string& Line : ReadLines(TestDataPath("loghub/Apache_2k.log"))) {
    const TLogEntry Entry = Parse(Line, lfPlain);
    EXPECT_NE(Entry.Timestamp, 0) << Line;
    ++Counts[Entry.Level];
  }
  EXPECT_NEAR(Parse("[Sun Dec 04 04:47:44 2005] [notice] x", lfPlain).Timestamp, Stamp(2005, 12, 4, 4, 47, 44),
              Tolerance);
  EXPECT_EQ(Counts[lError], 595);
  EXPECT_EQ(Counts[lInfo], 1405);
  EXPECT_EQ(Counts[lCustom], 0);
}

TEST(LineParserFiles, WindowsCbsAsLog4x) {
  const auto Lines = ReadLines(TestDataPath("loghub/Windows_2k.log"));
  ASSERT_GE(Lines.size(), 1u);
  // "2016-09-28 04:30:30, Info  CBS ...": the level word follows a comma.
  const TLogEntry Entry = Parse(Lines[0], lfLog4x);
  EXPECT_EQ(Entry.Level, lInfo);
  EXPECT_NEAR(Entry.Timestamp, Stamp(2016, 9, 28, 4, 30, 30), Tolerance);
}

struct TFileLine {
  int Index;  // 0-based line of the file
  TLogLevel Level;
  double Timestamp;
  int32_t SourceStart = 0, SourceLength = 0;
};

void ExpectFileLines(const char* File, TLogFormat Format, const std::vector<TFileLine>& Cases) {
  const auto Lines = ReadLines(TestDataPath(File));
  for (const TFileLine& Case : Cases) {
    ASSERT_LT(static_cast<size_t>(Case.Index), Lines.size()) << File;
    const TLogEntry Entry = Parse(Lines[Case.Index], Format);
    EXPECT_EQ(Entry.Format, Format) << File << ':' << Case.Index;
    EXPECT_EQ(Entry.Level, Case.Level) << File << ':' << Case.Index;
    EXPECT_NEAR(Entry.Timestamp, Case.Timestamp, Tolerance) << File << ':' << Case.Index;
    EXPECT_EQ(Entry.SourceStart, Case.SourceStart) << File << ':' << Case.Index;
    EXPECT_EQ(Entry.SourceLength, Case.SourceLength) << File << ':' << Case.Index;
  }
}

TEST(LineParserFiles, BundledSamples) {
  ExpectFileLines("nginx_access.log", lfNginx,
                  {
                      {0, lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                      {3, lWarn, Stamp(2024, 5, 6, 7, 8, 15)},
                      {4, lError, Stamp(2024, 5, 6, 7, 9, 1)},
                  });
  ExpectFileLines("apache_access.log", lfApache,
                  {
                      {1, lInfo, Stamp(2024, 5, 6, 9, 15, 2)},
                      {2, lWarn, Stamp(2024, 5, 6, 9, 15, 7)},
                      {3, lError, Stamp(2024, 5, 6, 9, 16, 40)},
                  });
  ExpectFileLines("syslog.log", lfSyslog,
                  {
                      {0, lError, ThisYear(5, 6, 7, 8, 9)},  // "May  6": a padded one-digit day
                      {1, lInfo, ThisYear(5, 6, 7, 8, 10)},
                      {3, lWarn, ThisYear(5, 6, 7, 9, 41)},
                      {4, lDebug, ThisYear(5, 6, 7, 10, 2)},
                      {6, lError, ThisYear(5, 6, 7, 11, 55)},
                      {7, lInfo, ThisYear(5, 16, 7, 12, 0)},
                  });
  ExpectFileLines("events.csv", lfCSV,
                  {
                      {0, lCustom, NoTime},
                      {1, lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                      {3, lWarn, Stamp(2024, 5, 6, 7, 8, 11)},
                      {4, lError, Stamp(2024, 5, 6, 7, 8, 12)},
                      {6, lTrace, Stamp(2024, 5, 6, 7, 8, 14)},
                      {7, lError, Stamp(2024, 5, 6, 7, 8, 15)},
                  });
  ExpectFileLines("events.tsv", lfCSV,
                  {
                      {0, lCustom, NoTime},
                      {2, lWarn, Stamp(2024, 5, 6, 7, 8, 10, 250)},
                      {3, lError, Stamp(2024, 5, 6, 7, 8, 11)},
                  });
  ExpectFileLines("app.json.log", lfJSON,
                  {
                      {0, lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                      {1, lDebug, Stamp(2024, 5, 6, 7, 8, 10)},
                      {3, lError, Stamp(2024, 5, 6, 7, 8, 13)},
                      {5, lError, Stamp(2024, 5, 6, 7, 8, 14)},
                      {6, lInfo, Stamp(2024, 5, 6, 7, 8, 15)},
                  });
  ExpectFileLines("iis_w3c.log", lfIIS,
                  {
                      {3, lInfo, NoTime},
                      {4, lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                      {5, lInfo, Stamp(2024, 5, 6, 7, 8, 9)},
                      {6, lError, Stamp(2024, 5, 6, 7, 8, 12)},
                      {7, lWarn, Stamp(2024, 5, 6, 7, 8, 15)},
                  });
  ExpectFileLines("rapidscada_comm.log", lfRapidScada,
                  {
                      {0, lCustom, Stamp(2024, 5, 6, 7, 8, 0)},
                      {1, lInfo, Stamp(2024, 5, 6, 7, 8, 1), 22, 9},
                      {2, lInfo, Stamp(2024, 5, 6, 7, 8, 1), 22, 7},
                      {3, lWarn, Stamp(2024, 5, 6, 7, 8, 2), 22, 7},
                      {4, lError, Stamp(2024, 5, 6, 7, 8, 5), 22, 7},
                      {5, lDebug, Stamp(2024, 5, 6, 7, 8, 5)},
                  });
}

// Lines assembled from the characters the parsers look for, in every format: whatever they hold,
// the parsers stay inside the line and any field span they report lies within it.
TEST(LineParser, ArbitraryLinesStayInBounds) {
  const std::string Alphabet = "0123456789-/:.,; \t[]<>{}\"|#TZEeRrOoWwAaNnIiFfGgPpHh";
  const std::string Pieces[] = {"2024-05-06 07:08:09", "06.05.2024 07:08:09", "[07:08:09]", "[Comm][1][INF]",
                                "\"level\":\"",        " HTTP/1.1\" ",        "<13>",       "Jun 14 15:16:01 "};
  TCustomFormatConfig Delimited;
  Delimited.FieldCount = 8;
  Delimited.Fields[3] = cfrThread;
  TCustomFormatConfig Columns;
  Columns.Mode = 1;
  Columns.TSStart = 1, Columns.TSLen = 19, Columns.LvlStart = 21, Columns.LvlLen = 5;
  Columns.SrcStart = 27, Columns.SrcLen = 40, Columns.ThrStart = 3, Columns.ThrLen = 1000;

  TLcg Next{12345};
  for (int Round = 0; Round < 3000; ++Round) {
    std::string Line;
    const uint32_t Length = Next(60);
    while (Line.size() < Length) {
      if (Next(4) == 0) Line += Pieces[Next(std::size(Pieces))];
      else Line += Alphabet[Next(static_cast<uint32_t>(Alphabet.size()))];
    }
    // Views of exactly the line's bytes, so that the sanitizer sees any read past the end.
    const std::vector<char> Bytes(Line.begin(), Line.end());
    const std::string_view View(Bytes.data(), Bytes.size());
    for (int Format = 0; Format < LogFormatCount; ++Format) {
      for (const TCustomFormatConfig* Config : {&Delimited, &Columns}) {
        TLogEntry Entry;
        ParseLine(View, Round, static_cast<TLogFormat>(Format), Entry, *Config);
        ASSERT_EQ(Entry.LineNumber, Round);
        ASSERT_GE(Entry.Level, lError);
        ASSERT_LE(Entry.Level, lCustom);
        ASSERT_GE(Entry.SourceStart, 0) << Line;
        ASSERT_LE(Entry.SourceStart + Entry.SourceLength, static_cast<int32_t>(Line.size()) + 1) << Line;
        ASSERT_LE(Entry.ThreadStart + Entry.ThreadLength, static_cast<int32_t>(Line.size()) + 1) << Line;
      }
    }
  }
}
