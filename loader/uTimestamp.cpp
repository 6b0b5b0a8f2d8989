#include "loader/uTimestamp.h"

#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>

#include "model/uDateTime.h"
#include "model/uTextScan.h"
#include "platform/uPlatformClock.h"

const char* const BuiltInTimestampPatterns[BuiltInPatternCount] = {
    "YYYY-MM-DD hh:nn:ss,zzz", "YYYY-MM-DD hh:nn:ss.zzz", "YYYY-MM-DD hh:nn:ss",     "YYYY/MM/DD hh:nn:ss,zzz",
    "YYYY/MM/DD hh:nn:ss.zzz", "YYYY/MM/DD hh:nn:ss",     "YYYY-MM-DDThh:nn:ss,zzz", "YYYY-MM-DDThh:nn:ss.zzz",
    "YYYY-MM-DDThh:nn:ss",     "DD.MM.YYYY hh:nn:ss,zzz", "DD.MM.YYYY hh:nn:ss.zzz", "DD.MM.YYYY hh:nn:ss",
    "MM/DD/YYYY hh:nn:ss,zzz", "MM/DD/YYYY hh:nn:ss.zzz", "MM/DD/YYYY hh:nn:ss",
};

namespace {

// All positions below are 0-based indexes into string views.

// Count digits starting at Pos; fails when the text is too short or a character is no digit.
bool ReadDigits(std::string_view S, size_t Pos, size_t Count, int& Result) {
  if (Pos + Count > S.size()) return false;
  int N = 0;
  for (size_t i = Pos; i < Pos + Count; ++i) {
    if (!IsDigit(S[i])) return false;
    N = N * 10 + (S[i] - '0');
  }
  Result = N;
  return true;
}

bool Read2(std::string_view S, size_t Pos, int& Result) { return ReadDigits(S, Pos, 2, Result); }
bool Read4(std::string_view S, size_t Pos, int& Result) { return ReadDigits(S, Pos, 4, Result); }

// A whole piece as a decimal integer: optional sign, then digits only, within 32 bits.
bool StrictInt(std::string_view S, int& Result) {
  size_t i = 0;
  bool Negative = false;
  if (!S.empty() && (S[0] == '+' || S[0] == '-')) {
    Negative = S[0] == '-';
    i = 1;
  }
  if (i == S.size()) return false;
  int64_t N = 0;
  for (; i < S.size(); ++i) {
    if (!IsDigit(S[i])) return false;
    N = N * 10 + (S[i] - '0');
    if (N > int64_t{INT32_MAX} + 1) return false;
  }
  if (Negative) N = -N;
  if (N > INT32_MAX || N < INT32_MIN) return false;
  Result = static_cast<int>(N);
  return true;
}

// The encoder checks every range (year 1..9999, a real day of the month, hours, minutes and
// seconds) and refuses what is out of them.
bool Build(int Year, int Month, int Day, int Hour, int Minute, int Second, int Ms, double& Value) {
  return TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, Ms, Value);
}

// A year written with two digits: 70..99 are 1970..1999, the others 2000..2069.
int FullYear(int TwoDigits) { return TwoDigits + (TwoDigits >= 70 ? 1900 : 2000); }

// The two digits at P as a number, or a negative number when either is no digit. Both are
// tested at once, without a branch between them: the ISO reader runs for every line.
int TwoDigits(const char* P) {
  const unsigned Tens = static_cast<unsigned char>(P[0]) - unsigned{'0'};
  const unsigned Units = static_cast<unsigned char>(P[1]) - unsigned{'0'};
  return (Tens < 10) & (Units < 10) ? static_cast<int>(Tens * 10 + Units) : -1;
}

// 1..12 for an English month abbreviation in any letter case, else 0.
int MonthFromAbbreviation(std::string_view S) {
  static constexpr char Names[] = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
  if (S.size() != 3) return 0;
  const char A = UpperAscii(S[0]), B = UpperAscii(S[1]), C = UpperAscii(S[2]);
  for (size_t m = 0; m < 12; ++m)
    if (Names[m * 3] == A && Names[m * 3 + 1] == B && Names[m * 3 + 2] == C) return static_cast<int>(m) + 1;
  return 0;
}

// Shared by the dotted (day first) and slashed (month first) forms.
bool ParseNumericDate(std::string_view S, char Sep, bool MonthFirst, double& Value, int& Consumed) {
  if (S.size() < 19) return false;
  if (S[2] != Sep || S[5] != Sep || S[10] != ' ' || S[13] != ':' || S[16] != ':') return false;
  int First, Second2, Year, Hour, Minute, Second;
  if (!Read2(S, 0, First) || !Read2(S, 3, Second2) || !Read4(S, 6, Year) || !Read2(S, 11, Hour) ||
      !Read2(S, 14, Minute) || !Read2(S, 17, Second))
    return false;
  const int Month = MonthFirst ? First : Second2;
  const int Day = MonthFirst ? Second2 : First;
  int Used = 19, Ms = 0;
  if (S.size() >= 23 && (S[19] == ',' || S[19] == '.')) {
    if (!ReadDigits(S, 20, 3, Ms)) return false;
    Used = 23;
  }
  if (static_cast<size_t>(Used) < S.size() && S[Used] == ':') ++Used;
  if (!Build(Year, Month, Day, Hour, Minute, Second, Ms, Value)) return false;
  Consumed = Used;
  return true;
}

bool IsOneOf(char C, std::string_view Set) {
  for (const char S : Set)
    if (C == S) return true;
  return false;
}

