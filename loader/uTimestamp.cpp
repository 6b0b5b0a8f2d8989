#include "loader/uTimestamp.h"

#include <atomic>
#include <cstdint>

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
  for (int m = 0; m < 12; ++m)
    if (Names[m * 3] == A && Names[m * 3 + 1] == B && Names[m * 3 + 2] == C) return m + 1;
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

// Www Mmm dd hh:nn:ss[.ffffff] yyyy, as C's ctime writes it (the Apache error log): the day name
// is not checked, the day may be padded with a blank, the fraction is ignored.
bool ParseCTime(std::string_view S, double& Value) {
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
  if (S.size() != i + 5 || S[i] != ' ' || !Read4(S, i + 1, Year)) return false;
  return Build(Year, Month, Day, Hour, Minute, Second, 0, Value);
}

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
    Year += Year >= 70 ? 1900 : 2000;
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
  const std::string_view Inner = Text.substr(1, Close - 1);
  double Parsed;
  int Used;
  // A numeric date fills the bracket, but for more digits of the fraction and a zone.
  const auto Fills = [&Inner](int Used) {
    return SkipFractionAndZone(Inner, static_cast<size_t>(Used)) == Inner.size();
  };
  bool Ok = (ParseDottedTimestamp(Inner, Parsed, Used) && Fills(Used)) ||
            (ParseSlashedTimestamp(Inner, Parsed, Used) && Fills(Used)) ||
            (LooksLikeIsoTimestamp(Inner) && ParseIsoTimestamp(Inner, Parsed)) || ParseTimeOfDay(Inner, Parsed) ||
            ParseCTime(Inner, Parsed);
  if (!Ok) return false;
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

bool StartsWith(std::string_view S, std::string_view Prefix) { return S.substr(0, Prefix.size()) == Prefix; }

// The forms that start with a digit: numeric dates, ISO, a time of day, and MM-DD hh:nn:ss.
bool ParseLeadingNumeric(std::string_view S, double& Value, size_t& End) {
  if (S.size() < 8) return false;
  int Used = 0;
  if (S[2] == '.' || S[2] == '/') {
    if (!ParseDottedTimestamp(S, Value, Used) && !ParseSlashedTimestamp(S, Value, Used)) return false;
    End = SkipFractionAndZone(S, static_cast<size_t>(Used));
    return true;
  }
  if (S[2] == ':') {
    if (!ParseTimeOfDay(S.substr(0, 8), Value)) return false;
    End = SkipFractionAndZone(S, 8);
    return true;
  }
  int Month, Day;
  if (S[2] == '-' && S.size() >= 20 && S[6] == '-' && S[11] == ' ') {  // 26-May-2024 10:22:52, Tomcat's
    int Year;
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
  if (S.size() >= 14 && S[10] == '.') {  // 1716723772.601, as squid writes it
    size_t Digits = 11;
    while (Digits < S.size() && IsDigit(S[Digits])) ++Digits;
    if (Digits < 14 || !ParseEpochTimestamp(S.substr(0, Digits), Value)) return false;
    End = Digits;
    return true;
  }
  if (!LooksLikeIsoTimestamp(S) || !ParseIsoTimestamp(S, Value)) return false;
  End = SkipFractionAndZone(S, 19);
  return true;
}

// The forms that start with a letter: syslog's month and day, Ruby's "I, [2024-...]" and a
// time key of key=value text.
bool ParseLeadingWord(std::string_view S, double& Value, size_t& End) {
  if (S.size() >= 15 && S[3] == ' ' && S[6] == ' ' && S[9] == ':' && S[12] == ':') {
    if (!ParseSyslogTime(S.substr(0, 15), Value)) return false;
    End = 15;
    return true;
  }
  if (ParseJavaLoggingTime(S, Value, End)) return true;
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
  } else if (IsDigit(Text[0])) {
    Ok = ParseLeadingNumeric(Text, Parsed, Past);
  } else {
    Ok = MayLeadWithTimestamp(Text) && ParseLeadingWord(Text, Parsed, Past);
  }
  if (!Ok) return false;
  Value = Parsed;
  End = Past;
  return true;
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
  Value = static_cast<double>(Seconds / SecondsPerDay + UnixEpochDay) +
          static_cast<double>(Seconds % SecondsPerDay * 1000) / static_cast<double>(SecondsPerDay * 1000);
  return true;
}

bool ParseCompactMonthDay(std::string_view Text, double& Value) {
  int Month, Day;
  if (Text.size() < 13 || Text[4] != ' ' || !Read2(Text, 0, Month) || !Read2(Text, 2, Day)) return false;
  return MonthDayTime(Month, Day, Text.substr(5, 8), Value);
}
