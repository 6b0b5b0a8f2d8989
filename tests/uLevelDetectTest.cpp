#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "loader/uLevelDetect.h"

namespace {

std::string UpperOf(std::string_view S) {
  std::string U(S);
  for (char& C : U)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 32);
  return U;
}

// Both ways of asking must agree on every line: with an upper-case copy, and without one.
TLogLevel Detect(std::string_view Line) {
  const TLogLevel Level = DetectLevel(Line, UpperOf(Line));
  EXPECT_EQ(DetectLevelIgnoringCase(Line), Level) << '"' << Line << '"';
  return Level;
}

struct TCase {
  const char* Text;
  TLogLevel Expected;
};

// The keyword rules written as plainly as possible, one search per keyword, to check the
// single-pass scan against.
TLogLevel ReferenceKeywordLevel(const std::string& U) {
  const auto Any = [&](std::initializer_list<const char*> Words) {
    for (const char* W : Words)
      if (U.find(W) != std::string::npos) return true;
    return false;
  };
  if (Any({"ERROR", "FATAL", "CRITICAL", "SEVERE", " ERR ", " EXCEPTION:", "[EXCEPTION]"})) return lError;
  if (Any({"WARN"})) return lWarn;
  if (Any({" INFO ", "[INFO]", ": INFO", "|INFO|", " INFO:", "INFORMATION"})) return lInfo;
  if (U.rfind("INFO ", 0) == 0 || U.rfind("INFO:", 0) == 0 || U.rfind("[INFO]", 0) == 0) return lInfo;
  if (Any({"DEBUG", " DBG "})) return lDebug;
  if (Any({"TRACE", "VERBOSE", " VRB "})) return lTrace;
  if (!Any({"\"GET ", "\"POST ", "\"PUT ", "\"PATCH ", "\"DELETE ", "\"HEAD ", "\"OPTIONS ", "\"CONNECT ", " GET ",
            " POST ", " PUT ", " DELETE "}))
    return lCustom;
  return lDebug;  // stands for "decided by the HTTP status"; never a keyword result here
}

}  // namespace

TEST(LevelDetect, LevelFromWord) {
  const TCase Cases[] = {
      {"ERROR", lError},
      {"err", lError},
      {"Fatal", lError},
      {"CRITICAL", lError},
      {"crit", lError},
      {"  warn  ", lWarn},
      {"\twarning\r", lWarn},
      {"Warning:", lCustom},
      {"INFO", lInfo},
      {"information", lInfo},
      {"debug", lDebug},
      {"DBG", lDebug},
      {"trace", lTrace},
      {"Verbose", lTrace},
      {"vrb", lTrace},
      {"E", lCustom},
      {"", lCustom},
      {"   ", lCustom},
      {"ERRORS", lCustom},
      {"INF", lInfo},
      {"[INFO]", lCustom},
      {"INFORMATIONAL", lCustom},
      {"WARN ING", lCustom},
      {"\xC3\xA9rror", lCustom},
      // The names of syslog, PostgreSQL, Apache, Serilog and Go's loggers.
      {"emerg", lError},
      {"Alert", lError},
      {"PANIC", lError},
      {"severe", lError},
      {"FTL", lError},
      {"wrn", lWarn},
      {"notice", lInfo},
      {"NOTE", lInfo},
      {"LOG", lInfo},
      {"debug2", lDebug},
      {"DEBUG5", lDebug},
      {"trace8", lTrace},
      {"TRC", lTrace},
      {"verbose1", lTrace},
      {"info2", lCustom},
      {"debug10", lCustom},
      {"de", lCustom},
      {"informations", lCustom},
  };
  for (const TCase& C : Cases) EXPECT_EQ(LevelFromWord(C.Text), C.Expected) << '"' << C.Text << '"';
}

