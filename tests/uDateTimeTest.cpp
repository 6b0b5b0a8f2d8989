#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/uDateTime.h"

namespace {

struct TDateCase {
  int Year, Month, Day, Hour, Minute, Second, Ms;
  double Expected;
};

}  // namespace

TEST(DateTime, LeapYearsAndMonthLengths) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(2023));
  EXPECT_TRUE(IsLeapYear(4));
  EXPECT_FALSE(IsLeapYear(1));
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(2000, 2), 29);
  EXPECT_EQ(DaysInMonth(2024, 2), 29);
  EXPECT_EQ(DaysInMonth(2023, 2), 28);
  EXPECT_EQ(DaysInMonth(2024, 4), 30);
  EXPECT_EQ(DaysInMonth(2024, 12), 31);
  EXPECT_EQ(DaysInMonth(2024, 0), 0);
  EXPECT_EQ(DaysInMonth(2024, 13), 0);
}

TEST(DateTime, KnownSerials) {
  const TDateCase Cases[] = {
      {1899, 12, 30, 0, 0, 0, 0, 0.0},
      {1899, 12, 31, 0, 0, 0, 0, 1.0},
      {1900, 1, 1, 0, 0, 0, 0, 2.0},
      {1900, 3, 1, 0, 0, 0, 0, 61.0},  // 1900 has no 29 February
      {2000, 2, 29, 0, 0, 0, 0, 36585.0},
      {2000, 3, 1, 0, 0, 0, 0, 36586.0},
      {2024, 2, 29, 0, 0, 0, 0, 45351.0},
      {2024, 5, 6, 7, 8, 9, 0, 45418.0 + 25689.0 / 86400.0},
      {2024, 5, 6, 7, 8, 9, 123, 45418.0 + 25689123.0 / 86400000.0},
      {1899, 12, 30, 12, 0, 0, 0, 0.5},
      {1899, 12, 29, 0, 0, 0, 0, -1.0},
      {1899, 12, 29, 6, 0, 0, 0, -0.75},  // straight line: later in the day is larger
      {1, 1, 1, 0, 0, 0, 0, -693593.0},
      {9999, 12, 31, 0, 0, 0, 0, 2958465.0},
      {9999, 12, 31, 23, 59, 59, 999, 2958465.0 + 86399999.0 / 86400000.0},
  };
  for (const TDateCase& C : Cases) {
    double Value = -12345;
    ASSERT_TRUE(TryEncodeDateTime(C.Year, C.Month, C.Day, C.Hour, C.Minute, C.Second, C.Ms, Value))
        << C.Year << "-" << C.Month << "-" << C.Day;
    EXPECT_DOUBLE_EQ(Value, C.Expected) << C.Year << "-" << C.Month << "-" << C.Day;
  }
  double Value = 0;
  ASSERT_TRUE(TryEncodeDateTime(2024, 5, 6, 7, 8, 9, 0, Value));
  EXPECT_NEAR(Value, 45418.297326388888, 1e-9);
}

TEST(DateTime, ImpossibleValuesAreRefused) {
  const int Cases[][7] = {
      {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0},        {2024, 0, 1, 0, 0, 0, 0},  {2024, 13, 1, 0, 0, 0, 0},
      {2024, 1, 0, 0, 0, 0, 0},  {2024, 4, 31, 0, 0, 0, 0},        {2023, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0},
      {2024, 1, 32, 0, 0, 0, 0}, {2024, 1, 1, 24, 0, 0, 0},        {2024, 1, 1, -1, 0, 0, 0}, {2024, 1, 1, 0, 60, 0, 0},
      {2024, 1, 1, 0, 0, 60, 0}, {2024, 1, 1, 0, 0, 0, 1000},      {2024, 1, 1, 0, 0, 0, -1}, {-5, 1, 1, 0, 0, 0, 0},
      {2024, -1, 1, 0, 0, 0, 0}, {2147483647, 12, 31, 0, 0, 0, 0},
  };
  for (const auto& C : Cases) {
    double Value = 7.5;
    EXPECT_FALSE(TryEncodeDateTime(C[0], C[1], C[2], C[3], C[4], C[5], C[6], Value))
        << C[0] << "-" << C[1] << "-" << C[2] << " " << C[3] << ":" << C[4] << ":" << C[5];
    EXPECT_EQ(Value, 7.5);
  }
}