// Splits S at any of the separator characters, keeping empty pieces. Returns the number of
// pieces found, at most Max (the last stored piece then ends at the next separator too).
template <size_t Max>
size_t SplitPieces(std::string_view S, std::string_view Separators, std::string_view (&Pieces)[Max]) {
  size_t Count = 0, Start = 0;
  for (size_t i = 0; i <= S.size() && Count < Max; ++i) {
    if (i == S.size() || IsOneOf(S[i], Separators)) {
      Pieces[Count++] = S.substr(Start, i - Start);
      Start = i + 1;
    }
  }
  return Count;
}

// Non-empty runs between spaces.
template <size_t Max>
size_t SplitWords(std::string_view S, std::string_view (&Pieces)[Max]) {
  size_t Count = 0, i = 0;
  while (Count < Max) {
    while (i < S.size() && S[i] == ' ') ++i;
    if (i == S.size()) break;
    const size_t Start = i;
    while (i < S.size() && S[i] != ' ') ++i;
    Pieces[Count++] = S.substr(Start, i - Start);
  }
  return Count;
}

// The syslog parser runs once per line, so the year is cached and read from the clock again
// once a second has passed. The second is measured with the platform's cheapest clock: the C
// runtime's time() looks up the time zone on every call on Windows, microseconds per line.
std::atomic<int> PinnedYear{0};
std::atomic<int> CachedYear{0};  // 0 until the clock was read
std::atomic<uint32_t> CachedAt{0};

int SyslogYear() {
  const int Pinned = PinnedYear.load(std::memory_order_relaxed);
  if (Pinned != 0) return Pinned;
  const uint32_t Now = MonotonicMilliseconds();
  const int Cached = CachedYear.load(std::memory_order_acquire);
  if (Cached != 0 && Now - CachedAt.load(std::memory_order_relaxed) < 1000) return Cached;
  const int Year = CurrentLocalYear();
  CachedAt.store(Now, std::memory_order_relaxed);
  CachedYear.store(Year, std::memory_order_release);
  return Year;
}

// Www Mmm dd hh:nn:ss[.ffffff] yyyy, as C's ctime writes it (the Apache error log, dmesg -T): the
// day name is not checked, the day may be padded with a blank, the fraction is ignored. End is
// after the year.
bool ParseCTime(std::string_view S, double& Value, size_t& End) {
  if (S.size() < 24 || S[3] != ' ' || S[7] != ' ' || S[10] != ' ' || S[13] != ':' || S[16] != ':') return false;
  const int Month = MonthFromAbbreviation(S.substr(4, 3));
  int Day, Hour, Minute, Second, Year;
  if (Month == 0 || !(Read2(S, 8, Day) || (S[8] == ' ' && ReadDigits(S, 9, 1, Day))) || !Read2(S, 11, Hour) ||
      !Read2(S, 14, Minute) || !Read2(S, 17, Second))
    return false;
  size_t i = 19;
  if (S[i] == '.')
    while (++i < S.size() && IsDigit(S[i])) {
    }
  if (S.size() < i + 5 || S[i] != ' ' || !Read4(S, i + 1, Year)) return false;
  if (!Build(Year, Month, Day, Hour, Minute, Second, 0, Value)) return false;
  End = i + 5;
  return true;
}

bool ParseBracketInner(std::string_view Inner, double& Value);

// "+hh:mm", "+hhmm" or "-hh", each also after one blank; the length, or 0 when there is none.
size_t ZoneOffsetLength(std::string_view S, size_t Pos) {
  size_t i = Pos;
  if (i + 1 < S.size() && S[i] == ' ') ++i;
  if (i + 3 > S.size() || (S[i] != '+' && S[i] != '-') || TwoDigits(S.data() + i + 1) < 0) return 0;
  i += 3;
  const size_t Minutes = i < S.size() && S[i] == ':' ? i + 1 : i;
  if (Minutes + 2 <= S.size() && TwoDigits(S.data() + Minutes) >= 0) i = Minutes + 2;
  return i - Pos;
}

}  // namespace

size_t SkipFractionAndZone(std::string_view Text, size_t Pos) {
  const size_t Size = Text.size();
  const char* T = Text.data();
  if (Pos + 1 < Size && (T[Pos] == '.' || T[Pos] == ',') && IsDigit(T[Pos + 1])) ++Pos;
  while (Pos < Size && IsDigit(T[Pos])) ++Pos;
  if (Pos >= Size) return Pos;
  if (T[Pos] == 'Z') return Pos + 1;
  if (T[Pos] == ' ' && Pos + 1 < Size && T[Pos + 1] != '+' && T[Pos + 1] != '-') return Pos;  // most lines
  return Pos + ZoneOffsetLength(Text, Pos);
}

bool ParseIsoTimestamp(std::string_view Text, double& Value) {
  if (Text.size() < 19) return false;
  const char* T = Text.data();
  if ((T[4] != '-' && T[4] != '/') || (T[7] != '-' && T[7] != '/') || (T[10] != ' ' && T[10] != 'T' && T[10] != '\t') ||
      T[13] != ':' || T[16] != ':')
    return false;
  const int Century = TwoDigits(T), Year = TwoDigits(T + 2), Month = TwoDigits(T + 5), Day = TwoDigits(T + 8);
  const int Hour = TwoDigits(T + 11), Minute = TwoDigits(T + 14), Second = TwoDigits(T + 17);
  if ((Century | Year | Month | Day | Hour | Minute | Second) < 0) return false;
  return Build(Century * 100 + Year, Month, Day, Hour, Minute, Second, 0, Value);
}