// What makes a level word the line's own: it stands alone, in any case, near the start; the
// ordinary words among the names count only as tags, values of a level key or in capitals.
TEST(LevelDetect, OwnLevelWord) {
  const std::string Far(130, ' ');
  const TCase Cases[] = {
      {"ERROR disk full", lError},
      {"2024-05-06 07:08:09 fatal: x", lError},
      {"[warn] x", lWarn},
      {"[2023-05-15 18:19:32] local.ERROR: x", lError},
      {"local.error: x", lCustom},  // a dotted name unless in capitals
      {"2025-08-13 01:45:07.456 PDT [12377] WARNING:  x", lWarn},
      {"[0701/114930:WARNING:dns_config_service.cc(306)] error x", lWarn},
      {"WARN[0000] x", lWarn},
      {"INFO no error found", lInfo},
      {"no error found", lError},
      {"TERRORS of the night", lCustom},
      {"com.acme.ErrorHandler started", lCustom},
      {"/var/log/error.log missing", lCustom},
      {"C:\\Logs\\Error\\x", lCustom},
      {"my-error-handler", lCustom},
      {"error_count=3", lCustom},
      {"status=error", lCustom},
      {"\xC3\xA9rror x", lCustom},
      {"time=x level=warn msg=y", lWarn},
      {"time=x level=\"error\" msg=y", lError},
      {"lvl=info", lInfo},
      {"Severity=Notice x", lInfo},
      {"msg=\"error here\" x", lCustom},
      {"\"error\" in quotes", lCustom},
      {"sending an alert to the admin", lCustom},
      {"ALERT exited abnormally", lError},
      {"[alert] x", lError},
      {"panic: runtime error", lError},
      {"[core:notice] x", lInfo},
      {"note: x", lInfo},
      {"x = inf", lCustom},
      {"x [INF] y", lInfo},
      {"x ERR y", lError},
      {"x err y", lCustom},
      {"LOG:  checkpoint", lInfo},
      {"a log of x", lCustom},
      {"DEBUG2: x", lDebug},
      {"[VERBOSE1:x.cc(3)]", lTrace},
      {"state WARN", lWarn},  // a short word at the end, at an odd and an even position
      {"states WARN", lWarn},
      {"x dbug", lCustom},
      {"", lCustom},
  };
  for (const TCase& C : Cases) EXPECT_EQ(OwnLevelWord(C.Text), C.Expected) << '"' << C.Text << '"';
  EXPECT_EQ(OwnLevelWord(Far + "ERROR x"), lCustom);      // beyond the start
  EXPECT_EQ(OwnLevelWord("a,\"WARN\",b", false), lWarn);  // the quotes of CSV fields
}

// A line's own word comes first; without one, the keywords and the HTTP status decide.
TEST(LevelDetect, LineLevel) {
  const TCase Cases[] = {
      {"debug then info here", lDebug},
      {"INFO retry succeeded after error", lInfo},
      // Keywords count as words: not inside longer words, names, paths or keys.
      {"TERRORS of the night", lCustom},
      {"Traceback (most recent call last):", lCustom},
      {"Stack trace:", lCustom},
      {"resolving errors.example.net", lCustom},
      {"open /var/log/nginx/error.log", lCustom},
      {"at Foo.OnError(Exception e)", lCustom},
      {"errors=0 warnings=2", lCustom},
      {"3 errors, 2 WARNINGS", lError},
      {"Informational message", lInfo},
      {"1.2.3.4 - - \"GET /x HTTP/1.1\" 404 12", lWarn},
      {"nothing to see", lCustom},
  };
  for (const TCase& C : Cases) EXPECT_EQ(LineLevel(C.Text), C.Expected) << '"' << C.Text << '"';
  EXPECT_EQ(LineLevel(std::string(130, 'x') + " INFO then ERROR"), lError);
}

TEST(LevelDetect, KeywordRules) {
  const TCase Cases[] = {
      {"something failed with error 5", lError},
      {"an Error and a warning", lError},
      {"WARNING: an error occurred", lError},
      {"TERRORS of the night", lError},
      {"fatal: bad", lError},
      {"critical section", lError},
      {"SEVERE problem", lError},
      {"code ERR here", lError},
      {"code err", lCustom},  // needs a blank on both sides
      {"java.lang.NullPointerException: x", lCustom},
      {"Unhandled exception: x", lError},
      {"[Exception] thrown", lError},
      {"disk warnings ahead", lWarn},
      {"x WARN y", lWarn},
      {"WARN", lWarn},  // keyword filling the whole line
      {"xxWARN", lWarn},
      {"WAR", lCustom},
      {"x info y", lInfo},
      {"[Info] started", lInfo},
      {"level: info", lInfo},
      {"a|INFO|b", lInfo},
      {"x info: y", lInfo},
      {"INFORMATIONAL message", lInfo},
      {"Info started", lInfo},  // only the rule for the start of a line applies
      {"info:started", lInfo},
      {"[INFO]started", lInfo},
      {"infos started", lCustom},
      {"xinfo started", lCustom},
      {"debug output", lDebug},
      {"got DBG here", lDebug},
      {"trace on", lTrace},
      {"verbose mode", lTrace},
      {"a vrb b", lTrace},
      {"nothing to see here", lCustom},
      {"", lCustom},
      {"debug then info here", lInfo},  // info outranks debug even when it comes later
      {"trace then debug", lDebug},
      {"verbose warning", lWarn},
  };
  for (const TCase& C : Cases) EXPECT_EQ(Detect(C.Text), C.Expected) << '"' << C.Text << '"';
}

