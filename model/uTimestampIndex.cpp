#include "model/uTimestampIndex.h"

#include <algorithm>
#include <cmath>

namespace {

double TimeOfDay(double Value) {
  double Fraction = Value - std::trunc(Value);
  if (Fraction < 0) Fraction += 1;
  return Fraction;
}

bool IsAscending(const TTimestampIndex& Index) {
  for (size_t i = 1; i < Index.size(); ++i)
    if (Index[i].Value < Index[i - 1].Value) return false;
  return true;
}

void SortIfNeeded(TTimestampIndex& Index) {
  if (Index.size() > 1 && !IsAscending(Index))
    std::sort(Index.begin(), Index.end(),
              [](const TTimestampIndexEntry& A, const TTimestampIndexEntry& B) { return A.Value < B.Value; });
}

double Distance(double Value, double Needle, bool TimeOfDayMode) {
  double Result = std::fabs(Value - Needle);
  if (TimeOfDayMode && Result > 0.5) Result = 1 - Result;
  return Result;
}

}  // namespace

void BuildTimestampIndex(TTimestampIndexes& Indexes, const TVisibleRows& Rows) {
  TTimestampIndex& Full = Indexes.FullTimestampIndex;
  TTimestampIndex& Day = Indexes.TimeOfDayIndex;
  Full.clear();
  Day.clear();
  const size_t Count = static_cast<size_t>(std::max(Rows.VisibleCount, 0));
  Full.reserve(Count);
  Day.reserve(Count);
  for (int32_t Row = 0; Row < Rows.VisibleCount; ++Row) {
    const int32_t Entry = Rows.EntryOf(Row);
    if (Entry < 0) continue;
    const double Stamp = Rows.List.Items[static_cast<size_t>(Entry)].Timestamp;
    if (!(Stamp > 0) || !std::isfinite(Stamp)) continue;
    Day.push_back({TimeOfDay(Stamp), Row});
    if (std::trunc(Stamp) != 0) Full.push_back({Stamp, Row});
  }
  SortIfNeeded(Full);
  SortIfNeeded(Day);
  Indexes.TimestampIndexDirty = false;
}

int32_t FindNearestRow(TTimestampIndexes& Indexes, const TVisibleRows& Rows, double Time, bool TimeOnly) {
  if (Indexes.TimestampIndexDirty) BuildTimestampIndex(Indexes, Rows);
  const bool DayMode = TimeOnly || Indexes.FullTimestampIndex.empty();
  const TTimestampIndex& Index = DayMode ? Indexes.TimeOfDayIndex : Indexes.FullTimestampIndex;
  if (Index.empty() || !std::isfinite(Time)) return -1;
  const double Needle = DayMode ? TimeOfDay(Time) : Time;

  const auto Lower = std::lower_bound(Index.begin(), Index.end(), Needle,
                                      [](const TTimestampIndexEntry& E, double V) { return E.Value < V; });
  size_t Best = std::min(static_cast<size_t>(Lower - Index.begin()), Index.size() - 1);
  double BestDistance = Distance(Index[Best].Value, Needle, DayMode);
  const auto TryCandidate = [&](size_t Position) {
    const double D = Distance(Index[Position].Value, Needle, DayMode);
    if (D < BestDistance) {
      Best = Position;
      BestDistance = D;
    }
  };
  if (Best > 0) TryCandidate(Best - 1);
  // Across midnight the nearest time of day may sit at the other end of the array.
  if (DayMode) {
    TryCandidate(0);
    TryCandidate(Index.size() - 1);
  }
  return Index[Best].Row;
}