bool ParseDottedTimestamp(std::string_view Text, double& Value, int& Consumed) {
  return ParseNumericDate(Text, '.', false, Value, Consumed);
}

bool ParseSlashedTimestamp(std::string_view Text, double& Value, int& Consumed) {
  return ParseNumericDate(Text, '/', true, Value, Consumed);
}

bool ParseBracketUsTimestamp(std::string_view Text, double& Value, int& ClosePos) {
  if (Text.size() < 19 || Text[0] != '[') return false;
  bool ShortYear;
  if (Text[18] == ']') ShortYear = true;
  else if (Text.size() > 20 && Text[20] == ']') ShortYear = false;
  else return false;
  if (Text[3] != '/' || Text[6] != '/') return false;
  int Month, Day, Year, Hour, Minute, Second;
  if (!Read2(Text, 1, Month) || !Read2(Text, 4, Day)) return false;
  if (ShortYear) {
    if (!Read2(Text, 7, Year)) return false;
    Year = FullYear(Year);
  } else if (!Read4(Text, 7, Year)) {
    return false;
  }
  const size_t T = ShortYear ? 10 : 12;
  if (!Read2(Text, T, Hour) || !Read2(Text, T + 3, Minute) || !Read2(Text, T + 6, Second)) return false;
  if (!Build(Year, Month, Day, Hour, Minute, Second, 0, Value)) return false;
  ClosePos = ShortYear ? 19 : 21;
  return true;
}

bool ParseBracketTimestamp(std::string_view Text, double& Value, int& ClosePos) {
  if (Text.size() < 3 || Text[0] != '[') return false;
  if (ParseBracketUsTimestamp(Text, Value, ClosePos)) return true;
  const size_t Close = FindByte(Text, ']');
  if (Close == std::string_view::npos || Close < 2) return false;
  double Parsed;
  if (!ParseBracketInner(Text.substr(1, Close - 1), Parsed)) return false;
  Value = Parsed;
  ClosePos = static_cast<int>(Close) + 1;
  return true;
}

bool ParseTimeOfDay(std::string_view Text, double& Value) {
  if (Text.size() != 8 || Text[2] != ':' || Text[5] != ':') return false;
  int Hour, Minute, Second;
  if (!Read2(Text, 0, Hour) || !Read2(Text, 3, Minute) || !Read2(Text, 6, Second)) return false;
  // Through the encoder, so a time of day equals the time part of a full value to the bit.
  return TryEncodeDateTime(1899, 12, 30, Hour, Minute, Second, 0, Value);
}

bool ParseAccessLogTime(std::string_view Text, double& Value) {
  // dd/Mon/yyyy:hh:nn:ss, as access logs write it, is read in place: this runs for every line.
  if (Text.size() == 20 && Text[2] == '/' && Text[6] == '/' && Text[11] == ':' && Text[14] == ':' && Text[17] == ':') {
    int Day, Year, Hour, Minute, Second;
    const int Month = MonthFromAbbreviation(Text.substr(3, 3));
    if (Month != 0 && Read2(Text, 0, Day) && Read4(Text, 7, Year) && Read2(Text, 12, Hour) && Read2(Text, 15, Minute) &&
        Read2(Text, 18, Second))
      return TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, 0, Value);
  }
  std::string_view P[6];
  if (SplitPieces(Text, "/: ", P) < 6) return false;
  const int Month = MonthFromAbbreviation(P[1]);
  if (Month == 0) return false;
  int Day, Year, Hour, Minute, Second;
  if (!StrictInt(P[0], Day) || !StrictInt(P[2], Year) || !StrictInt(P[3], Hour) || !StrictInt(P[4], Minute) ||
      !StrictInt(P[5], Second))
    return false;
  return TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, 0, Value);
}

bool ParseSyslogTime(std::string_view Text, double& Value) {
  // "Jun 14 15:16:01" and "Jun  9 15:16:01", as syslog writes them, are read in place: this runs
  // for every line.
  if (Text.size() == 15 && Text[3] == ' ' && Text[6] == ' ' && Text[9] == ':' && Text[12] == ':') {
    const int Month = MonthFromAbbreviation(Text.substr(0, 3));
    const int Day = Text[4] != ' ' ? TwoDigits(Text.data() + 4) : IsDigit(Text[5]) ? Text[5] - '0' : -1;
    const int Hour = TwoDigits(Text.data() + 7), Minute = TwoDigits(Text.data() + 10),
              Second = TwoDigits(Text.data() + 13);
    if (Month != 0 && Day >= 0 && (Hour | Minute | Second) >= 0)
      return Build(SyslogYear(), Month, Day, Hour, Minute, Second, 0, Value);
  }
  std::string_view P[3];
  if (SplitWords(Text, P) < 3) return false;
  const int Month = MonthFromAbbreviation(P[0]);
  if (Month == 0 || P[2].size() < 8) return false;
  int Day, Hour, Minute, Second;
  if (!StrictInt(Trim(P[1]), Day) || !StrictInt(P[2].substr(0, 2), Hour) || !StrictInt(P[2].substr(3, 2), Minute) ||
      !StrictInt(P[2].substr(6, 2), Second))
    return false;
  return TryEncodeDateTime(SyslogYear(), Month, Day, Hour, Minute, Second, 0, Value);
}

void PinSyslogYear(int Year) { PinnedYear.store(Year, std::memory_order_relaxed); }