TEST(LevelDetect, HttpStatusFallback) {
  const TCase Cases[] = {
      {"1.2.3.4 - - [06/May/2024:07:08:09 +0000] \"GET /x HTTP/1.1\" 404 12", lWarn},
      {"1.2.3.4 - - [06/May/2024:07:08:09 +0000] \"GET /x HTTP/1.1\" 503 12", lError},
      {"1.2.3.4 - - [06/May/2024:07:08:09 +0000] \"POST /x HTTP/1.1\" 200 12", lInfo},
      {"1.2.3.4 - - [06/May/2024:07:08:09 +0000] \"get /x http/1.0\"   500 0", lError},
      {"1.2.3.4 - - \"GET /x HTTP/1.1\" - 12", lInfo},    // no status: still a request
      {"1.2.3.4 - - \"GET /x HTTP/1.1\"", lInfo},         // no quote-space after the protocol
      {"1.2.3.4 - - \"GET /x HTTP/1.1\" 40", lInfo},      // too short for three characters
      {"1.2.3.4 - - \"GET /x HTTP/1.1\" 4x4 1", lInfo},   // not an integer
      {"\"HEAD /x HTTP/1.1\" 451 0 \"ref\" 500", lWarn},  // first quote-space after protocol
      {"client GET /index 500", lError},                  // trailing digits decide
      {"client GET /index 5003", lError},                 // first three of the run
      {"client GET /index 42", lInfo},
      {"client GET /index 404", lWarn},
      {"client GET /index done", lInfo},
      {"client \"DELETE /a", lInfo},
      {"client \"PATCH /a 499", lWarn},
      {"client \"OPTIONS * 599", lError},
      {"client \"CONNECT h:1 400", lWarn},
      {"client PUT /a 399", lInfo},
      {"a GET without blanks GET/ 500", lError},
      {"GET /index 500", lCustom},  // the method needs a blank or quote before it
      {"FORGET it 500", lCustom},
      {"error \"GET /x HTTP/1.1\" 200 1", lError},  // keywords come first
  };
  for (const TCase& C : Cases) EXPECT_EQ(Detect(C.Text), C.Expected) << '"' << C.Text << '"';
}

TEST(LevelDetect, TextAndUpperOfDifferentLengthsAreSafe) {
  EXPECT_EQ(DetectLevel("client GET x 503", "CLIENT GET X"), lInfo);
  EXPECT_EQ(DetectLevel("x", "X WARN"), lCustom);
}

TEST(LevelDetect, SinglePassScanAgreesWithPlainSearches) {
  // Lines built from keyword fragments, so that overlapping and adjacent keywords occur often,
  // in any letter case, at any alignment; "{" folds like "[" in the scan's quick test.
  const char* Pieces[] = {"ERR",   "ERROR",     " ",           "WARN", "INFO", "[",     "]",     ":",    "|",
                          "DEBUG", " DBG ",     "TRACE",       "VERB", "OSE",  " VRB ", "\"",    "GET ", "POST ",
                          "HTTP/", "EXCEPTION", "INFORMATION", "x",    "FATA", "L",     "SEVER", "E",    "CRIT",
                          "ICAL",  "DELETE ",   "PUT ",        "404",  "5",    "{"};
  std::mt19937 Random(12345);
  std::uniform_int_distribution<int> Pick(0, std::size(Pieces) - 1), Length(0, 8), Coin(0, 3);
  for (int n = 0; n < 20000; ++n) {
    std::string Line;
    for (int k = Length(Random); k > 0; --k) Line += Pieces[Pick(Random)];
    for (char& C : Line)
      if (C >= 'A' && C <= 'Z' && Coin(Random) == 0) C = static_cast<char>(C + 32);
    const std::string Upper = UpperOf(Line);
    const TLogLevel Expected = ReferenceKeywordLevel(Upper);
    const TLogLevel Got = DetectLevel(Line, Upper);
    ASSERT_EQ(DetectLevelIgnoringCase(Line), Got) << '"' << Line << '"';
    if (Expected == lDebug && Got != lDebug) {
      // A request line: only the kind of decision is compared here.
      ASSERT_TRUE(Upper.find("DEBUG") == std::string::npos && Upper.find(" DBG ") == std::string::npos) << Line;
      ASSERT_TRUE(Got == lInfo || Got == lWarn || Got == lError) << Line;
    } else {
      ASSERT_EQ(Got, Expected) << '"' << Line << '"';
    }
  }
}
