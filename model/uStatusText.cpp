#include "model/uStatusText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/uDateTime.h"

std::string FormatThousands(int64_t Value, std::string_view Separator) {
  // Work on the magnitude as unsigned so that the most negative value has a positive form.
  const bool Negative = Value < 0;
  uint64_t Magnitude = Negative ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
  char Digits[24];
  int Count = 0;
  do {
    Digits[Count++] = static_cast<char>('0' + Magnitude % 10);
    Magnitude /= 10;
  } while (Magnitude > 0);
  std::string Result;
  Result.reserve(static_cast<size_t>(Count) + static_cast<size_t>(Count / 3) * Separator.size() + 1);
  if (Negative) Result += '-';
  for (int i = Count - 1; i >= 0; --i) {
    Result += Digits[i];
    if (i > 0 && i % 3 == 0) Result += Separator;
  }
  return Result;
}

std::string_view FileNamePart(std::string_view Path) {
  const size_t Last = Path.find_last_of("\\/:");
  return Last == std::string_view::npos ? Path : Path.substr(Last + 1);
}

std::string StatusLinesText(int32_t EntryCount, int32_t VisibleCount) {
  std::string Text = "Lines: " + std::to_string(EntryCount);
  if (EntryCount != VisibleCount) Text += " | Visible: " + std::to_string(VisibleCount);
  return Text;
}

std::string BuildStatusText(int32_t EntryCount, int32_t VisibleCount, std::string_view FileName, int64_t Size,
                            TLogFormat Format, std::string_view ThousandsSeparator, std::string_view Hint) {
  std::string Text = StatusLinesText(EntryCount, VisibleCount);
  if (!Hint.empty()) {
    Text += " | ";
    Text += Hint;
  }
  Text += " | ";
  Text += FileNamePart(FileName);
  Text += " | ";
  Text += FormatThousands(Size, ThousandsSeparator);
  Text += " Byte | Format: ";
  Text += FormatDisplayName(Format);
  return Text;
}

namespace {
// The unit a byte count is shown in, chosen by the count: a unit of 1024 below the next one,
// where the amount would round up to 1024 of it.
struct TByteUnit {
  int Shift;  // the unit is 2^Shift bytes
  const char* Name;
};

TByteUnit ByteUnitFor(int64_t Bytes) {
  if (Bytes < 1024) return {0, "bytes"};
  if (Bytes < (int64_t{1} << 20)) return {10, "KB"};
  if (Bytes < (int64_t{1} << 30) - (int64_t{1} << 19)) return {20, "MB"};
  return {30, "GB"};
}

// The amount of Bytes in Unit: whole and rounded, with one decimal for gigabytes.
std::string AmountIn(int64_t Bytes, TByteUnit Unit) {
  char Text[32];
  if (Unit.Shift == 30)
    std::snprintf(Text, sizeof(Text), "%.1f", static_cast<double>(Bytes) / static_cast<double>(int64_t{1} << 30));
  else if (Unit.Shift == 0) std::snprintf(Text, sizeof(Text), "%lld", static_cast<long long>(Bytes));
  else
    std::snprintf(Text, sizeof(Text), "%lld",
                  static_cast<long long>((Bytes + (int64_t{1} << (Unit.Shift - 1))) >> Unit.Shift));
  return Text;
}
}  // namespace

std::string ByteSizeText(int64_t Bytes) {
  const TByteUnit Unit = ByteUnitFor(Bytes);
  return AmountIn(Bytes, Unit) + " " + Unit.Name;
}

std::string LoadProgressText(int64_t BytesRead, int64_t FileSize) {
  FileSize = std::max<int64_t>(FileSize, 0);
  BytesRead = std::clamp<int64_t>(BytesRead, 0, FileSize);
  // Rounded down, so that 100 % means the whole file.
  const int64_t Percent = FileSize == 0 ? 100 : BytesRead * 100 / FileSize;
  const TByteUnit Unit = ByteUnitFor(FileSize);
  return "Loading " + std::to_string(Percent) + " % (" + AmountIn(BytesRead, Unit) + " of " + AmountIn(FileSize, Unit) +
         " " + Unit.Name + ")";
}