bool ParseIisDateTime(std::string_view DateText, std::string_view TimeText, double& Value) {
  if (DateText.size() < 10 || TimeText.size() < 8) return false;
  int Year, Month, Day, Hour, Minute, Second;
  if (!Read4(DateText, 0, Year) || !Read2(DateText, 5, Month) || !Read2(DateText, 8, Day) ||
      !Read2(TimeText, 0, Hour) || !Read2(TimeText, 3, Minute) || !Read2(TimeText, 6, Second))
    return false;
  return Build(Year, Month, Day, Hour, Minute, Second, 0, Value);
}

bool ParseWithPattern(std::string_view Text, std::string_view Pattern, double& Value) {
  int Year = 1, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0, Ms = 0;
  size_t p = 0, t = 0;
  const auto At = [&](std::string_view Field) { return Pattern.substr(p, Field.size()) == Field; };
  while (p < Pattern.size() && t < Text.size()) {
    int* Target = nullptr;
    size_t Width = 2;
    if (At("YYYY")) {
      Target = &Year;
      Width = 4;
    } else if (At("zzz")) {
      Target = &Ms;
      Width = 3;
    } else if (At("MM")) {
      Target = &Month;
    } else if (At("DD")) {
      Target = &Day;
    } else if (At("hh")) {
      Target = &Hour;
    } else if (At("nn")) {
      Target = &Minute;
    } else if (At("ss")) {
      Target = &Second;
    }
    if (Target == nullptr) {
      ++p;
      ++t;
      continue;
    }
    if (!ReadDigits(Text, t, Width, *Target)) return false;
    p += Width;
    t += Width;
  }
  return Build(Year, Month, Day, Hour, Minute, Second, Ms, Value);
}

std::string_view ExtractTimestampText(std::string_view Line, const TCustomFormatConfig& Config) {
  if (Config.Mode != 0) {
    if (Config.TSStart < 1 || Config.TSLen < 1) return {};
    const size_t Start = static_cast<size_t>(Config.TSStart) - 1;
    if (Start >= Line.size()) return {};
    return Trim(Line.substr(Start, static_cast<size_t>(Config.TSLen)));
  }
  const int Fields =
      Config.FieldCount < 0 ? 0 : (Config.FieldCount > CustomFieldSlots ? CustomFieldSlots : Config.FieldCount);
  size_t Start = 0;
  for (int f = 0; f < Fields; ++f) {
    if (Start > Line.size()) return {};  // the line has fewer fields
    size_t End = FindByte(Line, Config.Delimiter, Start);
    if (End == std::string_view::npos) End = Line.size();
    if (Config.Fields[f] == cfrTimestamp) return Trim(Line.substr(Start, End - Start));
    Start = End + 1;
  }
  return {};
}

bool ChooseTimestampPattern(const std::vector<std::string>& Samples, int N, const TCustomFormatConfig& Config,
                            std::string& Pattern) {
  return ChooseTimestampPattern(std::vector<std::string_view>(Samples.begin(), Samples.end()), N, Config, Pattern);
}

bool ChooseTimestampPattern(std::span<const std::string_view> Samples, int N, const TCustomFormatConfig& Config,
                            std::string& Pattern) {
  const size_t M = N <= 0 ? 0 : (static_cast<size_t>(N) < Samples.size() ? static_cast<size_t>(N) : Samples.size());
  int Best = -1, BestCount = 0;
  for (int i = 0; i < BuiltInPatternCount; ++i) {
    int Count = 0;
    for (size_t s = 0; s < M; ++s) {
      const std::string_view Text = ExtractTimestampText(Samples[s], Config);
      double Value;
      if (!Text.empty() && ParseWithPattern(Text, BuiltInTimestampPatterns[i], Value)) ++Count;
    }
    if (Count > BestCount) {
      Best = i;
      BestCount = Count;
    }
  }
  if (BestCount < 1) return false;
  Pattern = BuiltInTimestampPatterns[Best];
  return true;
}

