#include "loader/uLineParser.h"

#include <algorithm>

#include "loader/uCustomParser.h"
#include "loader/uLevelDetect.h"
#include "loader/uTimestamp.h"
#include "loader/uQuadgramFilter.h"
#include "model/uTextScan.h"

// Every function here runs once per line of files of hundreds of megabytes: texts are views into
// the line, and nothing is allocated or copied in proportion to a line's length.

namespace {

constexpr std::string_view::size_type npos = std::string_view::npos;

// Text from the 1-based position Pos to the end; empty when Pos is past the end.
std::string_view From(std::string_view S, size_t Pos) {
  return Pos - 1 < S.size() ? S.substr(Pos - 1) : std::string_view();
}

// The text before the first space, or all of X when there is none or it leads; then trimmed.
std::string_view FirstWord(std::string_view X) {
  const size_t Space = FindByte(X, ' ');
  if (Space == npos || Space == 0) return Trim(X);
  return Trim(X.substr(0, Space));
}

std::string_view DropOneTrailingColon(std::string_view W) {
  return !W.empty() && W.back() == ':' ? W.substr(0, W.size() - 1) : W;
}

// The keyword search reads the line as if in upper case; it never copies it, since a line may
// be hundreds of megabytes long and this runs for every line that names no level of its own.
TLogLevel DetectLevelOf(std::string_view Text) { return DetectLevelIgnoringCase(Text); }

bool MatchesLower(std::string_view Text, size_t At, std::string_view LowerWord) {
  if (Text.size() - At < LowerWord.size()) return false;
  for (size_t k = 0; k < LowerWord.size(); ++k)
    if (LowerAscii(Text[At + k]) != LowerWord[k]) return false;
  return true;
}

// After a seconds field, a "," or "." with a 3-digit fraction is skipped.
std::string_view SkipMilliseconds(std::string_view Rest) {
  if (Rest.size() > 3 && (Rest[0] == ',' || Rest[0] == '.') && IsDigit(Rest[1])) return Trim(From(Rest, 5));
  return Rest;
}

// --- plain -------------------------------------------------------------------------------------

// After a bracketed timestamp the level word may be followed by a tab as well as a space.
std::string_view WordToSpaceOrTab(std::string_view Rest) {
  size_t End = 0;
  while (End < Rest.size() && Rest[End] != ' ' && Rest[End] != '\t') ++End;
  if (End == Rest.size() || End == 0) return Rest;
  return Rest.substr(0, End);
}

void ParsePlain(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfPlain;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;
  if (Trim(Line).empty()) return;
  const std::string_view S = TrimLeft(Line);
  double Value = 0;
  int Pos = 0;

  // The forms are tried only where their fixed characters stand: most lines have none of them,
  // and a call that fails at once still costs a call for every line of the file.
  if (S[0] == '[' && ParseBracketTimestamp(S, Value, Pos)) {
    Entry.Timestamp = Value;
    const std::string_view Rest = Trim(From(S, Pos + 1));
    const std::string_view W = DropOneTrailingColon(Trim(WordToSpaceOrTab(Rest)));
    Entry.Level = LevelFromWord(W);
    if (Entry.Level == lCustom) Entry.Level = DetectLevelOf(W);
    return;
  }

  const bool NumericDateShape = S.size() >= 19 && S[2] == S[5] && (S[2] == '.' || S[2] == '/');
  if (NumericDateShape && (ParseDottedTimestamp(S, Value, Pos) || ParseSlashedTimestamp(S, Value, Pos))) {
    Entry.Timestamp = Value;
    const std::string_view Rest = Trim(From(S, Pos + 1));
    Entry.Level = LevelFromWord(DropOneTrailingColon(FirstWord(Rest)));
    if (Entry.Level == lCustom) Entry.Level = DetectLevelOf(Rest);
    return;
  }

  if (LooksLikeIsoTimestamp(Line) && ParseIsoTimestamp(Line, Value)) {
    Entry.Timestamp = Value;
    const std::string_view Rest = SkipMilliseconds(Trim(From(Line, 20)));
    Entry.Level = LevelFromWord(FirstWord(Rest));
    return;
  }

  std::string_view Rest = Line;
  if (Line.size() >= 8 && Line[2] == ':' && Line[5] == ':') {
    if (ParseTimeOfDay(Line.substr(0, 8), Value)) Entry.Timestamp = Value;
    Rest = Trim(From(Line, 9));
  }
  std::string_view W = FirstWord(Rest);
  if (W.size() > 2 && W[0] == '[') {
    const size_t Close = FindByte(W, ']', 2);
    if (Close != npos) W = Trim(W.substr(1, Close - 1));
  }
  Entry.Level = LevelFromWord(DropOneTrailingColon(W));
}

// --- Log4x -------------------------------------------------------------------------------------

void ParseLog4x(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfLog4x;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;
  double Value = 0;
  if (!ParseIsoTimestamp(Line, Value)) return;
  Entry.Timestamp = Value;
  const std::string_view Rest = SkipMilliseconds(Trim(From(Line, 20)));
  if (Rest.empty()) return;
  std::string_view LevelText;
  if (Rest[0] == '[') {
    const size_t Close = FindByte(Rest, ']');
    if (Close != npos) LevelText = Trim(Rest.substr(1, Close - 1));
  } else {
    LevelText = FirstWord(Rest);
    // "2015-07-29 19:13:24,282 - WARN  [worker] ...": a lone dash stands between the time and
    // the level; taken as the level it would leave the line to the keyword search.
    if (LevelText == "-") LevelText = FirstWord(TrimLeft(Rest.substr(1)));
  }
  Entry.Level = LevelFromWord(LevelText);
}

// --- access logs -------------------------------------------------------------------------------

void ParseAccessLog(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfApache;
  Entry.Level = lInfo;
  Entry.Timestamp = 0;

  const size_t A = FindByte(Line, '[');
  const size_t B = FindByte(Line, ']');
  if (A != npos && B != npos && A < B) {
    std::string_view T = Line.substr(A + 1, B - A - 1);
    const size_t Space = FindByte(T, ' ');
    if (Space != npos) T = T.substr(0, Space);
    double Value = 0;
    if (ParseAccessLogTime(T, Value)) Entry.Timestamp = Value;
  }

  const size_t Q1 = FindByte(Line, '"');
  const size_t Q2 = Q1 == npos ? npos : FindByte(Line, '"', Q1 + 1);
  if (Q2 == npos) return;
  const std::string_view After = Q2 + 2 < Line.size() ? Line.substr(Q2 + 2) : std::string_view();
  const std::string_view Status = Trim(After.substr(0, std::min<size_t>(3, After.size())));
  if (Status.empty()) return;
  if (Status[0] == '5') Entry.Level = lError;
  else if (Status[0] == '4') Entry.Level = lWarn;
}

// --- syslog ------------------------------------------------------------------------------------

// One pass over the message for all four words, in any letter case; "error" and "fail" decide
// at once, the others only when neither occurs anywhere.
constexpr TQuadgramFilter SyslogWordQuadgrams = [] {
  TQuadgramFilter Filter;
  for (const std::string_view Word : {"ERROR", "FAIL", "WARN", "DEBUG"}) Filter.Add(Word);
  return Filter;
}();

TLogLevel SyslogMessageLevel(std::string_view Message) {
  bool Error = false, Warn = false, Debug = false;
  SyslogWordQuadgrams.ForEachCandidate(Message, [&](size_t At) {
    switch (LowerAscii(Message[At])) {
      case 'e':
        Error = MatchesLower(Message, At, "error");
        break;
      case 'f':
        Error = MatchesLower(Message, At, "fail");
        break;
      case 'w':
        Warn = Warn || MatchesLower(Message, At, "warn");
        break;
      case 'd':
        Debug = Debug || MatchesLower(Message, At, "debug");
        break;
      default:
        break;
    }
    return Error;
  });
  return Error ? lError : Warn ? lWarn : Debug ? lDebug : lInfo;
}

void ParseSyslog(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfSyslog;
  Entry.Level = lInfo;
  Entry.Timestamp = 0;

  std::string_view S = Line;
  if (S.size() >= 3 && S[0] == '<') {
    const size_t Close = FindByte(S.substr(0, 5), '>');
    if (Close != npos && Close >= 2) S = S.substr(Close + 1);
  }

  // Pieces are separated by single spaces, so pieces 1-3 (the time) and pieces 5-6 (the message)
  // are contiguous spans of S; only the start offsets of the pieces are needed. Syslog pads a
  // one-digit day with a second space ("Jul  1"); blanks after the month belong to the day
  // rather than opening empty pieces, or every such line would lose its time and shift its host name
  // into the message.
  size_t PieceStart[6] = {};
  int Pieces = 1;
  for (size_t i = 0; i < S.size() && Pieces < 6; ++i) {
    if (S[i] != ' ') continue;
    if (Pieces == 2 && i == PieceStart[1]) {
      PieceStart[1] = i + 1;
      continue;
    }
    PieceStart[Pieces++] = i + 1;
  }
  if (Pieces < 5) return;

  double Value = 0;
  if (ParseSyslogTime(S.substr(0, PieceStart[3] - 1), Value)) Entry.Timestamp = Value;

  Entry.Level = SyslogMessageLevel(S.substr(PieceStart[4]));
}

// --- CSV ---------------------------------------------------------------------------------------

// Reads the quote-aware field that starts at Pos into Field (untrimmed). Returns the position
// after the delimiter that ended it, or npos when the end of the line ended it.
size_t ReadCsvField(std::string_view Line, size_t Pos, char Delimiter, std::string& Field) {
  Field.clear();
  bool InQuotes = false;
  while (Pos < Line.size()) {
    const char C = Line[Pos];
    if (C == '"') {
      if (InQuotes && Pos + 1 < Line.size() && Line[Pos + 1] == '"') {
        Field.push_back('"');
        Pos += 2;
        continue;
      }
      InQuotes = !InQuotes;
    } else if (C == Delimiter && !InQuotes) {
      return Pos + 1;
    } else {
      Field.push_back(C);
    }
    ++Pos;
  }
  return npos;
}

// The start of a quote-aware field as the CSV parser needs it: trimmed, unquoted, and cut after
// Room bytes. Timestamps and level words are far shorter; a field of a huge line is not copied.
struct TCsvFieldStart {
  static constexpr size_t Room = 64;
  char Bytes[Room];
  size_t Length = 0;  // of the trimmed field, or Room when it was cut
  bool Cut = false;   // the trimmed field is longer than Room
  std::string_view Text() const { return std::string_view(Bytes, Length); }
};

// As ReadCsvField, into Start instead of a string.
size_t ReadCsvFieldStart(std::string_view Line, size_t Pos, char Delimiter, TCsvFieldStart& Start) {
  size_t Kept = 0, Trimmed = 0;  // bytes since the first non-blank one; up to the last non-blank one
  const auto Add = [&](char C) {
    if (Kept == 0 && IsBlank(C)) return;
    if (Kept < TCsvFieldStart::Room) Start.Bytes[Kept] = C;
    ++Kept;
    if (!IsBlank(C)) Trimmed = Kept;
  };
  bool InQuotes = false;
  size_t Next = npos;
  while (Pos < Line.size()) {
    const char C = Line[Pos];
    if (C == '"') {
      if (InQuotes && Pos + 1 < Line.size() && Line[Pos + 1] == '"') {
        Add('"');
        Pos += 2;
        continue;
      }
      InQuotes = !InQuotes;
    } else if (C == Delimiter && !InQuotes) {
      Next = Pos + 1;
      break;
    } else {
      Add(C);
    }
    ++Pos;
  }
  Start.Cut = Trimmed > TCsvFieldStart::Room;
  Start.Length = Start.Cut ? TCsvFieldStart::Room : Trimmed;
  return Next;
}

void ParseCsv(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfCSV;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;

  const char Delimiter = FindByte(Line, '\t') != npos ? '\t' : ',';
  TCsvFieldStart Field;
  const size_t Next = ReadCsvFieldStart(Line, 0, Delimiter, Field);

  // A cut field reads like the whole one: every form below is decided within its first 24
  // bytes or by a length far below the cut.
  const std::string_view F = Field.Text();
  double Value = 0;
  int Consumed = 0;
  if (ParseIsoTimestamp(F, Value) || ParseDottedTimestamp(F, Value, Consumed) ||
      ParseSlashedTimestamp(F, Value, Consumed) || ParseTimeOfDay(F, Value))
    Entry.Timestamp = Value;

  if (Next == npos) return;
  ReadCsvFieldStart(Line, Next, Delimiter, Field);
  // No level word is longer than the cut; the cut part could end in blanks and so look shorter.
  Entry.Level = Field.Cut ? lCustom : LevelFromWord(Field.Text());
}

// --- JSON --------------------------------------------------------------------------------------

// The string value of the first "Key" in Line, as a view; empty when absent or not a string.
std::string_view JsonStringView(std::string_view Line, std::string_view Key) {
  if (Key.empty()) return {};
  size_t At = 1;
  size_t KeyPos = npos;
  while ((At = FindText(Line, Key, At)) != npos) {
    if (Line[At - 1] == '"' && At + Key.size() < Line.size() && Line[At + Key.size()] == '"') {
      KeyPos = At;
      break;
    }
    ++At;
  }
  if (KeyPos == npos) return {};
  size_t i = KeyPos + Key.size() + 1;
  while (i < Line.size() && (Line[i] == ' ' || Line[i] == ':')) ++i;
  if (i >= Line.size() || Line[i] != '"') return {};
  const size_t Close = FindByte(Line, '"', i + 1);
  if (Close == npos) return {};
  return Line.substr(i + 1, Close - i - 1);
}

void ParseJson(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfJSON;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;

  std::string_view T = JsonStringView(Line, "timestamp");
  if (T.empty()) T = JsonStringView(Line, "time");
  if (T.empty()) T = JsonStringView(Line, "@timestamp");
  double Value = 0;
  if (!T.empty() && ParseIsoTimestamp(T, Value)) Entry.Timestamp = Value;

  Entry.Level = LevelFromWord(JsonStringView(Line, "level"));
  if (Entry.Level == lCustom) Entry.Level = LevelFromWord(JsonStringView(Line, "severity"));
}

// --- IIS W3C -----------------------------------------------------------------------------------

void ParseIis(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfIIS;
  Entry.Level = lInfo;
  Entry.Timestamp = 0;
  if (!Line.empty() && Line[0] == '#') return;

  // The status is the 12th field of the default W3C field list.
  std::string_view Piece[12];
  int Pieces = 0;
  size_t Start = 0;
  while (Pieces < 12) {
    const size_t End = FindByte(Line, ' ', Start);
    Piece[Pieces++] = Line.substr(Start, End == npos ? npos : End - Start);
    if (End == npos) break;
    Start = End + 1;
  }

  double Value = 0;
  if (Pieces >= 2 && ParseIisDateTime(Piece[0], Piece[1], Value)) Entry.Timestamp = Value;
  if (Pieces >= 12 && !Piece[11].empty()) {
    if (Piece[11][0] == '5') Entry.Level = lError;
    else if (Piece[11][0] == '4') Entry.Level = lWarn;
  }
}

// --- Rapid SCADA -------------------------------------------------------------------------------

void ParseRapidScada(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfRapidScada;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;

  double Value = 0;
  int32_t SourceStart = 0, SourceLength = 0;
  TLogLevel Level = lCustom;
  if (ParseRapidScadaLine(Line, Value, SourceStart, SourceLength, Level)) {
    Entry.Timestamp = Value;
    Entry.SourceStart = SourceStart;
    Entry.SourceLength = SourceLength;
    Entry.Level = Level;
  } else if (ParseIsoTimestamp(Line, Value)) {
    Entry.Timestamp = Value;
    Entry.Level = DetectLevelOf(From(Line, 21));
  }
}

}  // namespace