std::string BuildLoadingStatusText(std::string_view Progress, int32_t EntryCount, int32_t VisibleCount,
                                   std::string_view FileName, TLogFormat Format) {
  std::string Text(Progress);
  Text += " | ";
  Text += StatusLinesText(EntryCount, VisibleCount);
  Text += " | ";
  Text += FileNamePart(FileName);
  Text += " | Format: ";
  Text += FormatDisplayName(Format);
  return Text;
}

std::string LoadFailureText(std::string_view FileName, std::string_view Reason) {
  std::string Text = "Cannot load ";
  Text += FileNamePart(FileName);
  Text += ": ";
  Text += Reason;
  return Text;
}

std::string CounterTimeText(double Time, bool WithDate) {
  if (!(Time > 0) || !std::isfinite(Time)) return "-";
  const TDateTimeParts P = DecodeDateTime(Time);
  char Buffer[32];
  // A log that records only times of day has no date to show; 1899-12-30 would be invented.
  if (!WithDate || std::trunc(Time) == 0)
    std::snprintf(Buffer, sizeof Buffer, "%02d:%02d:%02d", P.Hour, P.Minute, P.Second);
  else
    std::snprintf(Buffer, sizeof Buffer, "%04d-%02d-%02d %02d:%02d:%02d", P.Year, P.Month, P.Day, P.Hour, P.Minute,
                  P.Second);
  return Buffer;
}

TCounterTexts BuildCounterTexts(const TLevelCounters& Counters, TCounterForm Form) {
  const int32_t Counts[CounterCount] = {Counters.ErrorCount, Counters.WarnCount, Counters.InfoCount};
  const double Times[CounterCount] = {Counters.LastErrorTime, Counters.LastWarnTime, Counters.LastInfoTime};
  constexpr const char* Prefixes[CounterCount] = {"E:", "W:", "I:"};
  double Latest = 0;
  for (const double Time : Times)
    if (Time > 0 && Time > Latest) Latest = Time;
  TCounterTexts Result;
  for (int i = 0; i < CounterCount; ++i) {
    std::string& Text = Result.Text[i];
    Text = Prefixes[i];
    if (Form != cfCompact) Text += ' ';
    Text += std::to_string(Counts[i]);
    if (Form == cfWithTimes || Form == cfTimesOfDay)
      Text += " (" + CounterTimeText(Times[i], Form == cfWithTimes) + ")";
    Result.Bold[i] = Latest > 0 && Times[i] == Latest;
  }
  if (Form == cfCompact) Result.Separator = " ";
  return Result;
}

int32_t CountersLeft(int32_t Left, int32_t Right, const int32_t (&TextWidths)[CounterCount], int32_t SeparatorWidth) {
  const int64_t Total = int64_t{TextWidths[0]} + TextWidths[1] + TextWidths[2] + 2 * int64_t{SeparatorWidth};
  const int64_t X = int64_t{Right} - Total - 4;
  return static_cast<int32_t>(X < int64_t{Left} + 2 ? int64_t{Left} + 2 : X);
}

bool CountersFit(int32_t Left, int32_t Right, const int32_t (&TextWidths)[CounterCount], int32_t SeparatorWidth) {
  const int64_t Total = int64_t{TextWidths[0]} + TextWidths[1] + TextWidths[2] + 2 * int64_t{SeparatorWidth};
  return int64_t{Left} + 2 + Total <= int64_t{Right} - 4;
}

int32_t StatusTextTop(int32_t Top, int32_t Bottom, int32_t LetterHeight) {
  if (LetterHeight < 0) return Top + 2;
  return (Bottom - Top - LetterHeight) / 2 + Top;
}