namespace {

// hh:nn:ss on a day.
bool DayTime(int Year, int Month, int Day, std::string_view Time, double& Value) {
  int Hour, Minute, Second;
  if (Time.size() < 8 || Time[2] != ':' || Time[5] != ':' || !Read2(Time, 0, Hour) || !Read2(Time, 3, Minute) ||
      !Read2(Time, 6, Second))
    return false;
  return Build(Year, Month, Day, Hour, Minute, Second, 0, Value);
}

// The same in the current year, for the forms that leave the year out.
bool MonthDayTime(int Month, int Day, std::string_view Time, double& Value) {
  return DayTime(SyslogYear(), Month, Day, Time, Value);
}

// One or two digits at Pos, which moves past them.
bool ReadOneOrTwo(std::string_view S, size_t& Pos, int& Result) {
  if (Pos >= S.size() || !IsDigit(S[Pos])) return false;
  Result = S[Pos++] - '0';
  if (Pos < S.size() && IsDigit(S[Pos])) Result = Result * 10 + (S[Pos++] - '0');
  return true;
}

// h:nn:ss or hh:nn:ss at Pos, which moves past them.
bool ReadClock(std::string_view S, size_t& Pos, int& Hour, int& Minute, int& Second) {
  size_t i = Pos;
  if (!ReadOneOrTwo(S, i, Hour) || i + 6 > S.size() || S[i] != ':' || S[i + 3] != ':' || !Read2(S, i + 1, Minute) ||
      !Read2(S, i + 4, Second))
    return false;
  Pos = i + 6;
  return true;
}

// "May 26, 2024 3:22:52 PM", as Java's own logging writes it; End is after the AM or PM.
bool ParseJavaLoggingTime(std::string_view S, double& Value, size_t& End) {
  if (S.size() < 23 || S[3] != ' ' || S[6] != ',' || S[7] != ' ' || S[12] != ' ') return false;
  const size_t Colon = S[14] == ':' ? 14 : 15;  // the hour has one digit or two
  if (S.size() < Colon + 9 || S[Colon] != ':' || S[Colon + 3] != ':' || S[Colon + 6] != ' ' || S[Colon + 8] != 'M')
    return false;
  const bool Pm = S[Colon + 7] == 'P';
  if (!Pm && S[Colon + 7] != 'A') return false;
  const int Month = MonthFromAbbreviation(S.substr(0, 3));
  int Day, Year, Hour, Minute, Second;
  if (Month == 0 || !Read2(S, 4, Day) || !Read4(S, 8, Year) || !ReadDigits(S, 13, Colon - 13, Hour) ||
      !Read2(S, Colon + 1, Minute) || !Read2(S, Colon + 4, Second) || Hour < 1 || Hour > 12)
    return false;
  if (!Build(Year, Month, Day, Hour % 12 + (Pm ? 12 : 0), Minute, Second, 0, Value)) return false;
  End = Colon + 9;
  return true;
}

// 1/15/2024 10:22:33 AM, as Windows writes dates for the United States (the event log's exports):
// month and day with one or two digits, and a 12-hour clock where AM or PM follows.
bool ParseUsDateTime(std::string_view S, double& Value, size_t& End) {
  size_t i = 0;
  int Month, Day, Year, Hour, Minute, Second;
  if (!ReadOneOrTwo(S, i, Month) || i >= S.size() || S[i++] != '/' || !ReadOneOrTwo(S, i, Day) || i >= S.size() ||
      S[i++] != '/' || !Read4(S, i, Year) || i + 5 > S.size() || S[i + 4] != ' ')
    return false;
  i += 5;
  if (!ReadClock(S, i, Hour, Minute, Second)) return false;
  size_t After = i;
  if (After + 1 < S.size() && S[After] == '.' && IsDigit(S[After + 1]))
    while (++After < S.size() && IsDigit(S[After])) {
    }
  if (After + 3 <= S.size() && S[After] == ' ' && (S[After + 1] == 'A' || S[After + 1] == 'P') && S[After + 2] == 'M') {
    if (Hour < 1 || Hour > 12) return false;
    Hour = Hour % 12 + (S[After + 1] == 'P' ? 12 : 0);
    End = After + 3;
  } else {
    End = SkipFractionAndZone(S, i);
  }
  return Build(Year, Month, Day, Hour, Minute, Second, 0, Value);
}

// YYMMDD and a time of day: 081109 203615 (HDFS), 240115 10:22:33 and 240115  9:02:03 (MySQL 5).
bool ParseShortDate(std::string_view S, double& Value, size_t& End) {
  int Year, Month, Day, Hour, Minute, Second;
  if (S.size() < 13 || S[6] != ' ' || !Read2(S, 0, Year) || !Read2(S, 2, Month) || !Read2(S, 4, Day)) return false;
  size_t i = S[7] == ' ' ? 8 : 7;  // a one-digit hour is padded with a blank
  if (!ReadClock(S, i, Hour, Minute, Second)) {
    if (!Read2(S, 7, Hour) || !Read2(S, 9, Minute) || !Read2(S, 11, Second) || (S.size() > 13 && !IsBlank(S[13])))
      return false;
    i = 13;
  }
  if (!Build(FullYear(Year), Month, Day, Hour, Minute, Second, 0, Value)) return false;
  End = SkipFractionAndZone(S, i);
  return true;
}

// YYYYMMDD and a time of day: 20171224-20:11:16:931 (HealthApp's, whose fields are not padded:
// 20171224-0:4:9:12), 20240115 10:22:33, and ISO's basic form 20240115T102233Z.
bool ParseEightDigitDate(std::string_view S, double& Value, size_t& End) {
  int Year, Month, Day, Hour, Minute, Second;
  if (S.size() < 14 || (S[8] != '-' && S[8] != ' ' && S[8] != 'T') || !Read4(S, 0, Year) || !Read2(S, 4, Month) ||
      !Read2(S, 6, Day))
    return false;
  size_t i = 9;
  if (S[8] == 'T' && Read2(S, 9, Hour) && Read2(S, 11, Minute) && Read2(S, 13, Second)) {
    i = 15;
  } else if (!(ReadOneOrTwo(S, i, Hour) && i < S.size() && S[i++] == ':' && ReadOneOrTwo(S, i, Minute) &&
               i < S.size() && S[i++] == ':' && ReadOneOrTwo(S, i, Second))) {
    return false;
  } else if (i + 1 < S.size() && S[i] == ':' && IsDigit(S[i + 1])) {  // the milliseconds
    while (++i < S.size() && IsDigit(S[i])) {
    }
  }
  if (!Build(Year, Month, Day, Hour, Minute, Second, 0, Value)) return false;
  End = SkipFractionAndZone(S, i);
  return true;
}

// The forms that start with a digit: numeric dates with a four- or two-digit year, ISO, a time
// of day, month and day, day and month name, and in a line's first word only (Compact) the
// forms written without separators and epoch seconds, which elsewhere would be read into
// ordinary numbers.
bool ParseLeadingNumeric(std::string_view S, double& Value, size_t& End, bool Compact) {
  if (S.size() < 8) return false;
  int Used = 0, Year, Month, Day, Hour, Minute, Second;
  if (S[2] == '.' || S[2] == '/') {
    const bool Meridiem = S.size() >= 22 && S[19] == ' ' && (S[20] == 'A' || S[20] == 'P') && S[21] == 'M';
    if (Meridiem) return ParseUsDateTime(S, Value, End);
    if (ParseDottedTimestamp(S, Value, Used) || ParseSlashedTimestamp(S, Value, Used)) {
      End = SkipFractionAndZone(S, static_cast<size_t>(Used));
      return true;
    }
    size_t i = 9;  // 17/06/08 13:33:49, year first, as Spark writes it
    if (S[2] == '/' && S.size() >= 17 && S[5] == '/' && S[8] == ' ' && Read2(S, 0, Year) && Read2(S, 3, Month) &&
        Read2(S, 6, Day) && ReadClock(S, i, Hour, Minute, Second) &&
        Build(FullYear(Year), Month, Day, Hour, Minute, Second, 0, Value)) {
      End = SkipFractionAndZone(S, i);
      return true;
    }
    return S[2] == '/' && ParseUsDateTime(S, Value, End);
  }
  if (S[1] == '/') return ParseUsDateTime(S, Value, End);
  if (S[2] == ':') {
    if (!ParseTimeOfDay(S.substr(0, 8), Value)) return false;
    End = SkipFractionAndZone(S, 8);
    return true;
  }
  if (S[2] == '-' && S.size() >= 20 && S[6] == '-' && S[11] == ' ') {  // 26-May-2024 10:22:52, Tomcat's
    Month = MonthFromAbbreviation(S.substr(3, 3));
    if (Month == 0 || !Read2(S, 0, Day) || !Read4(S, 7, Year) || !DayTime(Year, Month, Day, S.substr(12, 8), Value))
      return false;
    End = SkipFractionAndZone(S, 20);
    return true;
  }
  if (S[2] == '-' && S.size() >= 14 && S[5] == ' ' && Read2(S, 0, Month) && Read2(S, 3, Day)) {
    if (!MonthDayTime(Month, Day, S.substr(6, 8), Value)) return false;
    End = SkipFractionAndZone(S, 14);
    return true;
  }
  if (S[2] == ' ' && S.size() >= 20 && S[6] == ' ' && S[11] == ' ') {  // 15 Jan 2024 10:22:33, Redis's
    Month = MonthFromAbbreviation(S.substr(3, 3));
    if (Month == 0 || !Read2(S, 0, Day) || !Read4(S, 7, Year) || !DayTime(Year, Month, Day, S.substr(12, 8), Value))
      return false;
    End = SkipFractionAndZone(S, 20);
    return true;
  }
  if (S.size() >= 20 && S[4] == '-' && S[7] == '-' && (S[10] == '-' || S[10] == ',')) {
    if (!Read4(S, 0, Year) || !Read2(S, 5, Month) || !Read2(S, 8, Day)) return false;
    if (S[10] == '-') {  // 2005-06-03-15.42.50.675872, IBM's (BlueGene/L)
      if (S[13] != '.' || S[16] != '.' || !Read2(S, 11, Hour) || !Read2(S, 14, Minute) || !Read2(S, 17, Second) ||
          !Build(Year, Month, Day, Hour, Minute, Second, 0, Value))
        return false;
      End = SkipFractionAndZone(S, 19);
      return true;
    }
    size_t i = 12;  // 2024-01-15, 10:22:33, Airflow's
    if (S[11] != ' ' || !ReadClock(S, i, Hour, Minute, Second) ||
        !Build(Year, Month, Day, Hour, Minute, Second, 0, Value))
      return false;
    End = SkipFractionAndZone(S, i);
    return true;
  }
  if (Compact) {
    if (S[6] == ' ') return ParseShortDate(S, Value, End);
    if (S.size() >= 14 && IsDigit(S[4]) && IsDigit(S[7]) && ParseEightDigitDate(S, Value, End)) return true;
    if (S.size() >= 14 && S[10] == '.') {  // 1716723772.601, as squid writes it
      size_t Digits = 11;
      while (Digits < S.size() && IsDigit(S[Digits])) ++Digits;
      if (Digits < 14 || !ParseEpochTimestamp(S.substr(0, Digits), Value)) return false;
      End = Digits;
      return true;
    }
  }
  if (!LooksLikeIsoTimestamp(S) || !ParseIsoTimestamp(S, Value)) return false;
  End = SkipFractionAndZone(S, 19);
  return true;
}

bool StartsWith(std::string_view S, std::string_view Prefix) { return S.substr(0, Prefix.size()) == Prefix; }

// The forms that start with a letter: syslog's month and day (its day also unpadded), the same
// with a dash (Jan-15), ctime's, Java logging's, Ruby's "I, [2024-...]" and a time key of
// key=value text.
bool ParseLeadingWord(std::string_view S, double& Value, size_t& End) {
  if (S.size() >= 15 && S[3] == ' ' && S[6] == ' ' && S[9] == ':' && S[12] == ':') {
    if (!ParseSyslogTime(S.substr(0, 15), Value)) return false;
    End = SkipFractionAndZone(S, 15);
    return true;
  }
  if (S.size() >= 14 && S[3] == ' ' && S[5] == ' ' && S[8] == ':' && S[11] == ':') {  // Nov 9 12:01:01, unpadded
    if (!ParseSyslogTime(S.substr(0, 14), Value)) return false;
    End = SkipFractionAndZone(S, 14);
    return true;
  }
  if (S.size() >= 15 && S[3] == '-' && S[6] == ' ') {  // Jan-15 10:22:33.123, Nextflow's
    int Day;
    const int Month = MonthFromAbbreviation(S.substr(0, 3));
    if (Month == 0 || !Read2(S, 4, Day) || !MonthDayTime(Month, Day, S.substr(7, 8), Value)) return false;
    End = SkipFractionAndZone(S, 15);
    return true;
  }
  if (ParseCTime(S, Value, End) || ParseJavaLoggingTime(S, Value, End)) return true;
  int Close = 0;
  if (S.size() > 4 && S[1] == ',' && S[2] == ' ' && ParseBracketTimestamp(S.substr(3), Value, Close)) {
    End = 3 + static_cast<size_t>(Close);
    return true;
  }
  if (S[0] != 't') return false;
  for (const std::string_view Key : {"time=", "ts=", "t="}) {
    if (!StartsWith(S, Key)) continue;
    size_t At = Key.size();
    if (At < S.size() && S[At] == '"') ++At;
    if (!ParseIsoTimestamp(S.substr(At), Value)) return false;
    End = SkipFractionAndZone(S, At + 19);
    if (End < S.size() && S[End] == '"') ++End;
    return true;
  }
  return false;
}

// A timestamp at the start of Text in any form but the bracketed ones; Compact as above.
bool ParseLeading(std::string_view Text, double& Value, size_t& End, bool Compact) {
  if (IsDigit(Text[0])) return ParseLeadingNumeric(Text, Value, End, Compact);
  return MayLeadWithTimestamp(Text) && ParseLeadingWord(Text, Value, End);
}

// After the time a bracket may hold a zone's name ([15-Jan-2024 10:22:33 UTC]), nothing else.
bool FillsBracket(std::string_view Inner, size_t End) {
  if (End == Inner.size()) return true;
  if (Inner[End] != ' ' || Inner.size() - End > 6) return false;
  for (size_t i = End + 1; i < Inner.size(); ++i)
    if (Inner[i] < 'A' || Inner[i] > 'Z') return false;
  return End + 1 < Inner.size();
}

// Chromium's MMDD/hhmmss.fff, after the process and thread ids where it logs them
// ("1234:5678:0701/114930.123:WARNING:..."), in the current year.
bool ParseChromiumTime(std::string_view S, double& Value) {
  const size_t Slash = FindByte(S.substr(0, 24), '/');
  int Month, Day, Hour, Minute, Second;
  if (Slash == std::string_view::npos || Slash < 4 || (Slash > 4 && S[Slash - 5] != ':') || S.size() < Slash + 8 ||
      !Read2(S, Slash - 4, Month) || !Read2(S, Slash - 2, Day) || !Read2(S, Slash + 1, Hour) ||
      !Read2(S, Slash + 3, Minute) || !Read2(S, Slash + 5, Second))
    return false;
  const size_t End = SkipFractionAndZone(S, Slash + 7);
  return (End == S.size() || S[End] == ':') && Build(SyslogYear(), Month, Day, Hour, Minute, Second, 0, Value);
}

// What a bracket at the start of a line holds: an ISO timestamp, followed by anything (a zone,
// a level, a thread); another form that fills the bracket but for its fraction and zone; an
// access log's time; Proxifier's month, day and time (10.30 16:49:06); Chromium's.
bool ParseBracketInner(std::string_view Inner, double& Value) {
  if (Inner.size() < 8) return false;
  if (LooksLikeIsoTimestamp(Inner)) return ParseIsoTimestamp(Inner, Value);
  size_t End = 0;
  if (ParseLeading(Inner, Value, End, false)) return FillsBracket(Inner, End);
  int Month, Day;
  if (Inner[2] == '/' && Inner.size() >= 20 && Inner[6] == '/') return ParseAccessLogTime(Inner, Value);
  if (Inner.size() == 14 && Inner[2] == '.' && Inner[5] == ' ' && Read2(Inner, 0, Month) && Read2(Inner, 3, Day))
    return MonthDayTime(Month, Day, Inner.substr(6), Value);
  return ParseChromiumTime(Inner, Value);
}

}  // namespace

