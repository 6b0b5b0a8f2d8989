#include "loader/uFormatDetect.h"

#include <algorithm>
#include <initializer_list>

#include "loader/uLineParser.h"
#include "loader/uTimestamp.h"
#include "model/uTextScan.h"

namespace {

constexpr size_t MaxSamples = 50;

bool Contains(std::string_view S, std::string_view Part) { return S.find(Part) != std::string_view::npos; }

bool ContainsAny(std::string_view S, std::initializer_list<std::string_view> Parts) {
  return std::any_of(Parts.begin(), Parts.end(), [S](std::string_view P) { return Contains(S, P); });
}

bool StartsWith(std::string_view S, std::string_view Prefix) { return S.substr(0, Prefix.size()) == Prefix; }

bool EqualsIgnoringCase(std::string_view S, std::string_view UpperWord) {
  return S.size() == UpperWord.size() &&
         std::equal(S.begin(), S.end(), UpperWord.begin(), [](char A, char B) { return UpperAscii(A) == B; });
}

bool StartsWithIgnoringCase(std::string_view S, std::string_view UpperWord) {
  return S.size() >= UpperWord.size() && EqualsIgnoringCase(S.substr(0, UpperWord.size()), UpperWord);
}

bool ContainsIgnoringCase(std::string_view S, std::string_view UpperWord) {
  for (size_t i = 0; i + UpperWord.size() <= S.size(); ++i)
    if (StartsWithIgnoringCase(S.substr(i), UpperWord)) return true;
  return false;
}

// "<" + 1..3 digits of priority + ">".
bool HasSyslogPriority(std::string_view S) {
  if (S.size() < 4 || S[0] != '<' || !IsDigit(S[1])) return false;
  const size_t Close = S.find('>');
  return Close != std::string_view::npos && Close >= 2 && Close <= 4;
}

// Month abbreviation, day and time of day: "Jun 14 15:16:01 ...".
bool HasSyslogShape(std::string_view S) {
  return S.size() >= 16 && S[3] == ' ' && S[6] == ' ' && Contains(S, ":") && !IsDigit(S[0]);
}

// Maximal runs of characters other than ",".
int CommaSeparatedWords(std::string_view S) {
  int Words = 0;
  bool InWord = false;
  for (const char C : S) {
    if (C == ',') {
      InWord = false;
    } else if (!InWord) {
      InWord = true;
      ++Words;
    }
  }
  return Words;
}

bool TabSeparatedDataLine(std::string_view S) {
  const size_t Tab = S.find('\t');
  const std::string_view First = Trim(S.substr(0, Tab));
  if (std::count(S.begin(), S.end(), '\t') + 1 < 4) return false;
  double Value = 0;
  int Consumed = 0;
  return ParseIsoTimestamp(First, Value) || ParseDottedTimestamp(First, Value, Consumed) ||
         ParseSlashedTimestamp(First, Value, Consumed);
}

struct TVotes {
  int RapidScada = 0, Log4x = 0, Json = 0, Apache = 0, Nginx = 0, Iis = 0, Syslog = 0, Csv = 0;
};

void VoteIsoStamped(std::string_view S, TVotes& Votes) {
  double Timestamp = 0;
  int32_t SourceStart = 0, SourceLength = 0;
  TLogLevel Level = lCustom;
  if (ParseRapidScadaLine(S, Timestamp, SourceStart, SourceLength, Level) || IsRapidScadaModuleLine(S))
    ++Votes.RapidScada;
  else if (ContainsAny(S, {",ERROR,", ",WARN,", ",INFO,", ",DEBUG,", ",TRACE,", ",WARNING,", ",FATAL,"})) ++Votes.Csv;
  else if (ContainsAny(S, {" ERROR ", " WARN ", " INFO ", " DEBUG ", " TRACE ", "[ERROR]", "[WARN]", "[INFO]",
                           "[DEBUG]", "[TRACE]", "[WARNING]", "[FATAL]"}))
    ++Votes.Log4x;
  else ++Votes.Iis;  // an ISO-stamped line without level words: a W3C data line
}

void VoteOther(std::string_view S, TVotes& Votes) {
  if (StartsWith(S, "#")) {
    ++Votes.Iis;  // W3C directives such as the field list
    return;
  }
  // A line may look like several formats at once; each of these adds its vote.
  if (Contains(S, " - - [") && Contains(S, "/")) ++Votes.Apache;
  if (ContainsAny(S, {"\"GET ", "\"POST ", "\"HEAD ", "\"PUT "}) && Contains(S, " HTTP/")) ++Votes.Nginx;
  if (HasSyslogShape(S)) ++Votes.Syslog;
  if (StartsWith(S, "{") && ContainsAny(S, {"\"level\"", "\"Level\"", "\"severity\""})) ++Votes.Json;
  if (CommaSeparatedWords(S) >= 4) ++Votes.Csv;
  if (Contains(S, "\t")) {
    if (EqualsIgnoringCase(S.substr(0, 9), "TIMESTAMP")) ++Votes.Csv;
    else if (TabSeparatedDataLine(S)) ++Votes.Csv;
  }
}

TLogFormat Decide(const TVotes& Votes) {
  if (Votes.RapidScada > 0) return lfRapidScada;
  TLogFormat Best = lfPlain;
  int BestScore = 3;
  if (Votes.Log4x > 3) {
    Best = lfLog4x;
    BestScore = Votes.Log4x;
  }
  const std::pair<int, TLogFormat> Candidates[] = {{Votes.Json, lfJSON},     {Votes.Apache, lfApache},
                                                   {Votes.Nginx, lfNginx},   {Votes.Iis, lfIIS},
                                                   {Votes.Syslog, lfSyslog}, {Votes.Csv, lfCSV}};
  for (const auto& [Score, Format] : Candidates) {
    if (Score > BestScore) {
      Best = Format;
      BestScore = Score;
    }
  }
  return Best;
}

}  // namespace