void ParseLine(std::string_view Line, int32_t LineNumber, TLogFormat Format, TLogEntry& Entry,
               const TCustomFormatConfig& Config) {
  Entry = TLogEntry{};
  switch (Format) {
    case lfLog4x:
      ParseLog4x(Line, Entry);
      break;
    case lfApache:
      ParseAccessLog(Line, Entry);
      break;
    case lfNginx:
      ParseAccessLog(Line, Entry);
      Entry.Format = lfNginx;
      break;
    case lfSyslog:
      ParseSyslog(Line, Entry);
      break;
    case lfCSV:
      ParseCsv(Line, Entry);
      break;
    case lfJSON:
      ParseJson(Line, Entry);
      break;
    case lfIIS:
      ParseIis(Line, Entry);
      break;
    case lfCustom:
      ParseCustomLine(Line, Entry, Config);
      break;
    case lfRapidScada:
      ParseRapidScada(Line, Entry);
      break;
    default:
      ParsePlain(Line, Entry);
      break;
  }
  if (Entry.Level == lCustom && Format != lfCSV && Format != lfCustom && Format != lfRapidScada)
    Entry.Level = DetectLevelOf(Line);
  Entry.LineNumber = LineNumber;
}

bool ParseRapidScadaLine(std::string_view Line, double& Timestamp, int32_t& SourceStart, int32_t& SourceLength,
                         TLogLevel& Level) {
  double Value = 0;
  if (!ParseIsoTimestamp(Line, Value)) return false;
  size_t i = 19;  // just after the seconds
  while (i < Line.size() && Line[i] == ' ') ++i;
  if (i >= Line.size() || Line[i] != '[') return false;
  const size_t Start = i + 1;
  const size_t C1 = FindByte(Line, ']', Start);
  if (C1 == npos || C1 + 1 >= Line.size() || Line[C1 + 1] != '[') return false;
  const size_t C2 = FindByte(Line, ']', C1 + 2);
  if (C2 == npos || C2 + 1 >= Line.size() || Line[C2 + 1] != '[') return false;
  const size_t C3 = FindByte(Line, ']', C2 + 2);
  if (C3 == npos || (C3 + 1 < Line.size() && Line[C3 + 1] != ' ')) return false;

  const std::string_view Code = Line.substr(C2 + 2, C3 - C2 - 2);
  auto CodeIs = [Code](std::string_view Word) {
    return Code.size() == Word.size() &&
           std::equal(Code.begin(), Code.end(), Word.begin(), [](char A, char B) { return UpperAscii(A) == B; });
  };
  TLogLevel CodeLevel;
  if (CodeIs("INF") || CodeIs("ACT")) CodeLevel = lInfo;
  else if (CodeIs("WARN")) CodeLevel = lWarn;
  else if (CodeIs("ERR")) CodeLevel = lError;
  else return false;

  Timestamp = Value;
  SourceStart = static_cast<int32_t>(Start + 1);
  SourceLength = static_cast<int32_t>(C1 - Start);
  Level = CodeLevel;
  return true;
}

std::vector<std::string> SplitCsvFields(std::string_view Line, char Delimiter) {
  std::vector<std::string> Fields;
  std::string Field;
  size_t Pos = 0;
  do {
    Pos = ReadCsvField(Line, Pos, Delimiter, Field);
    Fields.emplace_back(Trim(Field));
  } while (Pos != npos);
  return Fields;
}

std::string JsonStringValue(std::string_view Line, std::string_view Key) {
  return std::string(JsonStringView(Line, Key));
}