bool ParseLeadingTimestamp(std::string_view Text, double& Value, size_t& End) {
  if (Text.empty()) return false;
  double Parsed = 0;
  size_t Past = 0;
  bool Ok;
  if (Text[0] == '[') {
    int Close = 0;
    Ok = ParseBracketTimestamp(Text, Parsed, Close);
    Past = static_cast<size_t>(Close);
  } else if (Text[0] == '(') {  // (Mon Jan 15 10:22:33 2024), SSSD's
    Ok = ParseCTime(Text.substr(1), Parsed, Past) && ++Past < Text.size() && Text[Past++] == ')';
  } else if (Text[0] == '*') {  // *Mar  1 00:01:23.456: a Cisco device's clock that is not synchronised
    Ok = Text.size() > 1 && ParseLeading(Text.substr(1), Parsed, Past, false);
    ++Past;
  } else {
    Ok = ParseLeading(Text, Parsed, Past, true);
  }
  if (!Ok) return false;
  Value = Parsed;
  End = Past;
  return true;
}

namespace {

// A date alone (2005.06.03, 2005-06-03), which some prefixes hold before a time without a year.
bool ReadDateWord(std::string_view Word, int& Year, int& Month, int& Day) {
  return Word.size() == 10 && (Word[4] == '.' || Word[4] == '-') && Word[7] == Word[4] && Read4(Word, 0, Year) &&
         Read2(Word, 5, Month) && Read2(Word, 8, Day);
}

// The first position from From on whose byte is a blank (Blank) or is none (!Blank), or the
// size. Eight bytes at a time: the prefix search walks the first words of every line without a
// leading timestamp, and a byte-wise walk mispredicts at each word's end.
template <bool Blank>
size_t FindBlankOrNot(std::string_view Text, size_t From) {
  size_t i = From;
  if constexpr (std::endian::native == std::endian::little) {
    constexpr uint64_t Ones = 0x0101010101010101u, High = Ones * 0x80, Low7 = Ones * 0x7F;
    for (; i + 8 <= Text.size(); i += 8) {
      uint64_t Word;
      std::memcpy(&Word, Text.data() + i, 8);
      // 0x80 in every byte above 32, exactly: the low seven bits plus 95 carry into the eighth.
      uint64_t Hits = (((Word & Low7) + Ones * 95) | Word) & High;
      if constexpr (Blank) Hits ^= High;
      if (Hits != 0) return i + static_cast<size_t>(std::countr_zero(Hits)) / 8;
    }
  }
  while (i < Text.size() && IsBlank(Text[i]) != Blank) ++i;
  return i;
}

// The first bytes of a date that may follow a prefix: a bracket, a form that starts with a
// letter, or digits up to a date's separator (1/15/2024, 06-14, 15 Jan, 2024-01-15). Most words
// of ordinary text fail here, so every line without a leading timestamp pays little.
bool MayStartPrefixedDate(std::string_view S) {
  if (S[0] == '[') return true;
  if (!IsDigit(S[0])) return MayLeadWithTimestamp(S);
  const char Third = S[2], Fifth = S[4];
  return S[1] == '/' || Third == '-' || Third == '/' || Third == '.' || Third == ' ' || Fifth == '-' || Fifth == '.' ||
         Fifth == '/';
}

}  // namespace

