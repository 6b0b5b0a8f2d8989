// Filter rebuild speed on a generated one-million-line log, against grep on the same file.
// Run: filter_bench [lines]   (default 1,000,000; the file is written under /tmp)

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uRuleCache.h"
#include "settings/uSettings.h"

namespace {
std::atomic<uint64_t> Allocations{0};
}

// Counting every allocation shows whether a rebuild allocates per line.
void* operator new(size_t Size) {
  ++Allocations;
  if (void* Block = std::malloc(Size ? Size : 1)) return Block;
  throw std::bad_alloc();
}
void operator delete(void* Block) noexcept { std::free(Block); }
void operator delete(void* Block, size_t) noexcept { std::free(Block); }

namespace {

struct TRandom {
  uint64_t State = 0x9E3779B97F4A7C15ull;
  uint32_t Next() {
    State = State * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(State >> 33);
  }
};

std::string GenerateFile(int32_t Lines) {
  const std::string Path = "/tmp/skerrin_filter_bench_" + std::to_string(Lines) + ".log";
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  const char* Levels[] = {"INFO ", "DEBUG", "WARN ", "ERROR", "TRACE", "INFO ", "DEBUG", "INFO "};
  const char* Sources[] = {"org.apache.zookeeper.server.NIOServerCnxn", "com.example.billing.InvoiceService",
                           "io.netty.channel.DefaultChannelPipeline", "org.hibernate.SQL"};
  const char* Messages[] = {
      "Accepted socket connection from /10.10.34.%u:%u",
      "Processed request id=%u in %u ms",
      "Connection reset by peer while reading session 0x%x (attempt %u)",
      "Slow query detected: SELECT * FROM orders WHERE id=%u took %u ms",
      "Caught end of stream exception, closing socket %u/%u",
      "Pr\xC3\xBC"
      "fung der Rechnung %u abgeschlossen, Dauer %u ms",
      "Cache miss for key user:%u, loading from store (%u entries)",
      "Timeout waiting for lock on resource %u after %u ms",
  };
  TRandom Random;
  char Line[512], Message[256];
  for (int32_t i = 0; i < Lines; ++i) {
    const uint32_t Seconds = static_cast<uint32_t>(i) / 20;
    std::snprintf(Message, sizeof Message, Messages[Random.Next() % 8], Random.Next() % 100000, Random.Next() % 5000);
    const int Length = std::snprintf(Line, sizeof Line, "2024-03-%02u %02u:%02u:%02u,%03u %s [thread-%u] %s - %s\n",
                                     1 + Seconds / 86400 % 28, Seconds / 3600 % 24, Seconds / 60 % 60, Seconds % 60,
                                     Random.Next() % 1000, Levels[Random.Next() % 8], Random.Next() % 16,
                                     Sources[Random.Next() % 4], Message);
    Out.write(Line, Length);
  }
  return Path;
}

// Fills the list the way the loader lays it out: one text buffer, entries by offset.
void FillList(const std::string& Path, TLogList& List) {
  std::ifstream In(Path, std::ios::binary);
  const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  List.Clear();
  List.ReserveText(static_cast<int64_t>(Text.size()));
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find('\n', Start);
    if (End == std::string::npos) End = Text.size();
    const int32_t Length = static_cast<int32_t>(End - Start);
    const int64_t Offset = List.AppendText(Text.data() + Start, Length);
    const int32_t Index = List.ReserveEntry();
    TLogEntry& Entry = List.Items[Index];
    Entry = EmptyLogEntry();
    Entry.TextOffset = Offset;
    Entry.TextLength = Length;
    Entry.LineNumber = Index + 1;
    Entry.Level = Text.compare(Start + 24, 5, "ERROR") == 0 ? lError : lInfo;
    ++List.Count;
    Start = End + 1;
  }
}

