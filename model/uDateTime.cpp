#include "model/uDateTime.h"

#include <cmath>

namespace {

constexpr int64_t MsPerDay = 86400000;

// Days from 0001-01-01 to Year-Month-Day in the proleptic Gregorian calendar.
int64_t DayNumber(int Year, int Month, int Day) {
  static constexpr int DaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int64_t Y = Year - 1;
  int64_t Days = Y * 365 + Y / 4 - Y / 100 + Y / 400 + DaysBeforeMonth[Month - 1] + Day - 1;
  if (Month > 2 && IsLeapYear(Year)) ++Days;
  return Days;
}

// Day number of 1899-12-30, the zero of the date-time scale.
constexpr int64_t EpochDayNumber = 693593;

constexpr int64_t FirstDay = -EpochDayNumber;         // 0001-01-01
constexpr int64_t EndDay = 3652059 - EpochDayNumber;  // 10000-01-01, first day out of range

void SplitDayNumber(int64_t Days, int& Year, int& Month, int& Day) {
  // 400-, 100-, 4- and 1-year cycles from 0001-01-01.
  constexpr int64_t D400 = 146097, D100 = 36524, D4 = 1461, D1 = 365;
  int64_t N400 = Days / D400;
  Days %= D400;
  int64_t N100 = Days / D100;
  if (N100 == 4) N100 = 3;  // last day of a 400-year cycle
  Days -= N100 * D100;
  const int64_t N4 = Days / D4;
  Days %= D4;
  int64_t N1 = Days / D1;
  if (N1 == 4) N1 = 3;  // last day of a leap year
  Days -= N1 * D1;
  Year = static_cast<int>(N400 * 400 + N100 * 100 + N4 * 4 + N1 + 1);
  Month = 1;
  while (Days >= DaysInMonth(Year, Month)) {
    Days -= DaysInMonth(Year, Month);
    ++Month;
  }
  Day = static_cast<int>(Days) + 1;
}

}  // namespace

bool IsLeapYear(int Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

int DaysInMonth(int Year, int Month) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int Ms, double& Value) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12) return false;
  if (Day < 1 || Day > DaysInMonth(Year, Month)) return false;
  if (Hour < 0 || Hour > 23 || Minute < 0 || Minute > 59 || Second < 0 || Second > 59) return false;
  if (Ms < 0 || Ms > 999) return false;
  const int64_t TimeMs = ((Hour * 60 + Minute) * 60 + Second) * int64_t{1000} + Ms;
  Value = static_cast<double>(DayNumber(Year, Month, Day) - EpochDayNumber) +
          static_cast<double>(TimeMs) / static_cast<double>(MsPerDay);
  return true;
}

TDateTimeParts DecodeDateTime(double Value) {
  TDateTimeParts Parts{1899, 12, 30, 0, 0, 0, 0};
  if (std::isnan(Value)) return Parts;
  int64_t TotalMs;
  // Compare before converting: out-of-range doubles must not reach the integer conversion.
  if (Value < static_cast<double>(FirstDay)) TotalMs = FirstDay * MsPerDay;
  else if (Value >= static_cast<double>(EndDay)) TotalMs = EndDay * MsPerDay - 1;
  else TotalMs = std::llround(Value * static_cast<double>(MsPerDay));
  if (TotalMs >= EndDay * MsPerDay) TotalMs = EndDay * MsPerDay - 1;  // rounded up past the end

  int64_t Days = TotalMs / MsPerDay;
  int64_t TimeMs = TotalMs % MsPerDay;
  if (TimeMs < 0) {
    TimeMs += MsPerDay;
    --Days;
  }
  SplitDayNumber(Days + EpochDayNumber, Parts.Year, Parts.Month, Parts.Day);
  Parts.Ms = static_cast<int>(TimeMs % 1000);
  Parts.Second = static_cast<int>(TimeMs / 1000 % 60);
  Parts.Minute = static_cast<int>(TimeMs / 60000 % 60);
  Parts.Hour = static_cast<int>(TimeMs / 3600000);
  return Parts;
}