namespace {

constexpr size_t MaxPrefixWordLength = 64;

// The search of ParsePrefixedTimestamp past the first word, which ends at WordEnd.
[[gnu::noinline]] bool FindAfterPrefix(std::string_view Text, size_t WordEnd, double& Value, size_t& Start,
                                       size_t& End) {
  constexpr int MaxPrefixWords = 4;
  int DateYear = 0, DateMonth = 0, DateDay = 0;
  size_t At = 0;
  for (int Words = 0; Words < MaxPrefixWords; ++Words) {
    if (Words > 0) {
      WordEnd = FindBlankOrNot<true>(Text, At);
      if (WordEnd - At > MaxPrefixWordLength) return false;
    }
    int Year, Month, Day;
    if (ReadDateWord(Text.substr(At, WordEnd - At), Year, Month, Day)) {
      DateYear = Year;
      DateMonth = Month;
      DateDay = Day;
    }
    At = FindBlankOrNot<false>(Text, WordEnd);
    if (At + 8 > Text.size()) return false;
    double Parsed = 0;
    size_t Past = 0;
    const std::string_view Rest = Text.substr(At);
    if (!MayStartPrefixedDate(Rest)) continue;
    const bool Found =
        Rest[0] == '[' ? ParseLeadingTimestamp(Rest, Parsed, Past) : ParseLeading(Rest, Parsed, Past, false);
    if (!Found || Parsed < 1) continue;  // a time of day after other words is too often a duration
    // A time without a year (Nov 10 10:26:40) after a date of the same day takes the date's year.
    const TDateTimeParts Parts = DecodeDateTime(Parsed);
    if (DateYear != 0 && Parts.Month == DateMonth && Parts.Day == DateDay && Parts.Year != DateYear &&
        !Build(DateYear, DateMonth, DateDay, Parts.Hour, Parts.Minute, Parts.Second, 0, Parsed))
      return false;
    Value = Parsed;
    Start = At;
    End = At + Past;
    return true;
  }
  return false;
}

}  // namespace

