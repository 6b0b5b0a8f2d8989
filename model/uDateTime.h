#pragma once
// Date-time values as days since 1899-12-30 00:00, the fraction being the time of day.
// Impossible dates and times are refused with false, never with an exception.
//
// Dates before 1899-12-30 continue the same straight line (value = day number + fraction of
// the day), so values always sort in time order and Frac + 1 of a negative value is its time
// of day.

#include <cstdint>

bool IsLeapYear(int Year);
// 0 for a month outside 1..12.
int DaysInMonth(int Year, int Month);
// Year 1..9999, Month 1..12, a real day of that month, Hour 0..23, Minute and Second 0..59,
// Ms 0..999.
bool TryEncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second, int Ms, double& Value);

struct TDateTimeParts {
  int Year, Month, Day, Hour, Minute, Second, Ms;
};
// Splits a value, rounded to the nearest millisecond. Values below 1 (time of day only) give
// the date 1899-12-30. Values outside 0001-01-01 .. 9999-12-31 23:59:59.999 are clamped to
// those ends; NaN gives 1899-12-30 00:00:00.000.
TDateTimeParts DecodeDateTime(double Value);
