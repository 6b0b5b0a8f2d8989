#pragma once
// Date-time values as days since 1899-12-30 00:00, the fraction being the time of day.
// Impossible dates and times are refused with false, never with an exception.

#include <cstdint>

bool IsLeapYear(int Year);
int DaysInMonth(int Year, int Month);
// Year 1..9999, Month 1..12, a real day of that month, Hour 0..23, Minute and Second 0..59,
// Ms 0..999.
bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int Ms,
                       double& Value);

struct TDateTimeParts {
  int Year, Month, Day, Hour, Minute, Second, Ms;
};
// Splits a value, rounded to the nearest millisecond. Values below 1 (time of day only) give
// the date 1899-12-30.
TDateTimeParts DecodeDateTime(double Value);