// A first word too long for a prefix ends the search before it sets itself up.
bool ParsePrefixedTimestamp(std::string_view Text, double& Value, size_t& Start, size_t& End) {
  const size_t WordEnd = FindBlankOrNot<true>(Text, 0);
  if (WordEnd == 0 || WordEnd > MaxPrefixWordLength) return false;
  return FindAfterPrefix(Text, WordEnd, Value, Start, End);
}

bool ParseEpochTimestamp(std::string_view Number, double& Value) {
  uint64_t Whole;
  if (!ReadWholeNumber(Number, Whole)) return false;
  uint64_t Seconds = Whole;
  if (Whole >= 100000000000000000) Seconds = Whole / 1000000000;
  else if (Whole >= 100000000000000) Seconds = Whole / 1000000;
  else if (Whole >= 100000000000) Seconds = Whole / 1000;
  else if (Whole >= 10000000000 || Whole < 100000000) return false;  // before 1973 or in the gaps: no time
  constexpr uint64_t SecondsPerDay = 86400, UnixEpochDay = 25569;
  // As the date-time encoder computes it, so that the same moment written as ISO text is equal.
  const uint64_t WholeDays = Seconds / SecondsPerDay;
  Value = static_cast<double>(WholeDays + UnixEpochDay) +
          static_cast<double>(Seconds % SecondsPerDay * 1000) / static_cast<double>(SecondsPerDay * 1000);
  return true;
}

bool ParseCompactMonthDay(std::string_view Text, double& Value) {
  int Month, Day;
  if (Text.size() < 13 || Text[4] != ' ' || !Read2(Text, 0, Month) || !Read2(Text, 2, Day)) return false;
  return MonthDayTime(Month, Day, Text.substr(5, 8), Value);
}