TLogFormat DetectFormat(const std::vector<std::string>& Samples) {
  return DetectFormat(std::vector<std::string_view>(Samples.begin(), Samples.end()));
}

TLogFormat DetectFormat(std::span<const std::string_view> Samples) {
  TVotes Votes;
  const size_t Count = std::min(Samples.size(), MaxSamples);
  for (size_t i = 0; i < Count; ++i) {
    const std::string_view S = Trim(Samples[i]);
    if (S.empty()) continue;
    if (HasSyslogPriority(S)) ++Votes.Syslog;
    else if (LooksLikeIsoTimestamp(S)) VoteIsoStamped(S, Votes);
    else VoteOther(S, Votes);
  }
  return Decide(Votes);
}

bool IsRapidScadaModuleLine(std::string_view Line) {
  double Value = 0;
  if (Line.size() < 21 || Line[4] != '-' || Line[7] != '-' || Line[10] != ' ' || Line[19] != ' ' ||
      !ParseIsoTimestamp(Line, Value))
    return false;
  // Compared in place rather than on an upper-case copy: the line may be huge.
  const std::string_view Rest = Trim(Line.substr(20));
  if (Rest.empty()) return false;
  if (StartsWithIgnoringCase(Rest, "MODULE MOD") &&
      (ContainsIgnoringCase(Rest, " STARTED") || ContainsIgnoringCase(Rest, " IS STOPPED")))
    return true;
  if (StartsWithIgnoringCase(Rest, "CHECK MOD") && ContainsIgnoringCase(Rest, " REGISTRATION:")) return true;
  return EqualsIgnoringCase(Rest, "ERROR LOADING MODULE CONFIGURATION:") ||
         EqualsIgnoringCase(Rest, "NORMAL EXECUTION IS IMPOSSIBLE");
}
