#include "loader/uFormatDetect.h"

#include <algorithm>
#include <initializer_list>

#include "loader/uLevelDetect.h"
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

bool StartsWithIgnoringCase(std::string_view S, std::string_view UpperWord) {
  return S.size() >= UpperWord.size() && SameIgnoringCase(S.substr(0, UpperWord.size()), UpperWord);
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

// A row of comma-separated values: four or more fields that are not empty, where the commas that
// separate them stand right before their next field. Text puts a blank after its commas: a
// proxy's "close, 1210 bytes sent, 3528 bytes received, lifetime 00:02" is no row.
bool IsCommaSeparatedRow(std::string_view S) {
  int Words = 0, TightCommas = 0;
  bool InWord = false;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == ',') {
      InWord = false;
      if (i + 1 < S.size() && !IsBlank(S[i + 1])) ++TightCommas;
    } else if (!InWord) {
      InWord = true;
      ++Words;
    }
  }
  return Words >= 4 && TightCommas >= 3;
}

// A line that begins with a timestamp and a blank is text with a time, whatever its commas.
bool LeadsWithTimestampAndText(std::string_view S) {
  double Value = 0;
  size_t End = 0;
  return MayLeadWithTimestamp(S) && ParseLeadingTimestamp(S, Value, End) && End < S.size() && IsBlank(S[End]);
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
  int RapidScada = 0, Log4x = 0, Json = 0, Apache = 0, Nginx = 0, Syslog = 0, Csv = 0;
  int Directives = 0;  // W3C directive lines
  int IsoText = 0;     // ISO-stamped lines without a level word: W3C data lines, or plain text
  int Lines = 0;       // samples that are not blank
};

void VoteIsoStamped(std::string_view S, TVotes& Votes) {
  double Timestamp = 0;
  int32_t SourceStart = 0, SourceLength = 0;
  TLogLevel Level = lCustom;
  if (ParseRapidScadaLine(S, Timestamp, SourceStart, SourceLength, Level) || IsRapidScadaModuleLine(S))
    ++Votes.RapidScada;
  else if (ContainsAny(S, {",ERROR,", ",WARN,", ",INFO,", ",DEBUG,", ",TRACE,", ",WARNING,", ",FATAL,"})) ++Votes.Csv;
  else if (OwnLevelWord(S) != lCustom) ++Votes.Log4x;
  else ++Votes.IsoText;
}

bool IsW3cDirective(std::string_view S) {
  return ContainsAny(S.substr(0, S.find(':') + 1),
                     {"#Fields:", "#Software:", "#Version:", "#Date:", "#Remark:", "#Start-Date:", "#End-Date:"});
}

// A line with a level word before its first quote is an application's line that mentions a
// request, not an access-log line.
bool NamesItsLevel(std::string_view S) { return OwnLevelWord(S.substr(0, S.find('"'))) != lCustom; }

void VoteOther(std::string_view S, TVotes& Votes) {
  // A JSON object's commas are not those of CSV.
  if (StartsWith(S, "{")) {
    ++Votes.Json;
    return;
  }
  // Comment lines (a stack trace's "#0 ...") vote for nothing.
  if (StartsWith(S, "#")) {
    if (IsW3cDirective(S)) ++Votes.Directives;
    return;
  }
  // A line may look like several formats at once; each of these adds its vote.
  if (Contains(S, " - - [") && Contains(S, "/") && !NamesItsLevel(S)) ++Votes.Apache;
  if (ContainsAny(S, {"\"GET ", "\"POST ", "\"HEAD ", "\"PUT ", "\"DELETE ", "\"PATCH ", "\"OPTIONS "}) &&
      Contains(S, " HTTP/") && !NamesItsLevel(S))
    ++Votes.Nginx;
  if (HasSyslogShape(S)) ++Votes.Syslog;
  if (IsCommaSeparatedRow(S) && !LeadsWithTimestampAndText(S)) ++Votes.Csv;
  if (Contains(S, "\t")) {
    if (SameIgnoringCase(S.substr(0, 9), "TIMESTAMP") || TabSeparatedDataLine(S)) ++Votes.Csv;
  }
}

TLogFormat Decide(const TVotes& Votes) {
  if (Votes.RapidScada > 0) return lfRapidScada;
  // Four votes decide; a file of fewer lines needs a vote from each of them.
  TLogFormat Best = lfPlain;
  int BestScore = std::min(Votes.Lines, 4) - 1;
  if (BestScore < 0) return Best;
  // W3C data lines are plain ISO-stamped lines: only the directives make them a W3C log.
  const int Iis = Votes.Directives > 0 ? Votes.Directives + Votes.IsoText : 0;
  const std::pair<int, TLogFormat> Candidates[] = {
      {Votes.Log4x, lfLog4x}, {Votes.Json, lfJSON},     {Votes.Apache, lfApache}, {Votes.Nginx, lfNginx},
      {Iis, lfIIS},           {Votes.Syslog, lfSyslog}, {Votes.Csv, lfCSV}};
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
    ++Votes.Lines;
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
  return SameIgnoringCase(Rest, "ERROR LOADING MODULE CONFIGURATION:") ||
         SameIgnoringCase(Rest, "NORMAL EXECUTION IS IMPOSSIBLE");
}
