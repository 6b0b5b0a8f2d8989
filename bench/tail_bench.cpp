// A poll that finds a few appended lines must cost the same whatever the size of the log it
// appends to: it reads the new bytes only and never touches the entries already loaded.
// Usage: tail_bench [directory for the scratch log]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "loader/uLogLoader.h"
#include "loader/uLogTail.h"

namespace fs = std::filesystem;

namespace {
using TClock = std::chrono::steady_clock;

const char* const Line = "2024-03-01 10:00:00,123 INFO  [worker-7] com.example.Service - request handled in 12 ms";

std::string Utf8Path(const fs::path& Path) {
  const std::u8string Text = Path.u8string();
  return std::string(Text.begin(), Text.end());
}

struct TFigures {
  double GrowthMedianUs;
  double GrowthMeanUs;
  double QuietMedianUs;
};

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

TFigures Measure(const fs::path& Path, int LoadedLines, int Ticks, int LinesPerTick) {
  {
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    for (int I = 0; I < LoadedLines; ++I) Out << Line << ' ' << I << '\n';
  }
  TLoadedLog Log;
  if (!Log.Load(Utf8Path(Path), AppSettings)) std::fprintf(stderr, "load failed\n");
  TTailState Tail;
  TTailFileInfo Info;
  ReadFileInfo(Utf8Path(Path), Info);
  ResetTail(Tail, Log, Info);

  std::vector<double> Growth, Quiet;
  for (int T = 0; T < Ticks; ++T) {
    {
      std::ofstream Out(Path, std::ios::binary | std::ios::app);
      for (int I = 0; I < LinesPerTick; ++I) Out << Line << " appended " << T << '\n';
    }
    auto Start = TClock::now();
    const TTailResult Result = PollTail(Tail, Log, Utf8Path(Path));
    Growth.push_back(std::chrono::duration<double, std::micro>(TClock::now() - Start).count());
    if (Result.Change != tcAppended || Result.NewCount - Result.OldCount != LinesPerTick)
      std::fprintf(stderr, "unexpected poll result %d\n", static_cast<int>(Result.Change));
    Start = TClock::now();
    PollTail(Tail, Log, Utf8Path(Path));
    Quiet.push_back(std::chrono::duration<double, std::micro>(TClock::now() - Start).count());
  }
  double Sum = 0;
  for (double G : Growth) Sum += G;
  return {Median(Growth), Sum / static_cast<double>(Growth.size()), Median(Quiet)};
}
}  // namespace

int main(int Argc, char** Argv) {
  const fs::path Dir = Argc > 1 ? fs::path(Argv[1]) : fs::temp_directory_path();
  const fs::path Path = Dir / "skerrin-tail-bench.log";
  constexpr int Ticks = 500, LinesPerTick = 5;
  std::printf("%-12s %16s %16s %16s\n", "loaded lines", "growth median", "growth mean", "no-change median");
  for (const int Lines : {1000, 1000000}) {
    const TFigures F = Measure(Path, Lines, Ticks, LinesPerTick);
    std::printf("%-12d %13.1f us %13.1f us %13.1f us\n", Lines, F.GrowthMedianUs, F.GrowthMeanUs, F.QuietMedianUs);
  }
  std::error_code Ignored;
  fs::remove(Path, Ignored);
  return 0;
}
