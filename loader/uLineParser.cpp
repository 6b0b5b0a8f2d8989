#include "loader/uLineParser.h"

#include <algorithm>

#include "loader/uCustomParser.h"
#include "loader/uLevelDetect.h"
#include "loader/uTimestamp.h"
#include "model/uTextScan.h"

// Every function here runs once per line of files of hundreds of megabytes: texts are views into
// the line, and nothing is allocated or copied in proportion to a line's length.

namespace {

constexpr std::string_view::size_type npos = std::string_view::npos;

// Text from the 1-based position Pos to the end; empty when Pos is past the end.
std::string_view From(std::string_view S, size_t Pos) {
  return Pos - 1 < S.size() ? S.substr(Pos - 1) : std::string_view();
}

std::string_view DropOneTrailingColon(std::string_view W) {
  return !W.empty() && W.back() == ':' ? W.substr(0, W.size() - 1) : W;
}

// After the seconds of a timestamp: a fraction and a zone are skipped, then blanks.
std::string_view AfterSeconds(std::string_view Line, size_t Seconds) {
  return TrimLeft(Line.substr(std::min(SkipFractionAndZone(Line, Seconds), Line.size())));
}

// The word that starts Rest, as a level field is written: up to a blank or tab, one pair of
// brackets and one trailing colon removed ([WARN], ERROR:, [error]).
std::string_view LevelField(std::string_view Rest) {
  const char* const Start = Rest.data();
  const char* const End = Start + Rest.size();
  const char* P = Start;
  while (P < End && *P != ' ' && *P != '\t') ++P;
  std::string_view W(Start, static_cast<size_t>(P - Start));
  if (W.size() > 2 && W[0] == '[') {
    const size_t Close = FindByte(W, ']', 2);
    if (Close != npos) W = Trim(W.substr(1, Close - 1));
  }
  return DropOneTrailingColon(W);
}

// --- plain -------------------------------------------------------------------------------------

// The severity of a priority value (facility * 8 + severity): emergency to error, warning,
// notice and information, debug.
TLogLevel LevelFromSeverity(int Severity) {
  return Severity <= 3 ? lError : Severity == 4 ? lWarn : Severity <= 6 ? lInfo : lDebug;
}

TLogLevel LevelFromLetter(char Letter) {
  switch (Letter) {
    case 'E':
    case 'F':
    case 'A':
      return lError;
    case 'W':
      return lWarn;
    case 'I':
      return lInfo;
    case 'D':
      return lDebug;
    case 'V':
      return lTrace;
    default:
      return lCustom;
  }
}

// glog and klog: "W0526 10:22:53.000100 4211 file.go:324] ...", the letter being the level.
bool ParseGlogHead(std::string_view S, TLogEntry& Entry) {
  if (S.size() < 14 || (S[0] != 'I' && S[0] != 'W' && S[0] != 'E' && S[0] != 'F') || !IsDigit(S[1])) return false;
  double Value = 0;
  if (!ParseCompactMonthDay(S.substr(1), Value)) return false;
  Entry.Timestamp = Value;
  Entry.Level = LevelFromLetter(S[0]);
  return true;
}

// Android's logcat: after the time, the process and thread ids and the level letter
// ("1702  2395 W ActivityManager: ...").
TLogLevel LogcatLevel(std::string_view Rest) {
  size_t i = 0;
  for (int Number = 0; Number < 2; ++Number) {
    const size_t Start = i;
    while (i < Rest.size() && IsDigit(Rest[i])) ++i;
    if (i == Start) return lCustom;
    while (i < Rest.size() && Rest[i] == ' ') ++i;
  }
  return i + 1 < Rest.size() && Rest[i + 1] == ' ' ? LevelFromLetter(Rest[i]) : lCustom;
}

// A level letter before a tag: Android's "I/ActivityManager( 1702):" and "D/Tag: ...". The tag
// must end in a parenthesis or colon before any blank, or "I/O error" would read as information.
TLogLevel TaggedLetterLevel(std::string_view S) {
  if (S.size() < 4 || S[1] != '/' || IsBlank(S[2])) return lCustom;
  const std::string_view Tag = S.substr(2, 64);
  for (const char C : Tag) {
    if (C == '(' || C == ':') return LevelFromLetter(S[0]);
    if (IsBlank(C)) break;
  }
  return lCustom;
}

// A syslog priority in parentheses after two letters, VMware's "Wa(164)": the severity decides.
TLogLevel PriorityCodeLevel(std::string_view S) {
  if (S.size() < 5 || S[2] != '(' || !IsDigit(S[3])) return lCustom;
  int Priority = 0;
  size_t i = 3;
  for (; i < S.size() && i < 6 && IsDigit(S[i]); ++i) Priority = Priority * 10 + (S[i] - '0');
  return i < S.size() && S[i] == ')' ? LevelFromSeverity(Priority % 8) : lCustom;
}

// The level field right after a line's timestamp: a level word ([WARN], ERROR:, also after a
// lone dash), a level letter before a component or a tag (MongoDB's "I CONTROL", "D1 REPL",
// Android's "I/ActivityManager("), a syslog priority code, or with MayHaveIds Android logcat's
// process and thread ids and then the letter.
TLogLevel LevelAfterTimestamp(std::string_view Rest, bool MayHaveIds) {
  // "2015-07-29 19:13:24,282 - WARN  [worker] ...": taken as the level, the dash would leave the
  // line to the keyword search.
  if (Rest.size() > 1 && Rest[0] == '-' && Rest[1] == ' ') Rest = TrimLeft(Rest.substr(1));
  const TLogLevel Word = LevelFromWord(LevelField(Rest));
  if (Word != lCustom || Rest.size() < 3) return Word;
  if (Rest[1] == '/') return TaggedLetterLevel(Rest);
  if (Rest[2] == '(') return PriorityCodeLevel(Rest);
  // A lone capital before a word in capitals or a dash: "I think" stays text.
  const size_t Next = Rest[1] == ' ' ? 1 : (Rest[0] == 'D' && IsDigit(Rest[1]) && Rest[2] == ' ') ? 2 : 0;
  if (Next != 0 && Rest[0] != 'A') {
    const std::string_view After = TrimLeft(Rest.substr(Next));
    if (!After.empty() && ((After[0] >= 'A' && After[0] <= 'Z') || After[0] == '-')) return LevelFromLetter(Rest[0]);
  }
  return MayHaveIds ? LogcatLevel(Rest) : lCustom;
}

// Tornado's and Jupyter's "[I 240115 10:22:33 web:2239]": the level letter and the time share
// one bracket.
bool ParseLetterAndTime(std::string_view S, TLogEntry& Entry) {
  if (S.size() < 12 || S[0] != '[' || S[2] != ' ' || !IsDigit(S[3])) return false;
  const TLogLevel Level = LevelFromLetter(S[1]);
  double Value = 0;
  size_t End = 0;
  if (Level == lCustom || !ParseLeadingTimestamp(S.substr(3), Value, End)) return false;
  Entry.Timestamp = Value;
  Entry.Level = Level;
  return true;
}

// A line's leading timestamp in any of its forms and the level field right after it; else a
// level letter before a tag, and a timestamp after a short prefix, whose level the line's scan
// finds but for a lone level letter before it (CUPS: "E [15/Jan/2024:10:22:40 +0000] ...").
void ParseStampedText(std::string_view Line, TLogEntry& Entry) {
  const std::string_view S = TrimLeft(Line);
  if (S.empty() || ParseGlogHead(S, Entry) || ParseLetterAndTime(S, Entry)) return;
  double Value = 0;
  size_t Start = 0, End = 0;
  if (MayLeadWithTimestamp(S) && ParseLeadingTimestamp(S, Value, End)) {
    Entry.Timestamp = Value;
    Entry.Level = LevelAfterTimestamp(TrimLeft(S.substr(End)), S[2] == '-' && End >= 14);
    return;
  }
  if (S.size() > 1 && S[1] == '/') Entry.Level = TaggedLetterLevel(S);
  if (!MayHavePrefixedTimestamp(S) || !ParsePrefixedTimestamp(S, Value, Start, End)) return;
  Entry.Timestamp = Value;
  if (Start == 2 && S[1] == ' ' && S[0] != 'A') Entry.Level = LevelFromLetter(S[0]);
}

void ParsePlain(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfPlain;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;
  ParseStampedText(Line, Entry);
}

// --- Log4x -------------------------------------------------------------------------------------

void ParseLog4x(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfLog4x;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;
  double Value = 0;
  if (!ParseIsoTimestamp(Line, Value)) {
    ParseStampedText(Line, Entry);  // the odd line in another layout ([2024-05-06 ...] WARNING in app)
    return;
  }
  Entry.Timestamp = Value;
  Entry.Level = LevelAfterTimestamp(AfterSeconds(Line, 19), false);
}

// --- access logs -------------------------------------------------------------------------------

void ParseAccessLog(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfApache;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;

  const size_t A = FindByte(Line, '[');
  const size_t B = A == npos ? npos : FindByte(Line, ']', A);
  if (B != npos) {
    std::string_view T = Line.substr(A + 1, B - A - 1);
    const size_t Space = FindByte(T, ' ');
    if (Space != npos) T = T.substr(0, Space);
    double Value = 0;
    int Close = 0;
    // Other servers' access lines bracket other forms: Envoy's ISO time, Django's
    // [15/Jan/2024 10:22:40].
    if (ParseAccessLogTime(T, Value) || ParseBracketTimestamp(Line.substr(A), Value, Close)) Entry.Timestamp = Value;
  }

  // A level word before the request (an application's access line) wins over the status. The
  // bracketed time holds none: only what stands around it is read.
  const size_t Q1 = FindByte(Line, '"');
  const size_t Head = Q1 == npos ? Line.size() : Q1;
  TLogLevel Own = OwnLevelWord(Line.substr(0, std::min(A, Head)));
  if (Own == lCustom && B < Head) Own = OwnLevelWord(Line.substr(B + 1, Head - B - 1));
  if (Own != lCustom) {
    Entry.Level = Own;
    return;
  }
  const size_t Q2 = Q1 == npos ? npos : FindByte(Line, '"', Q1 + 1);
  // A line without a request or a time (a server's start-up message) is no access line: its own
  // words decide, as in plain text.
  if (Q2 != npos || Entry.Timestamp != 0) Entry.Level = lInfo;
  if (Q2 == npos) return;
  const std::string_view After = Q2 + 2 < Line.size() ? Line.substr(Q2 + 2) : std::string_view();
  const std::string_view Status = Trim(After.substr(0, std::min<size_t>(3, After.size())));
  if (Status.empty()) return;
  if (Status[0] == '5') Entry.Level = lError;
  else if (Status[0] == '4') Entry.Level = lWarn;
}

// --- syslog ------------------------------------------------------------------------------------

// RFC 5424, after the priority: "1 2003-10-11T22:14:15.003Z host app procid msgid [data] msg".
// The message is taken from the application name on, as a reader sees it.
bool ParseSyslog5424(std::string_view S, TLogEntry& Entry, std::string_view& Message) {
  if (S.size() < 21 || !IsDigit(S[0]) || S[1] != ' ' || !LooksLikeIsoTimestamp(S.substr(2))) return false;
  double Value = 0;
  if (ParseIsoTimestamp(S.substr(2), Value)) Entry.Timestamp = Value;
  const size_t Host = FindByte(S, ' ', 2);
  const size_t App = Host == npos ? npos : FindByte(S, ' ', Host + 1);
  Message = App == npos ? std::string_view() : S.substr(App + 1);
  return true;
}

void ParseSyslog(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfSyslog;
  Entry.Level = lInfo;
  Entry.Timestamp = 0;

  std::string_view S = Line;
  int Severity = -1;
  if (S.size() >= 3 && S[0] == '<') {
    const size_t Close = FindByte(S.substr(0, 5), '>');
    if (Close != npos && Close >= 2) {
      int Priority = 0;
      for (size_t i = 1; i < Close && Priority >= 0; ++i) Priority = IsDigit(S[i]) ? Priority * 10 + (S[i] - '0') : -1;
      if (Priority >= 0) Severity = Priority % 8;
      S = S.substr(Close + 1);
    }
  }

  std::string_view Message;
  if (!ParseSyslog5424(S, Entry, Message)) {
    // Pieces are separated by single spaces, so pieces 1-3 (the time) and pieces 5-6 (the
    // message) are contiguous spans of S; only the start offsets of the pieces are needed.
    // Syslog pads a one-digit day with a second space ("Jul  1"); blanks after the month belong
    // to the day rather than opening empty pieces, or every such line would lose its time and
    // shift its host name into the message.
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
    double Value = 0;
    size_t End = 0;
    if (Pieces >= 5 && ParseSyslogTime(S.substr(0, PieceStart[3] - 1), Value)) {
      Entry.Timestamp = Value;
      Message = S.substr(PieceStart[4]);
    } else if (MayLeadWithTimestamp(S) && ParseLeadingTimestamp(S, Value, End)) {
      // rsyslog's precise form, "2024-01-15T10:22:33.123456+01:00 host app[1]: message"
      Entry.Timestamp = Value;
      const size_t Host = FindByte(S, ' ', End + 1);
      Message = Host == npos ? std::string_view() : S.substr(Host + 1);
    } else if (Severity >= 0) {
      if (Pieces < 5) {
        Entry.Level = LevelFromSeverity(Severity);
        return;
      }
      Message = S.substr(PieceStart[4]);
    } else {
      // No syslog line (a journal's "-- Boot ... --"): its own words decide, as in plain text.
      Entry.Level = lCustom;
      return;
    }
  }

  // The priority is the line's own level field; a level word in the message still wins, as the
  // reader sees it first.
  if (Severity < 0) {
    Entry.Level = SyslogMessageLevel(Message);
    return;
  }
  const TLogLevel Own = OwnLevelWord(Message);
  Entry.Level = Own != lCustom ? Own : LevelFromSeverity(Severity);
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

// A field that is a timestamp: ISO, dotted, slashed or a time of day at its start, or another
// form of a line's leading timestamp that fills it.
bool CsvFieldTimestamp(std::string_view F, double& Value) {
  int Consumed = 0;
  size_t End = 0;
  return ParseIsoTimestamp(F, Value) || ParseDottedTimestamp(F, Value, Consumed) ||
         ParseSlashedTimestamp(F, Value, Consumed) || ParseTimeOfDay(F, Value) ||
         (MayLeadWithTimestamp(F) && ParseLeadingTimestamp(F, Value, End) && End == F.size());
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
  double Value = 0;
  if (CsvFieldTimestamp(Field.Text(), Value)) Entry.Timestamp = Value;

  if (Next != npos) {
    ReadCsvFieldStart(Line, Next, Delimiter, Field);
    // No level word is longer than the cut; the cut part could end in blanks and so look shorter.
    Entry.Level = Field.Cut ? lCustom : LevelFromWord(Field.Text());
    // Some exports put the level first and the time second (the Windows event log's
    // "Information,1/15/2024 10:22:33 AM,...").
    if (Entry.Timestamp == 0 && !Field.Cut && CsvFieldTimestamp(Field.Text(), Value)) Entry.Timestamp = Value;
  }
  // The level column is often elsewhere (time,host,level,message). The quotes of a CSV line
  // enclose fields, not quotations.
  if (Entry.Level == lCustom) Entry.Level = OwnLevelWord(Line, false);
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

// The closing quote of the JSON string whose text starts at P, past escaped quotes; End if none.
const char* JsonStringEnd(const char* P, const char* End) {
  for (const char* Quote = FindByte(P, End, '"'); Quote < End; Quote = FindByte(Quote + 1, End, '"')) {
    const char* Escape = Quote;
    while (Escape > P && Escape[-1] == '\\') --Escape;  // stops at the opening quote
    if ((Quote - Escape) % 2 == 0) return Quote;
  }
  return End;
}

const char* SkipSpaces(const char* P, const char* End) {
  while (P < End && *P == ' ') ++P;
  return P;
}

enum TJsonRole { jrNone, jrTime, jrLevel, jrMessage };

// The keys of the usual JSON loggers (Bunyan, pino, zap, logrus, ECS, Serilog, python-json-logger,
// Docker, journald, MongoDB's "s" and "t":{"$date"}), in any letter case; by length first, since
// every key of every line comes here.
TJsonRole RoleOfKey(std::string_view Key) {
  const auto Is = [Key](std::string_view Upper) { return SameIgnoringCase(Key, Upper); };
  switch (Key.size()) {
    case 1:
      return Is("S") ? jrLevel : jrNone;
    case 2:
      return Is("TS") || Is("@T") ? jrTime : Is("@L") ? jrLevel : Is("@M") ? jrMessage : jrNone;
    case 3:
      return Is("LVL") ? jrLevel : Is("MSG") || Is("LOG") || Is("@MT") ? jrMessage : jrNone;
    case 4:
      return Is("TIME") ? jrTime : jrNone;
    case 5:
      return Is("LEVEL") ? jrLevel : Is("$DATE") ? jrTime : jrNone;
    case 7:
      return Is("ASCTIME") ? jrTime : Is("MESSAGE") ? jrMessage : jrNone;
    case 8:
      return Is("SEVERITY") || Is("LOGLEVEL") || Is("PRIORITY") ? jrLevel : jrNone;
    case 9:
      return Is("TIMESTAMP") ? jrTime : Is("LOG.LEVEL") || Is("LEVELNAME") ? jrLevel : jrNone;
    case 10:
      return Is("@TIMESTAMP") ? jrTime : jrNone;
    case 20:
      return Is("__REALTIME_TIMESTAMP") ? jrTime : jrNone;  // journald's, in microseconds
    default:
      return jrNone;
  }
}

// Bunyan and pino: 10 trace, 20 debug, 30 info, 40 warn, 50 error, 60 fatal; syslog severities
// 0..7 below that (GELF, journald).
TLogLevel LevelFromNumber(std::string_view Number) {
  uint64_t N;
  if (!ReadWholeNumber(Number, N)) return lCustom;
  if (N < 8) return N <= 3 ? lError : N == 4 ? lWarn : N <= 6 ? lInfo : lDebug;
  if (N < 10 || N >= 70) return lCustom;
  static constexpr TLogLevel ByTen[] = {lTrace, lDebug, lInfo, lWarn, lError, lError};
  return ByTen[N / 10 - 1];
}

// A level key's value: a name, a number, or MongoDB's letter (I, W, E, F, D1..D5).
TLogLevel LevelOfJsonValue(std::string_view Value) {
  if (Value.empty()) return lCustom;
  if (IsDigit(Value[0])) return LevelFromNumber(Value);
  if (Value.size() == 1 || (Value.size() == 2 && Value[0] == 'D' && IsDigit(Value[1])))
    return LevelFromLetter(Value[0]);
  return LevelFromWord(Value);
}

// The keys are walked once, in order, until a time and a level were read: most loggers write
// both first. A key's value that is not what the key promises is passed over.
void ParseJson(std::string_view Line, TLogEntry& Entry) {
  Entry.Format = lfJSON;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;

  const char* const End = Line.data() + Line.size();
  std::string_view Message;
  bool HasMessage = false;
  const char* Open = FindByte(Line.data(), End, '"');
  while (Open < End && (Entry.Timestamp == 0 || Entry.Level == lCustom)) {
    const char* const Close = JsonStringEnd(Open + 1, End);
    if (Close == End) break;
    const char* Value = SkipSpaces(Close + 1, End);
    if (Value == End || *Value != ':') {  // a string value, not a key
      Open = FindByte(Close + 1, End, '"');
      continue;
    }
    Value = SkipSpaces(Value + 1, End);
    const TJsonRole Role = RoleOfKey(std::string_view(Open + 1, static_cast<size_t>(Close - Open - 1)));
    const bool IsString = Value < End && *Value == '"';
    const char* TextEnd = Value;  // the string's content, or the number as written
    if (IsString) {
      TextEnd = JsonStringEnd(++Value, End);
      if (TextEnd == End) break;
    } else {
      while (TextEnd < End && (IsDigit(*TextEnd) || *TextEnd == '.')) ++TextEnd;
    }
    const std::string_view Text(Value, static_cast<size_t>(TextEnd - Value));
    double Time = 0;
    if (Role == jrTime && Entry.Timestamp == 0 && (ParseIsoTimestamp(Text, Time) || ParseEpochTimestamp(Text, Time)))
      Entry.Timestamp = Time;
    else if (Role == jrLevel && Entry.Level == lCustom) Entry.Level = LevelOfJsonValue(Text);
    else if (Role == jrMessage && !HasMessage && IsString) {
      Message = Text;
      HasMessage = true;
    }
    // The next key mostly follows at once: ","key".
    const char* const After = TextEnd + (IsString ? 1 : 0);
    Open = End - After > 1 && After[0] == ',' && After[1] == '"' ? After + 1 : FindByte(After, End, '"');
  }
  // Without a level key (Docker's "log", an application's own text): the message's level word.
  if (Entry.Level == lCustom && HasMessage) Entry.Level = OwnLevelWord(Message, false);
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
  // Date and time are two fields, or one ISO field with a T where a log was written in W3C form.
  if ((Pieces >= 2 && ParseIisDateTime(Piece[0], Piece[1], Value)) ||
      (LooksLikeIsoTimestamp(Piece[0]) && ParseIsoTimestamp(Piece[0], Value)))
    Entry.Timestamp = Value;
  const TLogLevel Own = OwnLevelWord(Line);
  if (Own != lCustom) Entry.Level = Own;
  else if (Pieces >= 12 && !Piece[11].empty() && Piece[11][0] == '5') Entry.Level = lError;
  else if (Pieces >= 12 && !Piece[11].empty() && Piece[11][0] == '4') Entry.Level = lWarn;
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
    Entry.Level = LineLevel(From(Line, 21));
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
    Entry.Level = LineLevel(Line);
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
  auto CodeIs = [Code](std::string_view Word) { return SameIgnoringCase(Code, Word); };
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
