#pragma once
// The per-viewer index of visible rows by time, for selecting the row nearest a time that
// another viewer publishes. Two indexes are kept: full date-times (rows whose timestamp has a
// date part) and times of day (every row with a timestamp), so that a log without dates and a
// log with dates can still be matched against each other.

#include <cstdint>
#include <vector>

#include "model/uNavigation.h"

struct TTimestampIndexEntry {
  double Value;  // a date-time, or a fraction of a day
  int32_t Row;   // visible row
};
using TTimestampIndex = std::vector<TTimestampIndexEntry>;

struct TTimestampIndexes {
  TTimestampIndex FullTimestampIndex;
  TTimestampIndex TimeOfDayIndex;
  bool TimestampIndexDirty = true;  // set by every change of the visible rows
};

// Rebuilds both indexes from the visible rows, sorted ascending by Value; rows without a
// timestamp are left out. Sorting is skipped when the rows are already in time order.
void BuildTimestampIndex(TTimestampIndexes& Indexes, const TVisibleRows& Rows);

// The visible row whose time is closest to Time (rebuilding the indexes first when dirty), or
// -1 when no visible row has a timestamp. Times of day are compared when TimeOnly is set or
// when no row carries a date; then 23:59 and 00:01 are two minutes apart. At equal distance the
// row at or after the needle wins.
int32_t FindNearestRow(TTimestampIndexes& Indexes, const TVisibleRows& Rows, double Time, bool TimeOnly);
