#pragma once
// The texts of the status bar's two parts: the file summary on the left and the per-level
// counters on the right, plus the arithmetic that places the counters. Drawing stays with the
// window; the thousands separator is passed in (PlatformThousandsSeparator on the real thing).

#include <cstdint>
#include <string>
#include <string_view>

#include "model/uLogTypes.h"
#include "model/uRuleCache.h"

// A whole number with Separator between groups of three digits ("#,##0").
std::string FormatThousands(int64_t Value, std::string_view Separator);

// The part of a path after its last "\", "/" or drive colon.
std::string_view FileNamePart(std::string_view Path);

// "Lines: N", or "Lines: N | Visible: M" when a filter hides some of the entries.
std::string StatusLinesText(int32_t EntryCount, int32_t VisibleCount);

// "<lines> | <file name> | <size> Byte | Format: <format>", UTF-8; a Hint (what the view hides)
// follows the lines, where a narrow bar still shows it.
std::string BuildStatusText(int32_t EntryCount, int32_t VisibleCount, std::string_view FileName, int64_t Size,
                            TLogFormat Format, std::string_view ThousandsSeparator, std::string_view Hint = {});

// A byte count as the user reads it: "512 bytes", "12 KB", "975 MB", "9.8 GB" (units of 1024).
std::string ByteSizeText(int64_t Bytes);

// The progress of a load as the left part shows it while the file is read: "Loading 42 % (410
// of 975 MB)", both amounts in the unit of the file's size. 100 % only once all of it is read.
std::string LoadProgressText(int64_t BytesRead, int64_t FileSize);

// The left part while the file is still being read: the progress first, so that a narrow part
// cuts the rest rather than it: "<progress> | <lines> | <file name> | Format: <format>".
std::string BuildLoadingStatusText(std::string_view Progress, int32_t EntryCount, int32_t VisibleCount,
                                   std::string_view FileName, TLogFormat Format);

// The left part after a failed load, so that an empty view says why: "Cannot load <file
// name>: <reason>".
std::string LoadFailureText(std::string_view FileName, std::string_view Reason);

// A counter's time: "yyyy-mm-dd hh:nn:ss", only "hh:nn:ss" when the value has no date part or
// WithDate is false, and "-" for no time (0 or less).
std::string CounterTimeText(double Time, bool WithDate = true);

enum TCounterIndex { ciError, ciWarn, ciInfo };
constexpr int CounterCount = 3;
constexpr const char* CounterSeparator = "  ";

// How much the counters say, from the most to the least; the window takes the first that fits
// its part of the status bar.
enum TCounterForm { cfWithTimes, cfTimesOfDay, cfCounts, cfCompact };
constexpr int CounterFormCount = 4;

// cfWithTimes "E: n (yyyy-mm-dd hh:nn:ss)", cfTimesOfDay "E: n (hh:nn:ss)", cfCounts "E: n",
// cfCompact "E:n"; the same for W and I. Bold marks
// the counters whose time is the latest of the three (none when no counter has a time), in
// every form.
struct TCounterTexts {
  std::string Text[CounterCount];
  bool Bold[CounterCount] = {false, false, false};
  const char* Separator = CounterSeparator;  // between two counters
};
TCounterTexts BuildCounterTexts(const TLevelCounters& Counters, TCounterForm Form = cfWithTimes);

// Left edge of the counters, right-aligned 4 pixels from the part's right edge but never left of
// Left + 2. Widths are measured by the window, each text in its own font.
int32_t CountersLeft(int32_t Left, int32_t Right, const int32_t (&TextWidths)[CounterCount], int32_t SeparatorWidth);
// True when the counters fit between Left + 2 and Right - 4.
bool CountersFit(int32_t Left, int32_t Right, const int32_t (&TextWidths)[CounterCount], int32_t SeparatorWidth);

// The text's top so that a letter of LetterHeight stands vertically centred; Top + 2 when the
// letter could not be measured (LetterHeight < 0).
int32_t StatusTextTop(int32_t Top, int32_t Bottom, int32_t LetterHeight);