// CPU time rather than wall time: the machines that run this are shared, and the minimum of
// several runs is the figure least disturbed by other work.
double CpuMs(int Who) {
  rusage Usage{};
  getrusage(Who, &Usage);
  return (Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) * 1e3 +
         (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e3;
}

template <typename TFunction>
double MinCpuMs(int Runs, int Who, TFunction&& Function) {
  double Best = 1e300;
  for (int i = 0; i < Runs; ++i) {
    const double Start = CpuMs(Who);
    Function();
    Best = std::min(Best, CpuMs(Who) - Start);
  }
  return Best;
}

// Output to a file, not /dev/null: GNU grep stops at the first match when it sees /dev/null.
double GrepMs(const std::string& Needle, const std::string& Path, int Runs, long& Count) {
  const std::string CountFile = Path + ".grepcount";
  const std::string Command = "LC_ALL=C grep -c -i '" + Needle + "' " + Path + " >" + CountFile;
  const double Ms = MinCpuMs(Runs, RUSAGE_CHILDREN, [&] {
    if (std::system(Command.c_str()) < 0) std::perror("grep");
  });
  std::ifstream In(CountFile);
  Count = -1;
  In >> Count;
  std::remove(CountFile.c_str());
  return Ms;
}

struct TCase {
  const char* Label;
  std::u16string Filter;
  std::string GrepNeedle;  // UTF-8
  int32_t Context;
};

}  // namespace

int main(int argc, char** argv) {
  const int32_t Lines = argc > 1 ? std::atoi(argv[1]) : 1000000;
  const int Runs = 7;
  const std::string Path = GenerateFile(Lines);
  TLogList List;
  FillList(Path, List);
  std::printf("%d lines, %lld bytes of text, CPU time, best of %d runs\n", List.Count,
              static_cast<long long>(List.TextUsed), Runs);

  const TCase Cases[] = {
      {"ascii 'timeout', context 0", u"timeout", "timeout", 0},
      {"ascii 'timeout', context 3", u"timeout", "timeout", 3},
      {"ascii 'timeout', context -3", u"timeout", "timeout", -3},
      {"ascii 'zzzq' (no match)", u"zzzq", "zzzq", 0},
      {"ascii 'session 0x1'", u"session 0x1", "session 0x1", 0},
      {"unicode 'PR\u00DCFUNG', context 0", u"PR\u00DCFUNG",
       "pr\xC3\xBC"
       "fung",
       0},
      {"unicode 'PR\u00DCFUNG', context 3", u"PR\u00DCFUNG",
       "pr\xC3\xBC"
       "fung",
       3},
  };
  bool AllVisible = true;
  TIndexArray Visible;
  int32_t VisibleCount = 0;
  std::u16string Scratch;
  for (const TCase& Case : Cases) {
    const std::u16string Lower = NormalisedForMatch(Case.Filter);
    const uint64_t Before = Allocations.load();
    const double Ms = MinCpuMs(Runs, RUSAGE_SELF, [&] {
      ApplyFilter(List, Case.Filter, Lower, Case.Context, AllVisible, Visible, VisibleCount, Scratch);
    });
    const double AllocsPerRun = static_cast<double>(Allocations.load() - Before) / Runs;
    long GrepCount;
    const double GrepTime = GrepMs(Case.GrepNeedle, Path, Runs, GrepCount);
    std::printf("%-34s %7.1f ms %8d rows %5.1f allocations/run | grep -c -i %7.1f ms %8ld lines\n", Case.Label, Ms,
                VisibleCount, AllocsPerRun, GrepTime, GrepCount);
  }

  // The Unicode path's worst case: every line decoded and lower-cased.
  const double DecodeMs = MinCpuMs(Runs, RUSAGE_SELF, [&] {
    for (int32_t i = 0; i < List.Count; ++i) {
      DecodeLineBytes(std::string_view(List.EntryText(i), static_cast<size_t>(List.Items[i].TextLength)), Scratch);
      NormaliseForMatch(Scratch);
    }
  });
  std::printf("decode + normalise every line %8.1f ms\n", DecodeMs);

  TAppSettings Settings;
  Settings.ColorRules[0].Pattern = "timeout";
  Settings.ColorRules[0].UseLevel = true;
  Settings.ColorRules[0].Level = lError;
  Settings.ColorRules[1].Pattern = "slow query";
  Settings.ColorRuleCount = 2;
  TRuleCache Cache;
  const double RulesMs = MinCpuMs(Runs, RUSAGE_SELF, [&] {
    ClearRuleCaches(Cache);
    SyncRuleCache(Cache, ColorRulesOf(Settings));
    UpdateEffectiveLevels(Cache, List);
  });
  const double CountMs = MinCpuMs(Runs, RUSAGE_SELF, [&] { CountVisibleLevels(Cache, List, true, {}, List.Count); });
  std::printf("rule cache + effective levels (2 rules) %8.1f ms\ncounters over all rows %8.1f ms\n", RulesMs, CountMs);
  return 0;
}
