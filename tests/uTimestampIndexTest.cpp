#include <gtest/gtest.h>

#include <vector>

#include "model/uTimestampIndex.h"
#include "uViewFixture.h"

TEST(TimestampIndex, BuildsBothIndexesFromVisibleRowsAndSortsOnlyWhenNeeded) {
  TView View({{"a", lInfo, At(2024, 5, 1, 10, 0, 0)},
              {"no time"},
              {"b", lInfo, TimeOnly(9, 0, 0)},
              {"c", lInfo, At(2024, 5, 1, 8, 0, 0)},
              {"d", lInfo, At(2024, 5, 2, 7, 0, 0)}});
  TTimestampIndexes Indexes;
  BuildTimestampIndex(Indexes, View.Rows());
  EXPECT_FALSE(Indexes.TimestampIndexDirty);
  std::vector<int32_t> FullRows, DayRows;
  for (const auto& E : Indexes.FullTimestampIndex) FullRows.push_back(E.Row);
  for (const auto& E : Indexes.TimeOfDayIndex) DayRows.push_back(E.Row);
  EXPECT_EQ(FullRows, (std::vector<int32_t>{3, 0, 4}));
  EXPECT_EQ(DayRows, (std::vector<int32_t>{4, 3, 2, 0}));  // 07:00, 08:00, 09:00, 10:00

  View.Only({1, 2, 4});
  BuildTimestampIndex(Indexes, View.Rows());
  ASSERT_EQ(Indexes.FullTimestampIndex.size(), 1u);
  EXPECT_EQ(Indexes.FullTimestampIndex[0].Row, 2);
  EXPECT_EQ(Indexes.TimeOfDayIndex.size(), 2u);
}

TEST(TimestampIndex, NearestRowWithTieBreaksAndModes) {
  TView Dated({{"a", lInfo, At(2024, 5, 1, 10, 0, 0)},
               {"b", lInfo, At(2024, 5, 1, 10, 0, 10)},
               {"c", lInfo, At(2024, 5, 1, 10, 0, 20)},
               {"d", lInfo, At(2024, 5, 2, 23, 59, 0)}});
  TView Undated({{"x", lInfo, TimeOnly(0, 0, 10)}, {"no time"}, {"y", lInfo, TimeOnly(12, 0, 0)}});
  // Quarter days are exact in binary, so these distances really are equal.
  TView Exact({{"p", lInfo, 45000.0 + 0.0625}, {"q", lInfo, 45000.25}, {"r", lInfo, 45000.5}});
  struct {
    const TView* View;
    double Time;
    bool TimeOnlyFlag;
    int32_t Expected;
  } const Cases[] = {
      {&Dated, At(2024, 5, 1, 10, 0, 4), false, 0},
      {&Dated, At(2024, 5, 1, 10, 0, 10), false, 1},
      {&Dated, At(2020, 1, 1, 0, 0, 0), false, 0},  // no maximum distance
      {&Dated, At(2030, 1, 1, 0, 0, 0), false, 3},
      {&Dated, TimeOnly(23, 58, 0), true, 3},          // time of day only, against a dated log
      {&Dated, At(2024, 5, 9, 0, 0, 30), true, 3},     // 23:59 is nearer than 10:00 across midnight
      {&Undated, TimeOnly(23, 59, 30), false, 0},      // 40 s across midnight beats 12 h
      {&Undated, At(2024, 5, 1, 11, 0, 0), false, 2},  // a full date-time against times of day
      {&Undated, At(2024, 5, 1, 6, 0, 4), false, 0},   // 5:59:54 against 5:59:56
      {&Exact, 45000.375, false, 2},                   // equal distance: the row after the needle wins
      {&Exact, 45000.15625, false, 1},
      {&Exact, 0.375, true, 2},  // the same in time-of-day mode
  };
  for (const auto& Case : Cases) {
    TTimestampIndexes Indexes;
    EXPECT_EQ(FindNearestRow(Indexes, Case.View->Rows(), Case.Time, Case.TimeOnlyFlag), Case.Expected) << Case.Time;
  }
}

TEST(TimestampIndex, NoTimestampsAndFilteredRows) {
  TView View({{"one"}, {"two"}});
  TTimestampIndexes Indexes;
  EXPECT_EQ(FindNearestRow(Indexes, View.Rows(), At(2024, 1, 1, 0, 0, 0), false), -1);

  TView Mixed({{"a", lInfo, At(2024, 5, 1, 10, 0, 0)},
               {"b", lInfo, At(2024, 5, 1, 12, 0, 0)},
               {"c", lInfo, At(2024, 5, 1, 14, 0, 0)}});
  Mixed.Only({0, 2});
  TTimestampIndexes Filtered;
  EXPECT_EQ(FindNearestRow(Filtered, Mixed.Rows(), At(2024, 5, 1, 12, 30, 0), false), 1);  // row 1 shows entry 2
}