TEST(DateTime, DecodeRoundTripsEveryDayOfTheRange) {
  // Every day from 0001-01-01 to 9999-12-31 must decode to itself, with a time of day that
  // exercises the rounding to milliseconds.
  int Checked = 0;
  for (int Year = 1; Year <= 9999; ++Year)
    for (int Month = 1; Month <= 12; ++Month)
      for (int Day = 1; Day <= DaysInMonth(Year, Month); ++Day) {
        const int Hour = Day % 24, Minute = (Day * 7) % 60, Second = (Month * 5) % 60;
        const int Ms = (Year * 13 + Day) % 1000;
        double Value;
        ASSERT_TRUE(TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, Ms, Value));
        const TDateTimeParts P = DecodeDateTime(Value);
        ASSERT_TRUE(P.Year == Year && P.Month == Month && P.Day == Day && P.Hour == Hour && P.Minute == Minute &&
                    P.Second == Second && P.Ms == Ms)
            << Year << "-" << Month << "-" << Day << " decoded as " << P.Year << "-" << P.Month << "-" << P.Day << " "
            << P.Hour << ":" << P.Minute << ":" << P.Second << "." << P.Ms;
        ++Checked;
      }
  EXPECT_EQ(Checked, 3652059);
}

TEST(DateTime, DecodeRoundsAndClamps) {
  struct TCase {
    double Value;
    TDateTimeParts Expected;
  };
  const double NaN = std::numeric_limits<double>::quiet_NaN();
  const double Inf = std::numeric_limits<double>::infinity();
  const TCase Cases[] = {
      {0.0, {1899, 12, 30, 0, 0, 0, 0}},
      {0.5, {1899, 12, 30, 12, 0, 0, 0}},
      {0.99999999, {1899, 12, 30, 23, 59, 59, 999}},
      {0.999999999, {1899, 12, 31, 0, 0, 0, 0}},  // rounds up into the next day
      {1.0 - 0.4 / 86400000.0, {1899, 12, 31, 0, 0, 0, 0}},
      {(25689.0 + 0.0004) / 86400.0, {1899, 12, 30, 7, 8, 9, 0}},
      {(25689.0 + 0.0006) / 86400.0, {1899, 12, 30, 7, 8, 9, 1}},
      {2.0, {1900, 1, 1, 0, 0, 0, 0}},
      {-0.75, {1899, 12, 29, 6, 0, 0, 0}},
      {-693593.0, {1, 1, 1, 0, 0, 0, 0}},
      {-693594.0, {1, 1, 1, 0, 0, 0, 0}},
      {-1e300, {1, 1, 1, 0, 0, 0, 0}},
      {-Inf, {1, 1, 1, 0, 0, 0, 0}},
      {2958465.99999999999, {9999, 12, 31, 23, 59, 59, 999}},
      {2958466.0, {9999, 12, 31, 23, 59, 59, 999}},
      {1e300, {9999, 12, 31, 23, 59, 59, 999}},
      {Inf, {9999, 12, 31, 23, 59, 59, 999}},
      {NaN, {1899, 12, 30, 0, 0, 0, 0}},
  };
  for (const TCase& C : Cases) {
    const TDateTimeParts P = DecodeDateTime(C.Value);
    const TDateTimeParts& E = C.Expected;
    EXPECT_TRUE(P.Year == E.Year && P.Month == E.Month && P.Day == E.Day && P.Hour == E.Hour && P.Minute == E.Minute &&
                P.Second == E.Second && P.Ms == E.Ms)
        << C.Value << " decoded as " << P.Year << "-" << P.Month << "-" << P.Day << " " << P.Hour << ":" << P.Minute
        << ":" << P.Second << "." << P.Ms;
  }
}
