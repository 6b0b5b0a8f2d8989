#pragma once
// A small in-memory log and a view over it, for the tests of the row-based viewer logic.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/uDateTime.h"
#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uNavigation.h"
#include "model/uRuleCache.h"
#include "settings/uSettingsRecord.h"

struct TLine {
  std::string Text;
  TLogLevel Level = lCustom;
  double Timestamp = 0;
  int32_t LineNumber = 0;  // 0: the entry's index + 1
};

inline void AddTestLine(TLogList& List, const TLine& Line) {
  const int64_t Offset = List.AppendText(Line.Text.data(), static_cast<int32_t>(Line.Text.size()));
  const int32_t Index = List.ReserveEntry();
  TLogEntry& Entry = List.Items[Index];
  Entry = EmptyLogEntry();
  Entry.TextOffset = Offset;
  Entry.TextLength = static_cast<int32_t>(Line.Text.size());
  Entry.Level = Line.Level;
  Entry.Timestamp = Line.Timestamp;
  Entry.LineNumber = Line.LineNumber > 0 ? Line.LineNumber : Index + 1;
  ++List.Count;
}

// A list plus the view over it: unfiltered, or limited to the given entries.
struct TView {
  TLogList List;
  bool AllVisible = true;
  TIndexArray Visible;
  int32_t VisibleCount = 0;
  TRuleCache Rules;

  explicit TView(const std::vector<TLine>& Lines) {
    for (const TLine& Line : Lines) AddTestLine(List, Line);
    VisibleCount = List.Count;
  }
  TView& Only(const TIndexArray& Entries) {
    AllVisible = false;
    Visible = Entries;
    VisibleCount = static_cast<int32_t>(Entries.size());
    return *this;
  }
  TVisibleRows Rows() const { return TVisibleRows{List, AllVisible, Visible, VisibleCount}; }
  // One colour rule, which gives the lines that contain Pattern the level Level.
  void UseLevelRule(const char* Pattern, TLogLevel Level) {
    TAppSettings Settings;
    Settings.ColorRules[0].Pattern = Pattern;
    Settings.ColorRules[0].UseLevel = true;
    Settings.ColorRules[0].Level = Level;
    Settings.ColorRuleCount = 1;
    SyncRuleCache(Rules, ColorRulesOf(Settings));
  }
};

inline double At(int Year, int Month, int Day, int Hour, int Minute, int Second) {
  double Value = 0;
  EXPECT_TRUE(TryEncodeDateTime(Year, Month, Day, Hour, Minute, Second, 0, Value));
  return Value;
}

inline double TimeOnly(int Hour, int Minute, int Second) { return At(1899, 12, 30, Hour, Minute, Second); }
