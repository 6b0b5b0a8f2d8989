// skerrin-bench: generates logs and measures the loader on them. Built natively and for Windows
// from the same source, so that bench/compare-builds.sh can run both on the same files.
//
//   skerrin-bench --generate KIND MB FILE    writes a generated log (kinds: see --help)
//   skerrin-bench --load FILE [--runs N] [--small-pages]
//                                           loads FILE N times in this process and prints
//                                           "lines bytes best-wall-s best-cpu-s peak-KiB format";
//                                           --small-pages does without transparent huge pages,
//                                           as the Windows build must
//   skerrin-bench --background FILE [--runs N] [--cancel-after MS]
//                                           loads FILE on a worker thread as the viewer does, a
//                                           reader taking the rows at each notification, and
//                                           prints the best of N runs: "lines bytes start-s
//                                           first-rows-s done-s peak-KiB longest-take-ms
//                                           freed-s"; start-s is the time Start took on the
//                                           reader's thread. With --cancel-after it cancels MS
//                                           after the first rows: done-s is then the time from
//                                           Cancel until the worker has stopped, freed-s the
//                                           time the log then takes to be freed
//   skerrin-bench [--size MB] [--dir DIR] [--kind KIND]... [--runs N] [--keep]
//                                           (native only) a table of load speed and peak memory
//                                           against wc and grep; each load runs in a fresh
//                                           child process so that its peak memory is its own

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "loader/uLogLoader.h"
#include "platform/uPlatformFile.h"
#include "settings/uSettings.h"
#include "uBenchProcess.h"
#include "uLogGenerator.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

struct TLoadFigures {
  bool Ok = false;
  int Lines = 0;
  int64_t Bytes = 0;
  double Seconds = 0;     // best wall time of the runs
  double CpuSeconds = 0;  // best processor time of the runs
  int64_t PeakKiB = 0;
  int Format = 0;
};

// Every run starts from a new log object, as F3 on a file does: its buffers are reserved and
// faulted in again, which is part of what a user waits for.
int LoadInProcess(const char* File, int Runs) {
  SetDefaultSettings();
  TLoadFigures F;
  for (int R = 0; R < Runs; ++R) {
    auto Log = std::make_unique<TLoadedLog>();
    const double Cpu = CpuSeconds(), Wall = WallSeconds();
    const bool Ok = Log->Load(File, AppSettings);
    const double WallUsed = WallSeconds() - Wall, CpuUsed = CpuSeconds() - Cpu;
    if (!Ok) {
      std::fprintf(stderr, "load of %s failed\n", File);
      return 1;
    }
    if (R == 0 || WallUsed < F.Seconds) F.Seconds = WallUsed;
    if (R == 0 || CpuUsed < F.CpuSeconds) F.CpuSeconds = CpuUsed;
    F.Lines = Log->List.Count;
    F.Bytes = Log->FileSize;
    F.Format = static_cast<int>(Log->Format);
  }
  std::printf("%d %lld %.6f %.6f %lld %d\n", F.Lines, static_cast<long long>(F.Bytes), F.Seconds, F.CpuSeconds,
              static_cast<long long>(PeakMemoryKiB()), F.Format);
  return 0;
}

struct TBackgroundFigures {
  int Lines = 0;
  int64_t Bytes = 0;
  double Start = 0, FirstRows = 0, Done = 0, LongestTake = 0, Freed = 0;
};

// The reader's side of a load on a worker thread, as the viewer does it: wait for a
// notification, take what is there.
bool LoadInBackgroundOnce(const char* File, double CancelAfter, TBackgroundFigures& F) {
  std::mutex Lock;
  std::condition_variable Signal;
  int Notes = 0;
  auto Log = std::make_shared<TLoadedLog>();
  const double Begin = WallSeconds();
  std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Log, File, AppSettings, [&] {
    {
      const std::lock_guard<std::mutex> Hold(Lock);
      ++Notes;
    }
    Signal.notify_one();
  });
  F.Start = WallSeconds() - Begin;
  if (!Load) return false;
  F.FirstRows = -1;
  F.LongestTake = 0;
  for (;;) {
    int Seen;
    {
      const std::lock_guard<std::mutex> Hold(Lock);
      Seen = Notes;
    }
    const double Before = WallSeconds();
    const TLoadProgress Progress = Load->Take();
    const double Now = WallSeconds();
    F.LongestTake = std::max(F.LongestTake, Now - Before);
    if (F.FirstRows < 0 && Progress.NewCount > 0) F.FirstRows = Now - Begin;
    if (Progress.State == lsDone) {
      F.Done = Now - Begin;
      F.Lines = Log->List.Count;
      F.Bytes = Log->FileSize;
      break;
    }
    if (Progress.State != lsLoading) return false;
    if (CancelAfter >= 0 && F.FirstRows >= 0 && Now - Begin - F.FirstRows >= CancelAfter / 1000) {
      F.Lines = Log->List.Count;
      F.Bytes = Progress.BytesRead;
      // The stop and the freeing apart: a viewer lets go of the log at once, and the worker
      // frees it as it stops.
      const double Cancelled = WallSeconds();
      Load->Cancel();
      Load->Wait();
      const double Stopped = WallSeconds();
      Log.reset();
      F.Done = Stopped - Cancelled;
      F.Freed = WallSeconds() - Stopped;
      break;
    }
    if (Progress.MoreRows) continue;
    std::unique_lock<std::mutex> Hold(Lock);
    Signal.wait_for(Hold, std::chrono::milliseconds(100), [&] { return Notes > Seen; });
  }
  Load->Wait();
  return true;
}

int LoadInBackground(const char* File, int Runs, double CancelAfter) {
  SetDefaultSettings();
  TBackgroundFigures Best;
  for (int R = 0; R < Runs; ++R) {
    TBackgroundFigures F;
    if (!LoadInBackgroundOnce(File, CancelAfter, F)) {
      std::fprintf(stderr, "load of %s failed\n", File);
      return 1;
    }
    if (R == 0) Best = F;
    Best.Start = std::min(Best.Start, F.Start);
    Best.FirstRows = std::min(Best.FirstRows, F.FirstRows);
    Best.Done = std::min(Best.Done, F.Done);
    Best.LongestTake = std::min(Best.LongestTake, F.LongestTake);
    Best.Freed = std::min(Best.Freed, F.Freed);
  }
  std::printf("%d %lld %.6f %.6f %.6f %lld %.3f %.6f\n", Best.Lines, static_cast<long long>(Best.Bytes), Best.Start,
              Best.FirstRows, Best.Done, static_cast<long long>(PeakMemoryKiB()), Best.LongestTake * 1000, Best.Freed);
  return 0;
}

int Usage() {
  std::string Kinds;
  for (TGeneratedKind K : AllGeneratedKinds) Kinds += std::string(Kinds.empty() ? "" : "|") + GeneratedKindName(K);
  std::fprintf(stderr,
               "usage: skerrin-bench --generate %s MB FILE\n"
               "       skerrin-bench --load FILE [--runs N] [--small-pages]\n"
               "       skerrin-bench --background FILE [--runs N] [--cancel-after MS]\n"
               "       skerrin-bench [--size MB] [--dir DIR] [--kind KIND]... [--runs N] [--keep]   (native)\n",
               Kinds.c_str());
  return 2;
}

int Generate(const char* KindName, const char* Megabytes, const char* File) {
  TGeneratedKind Kind;
  const long long MB = std::atoll(Megabytes);
  if (!GeneratedKindFromName(KindName, Kind) || MB <= 0) return Usage();
  if (GenerateLog(File, Kind, static_cast<int64_t>(MB) << 20)) return 0;
  std::fprintf(stderr, "cannot write %s\n", File);
  return 1;
}

#ifndef _WIN32
int64_t FileSizeOf(const std::string& Path) {
  struct stat St;
  return ::stat(Path.c_str(), &St) == 0 ? static_cast<int64_t>(St.st_size) : -1;
}

TLoadFigures RunLoadChild(const std::string& File) {
  TLoadFigures Result;
  int Pipe[2];
  if (pipe(Pipe) != 0) return Result;
  const pid_t Child = fork();
  if (Child == 0) {
    dup2(Pipe[1], STDOUT_FILENO);
    close(Pipe[0]);
    close(Pipe[1]);
    execl("/proc/self/exe", "skerrin-bench", "--load", File.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(Pipe[1]);
  char Buffer[256] = {};
  size_t Used = 0;
  ssize_t Got;
  while (Used < sizeof(Buffer) - 1 && (Got = read(Pipe[0], Buffer + Used, sizeof(Buffer) - 1 - Used)) > 0)
    Used += static_cast<size_t>(Got);
  close(Pipe[0]);
  int Status = 0;
  waitpid(Child, &Status, 0);
  long long Bytes = 0, Peak = 0;
  if (std::sscanf(Buffer, "%d %lld %lf %lf %lld %d", &Result.Lines, &Bytes, &Result.Seconds, &Result.CpuSeconds, &Peak,
                  &Result.Format) == 6) {
    Result.Bytes = Bytes;
    Result.PeakKiB = Peak;
    Result.Ok = WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
  }
  return Result;
}

// grep exits with 1 when nothing matched; only 2 and up are failures.
double TimeCommand(const std::string& Command) {
  const double Start = WallSeconds();
  const int Status = std::system(Command.c_str());
  if (Status == -1 || !WIFEXITED(Status) || WEXITSTATUS(Status) > 1) return -1;
  return WallSeconds() - Start;
}

double Best(const std::vector<double>& Values) {
  double B = -1;
  for (double V : Values)
    if (V >= 0 && (B < 0 || V < B)) B = V;
  return B;
}

int Table(int argc, char** argv) {
  int64_t SizeMB = 512;
  std::string Dir = "/tmp";
  int Runs = 3;
  bool Keep = false;
  std::vector<TGeneratedKind> Kinds;
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    const bool HasValue = I + 1 < argc;
    if (Arg == "--size" && HasValue) SizeMB = std::atoll(argv[++I]);
    else if (Arg == "--dir" && HasValue) Dir = argv[++I];
    else if (Arg == "--runs" && HasValue) Runs = std::atoi(argv[++I]);
    else if (Arg == "--keep") Keep = true;
    else if (Arg == "--kind" && HasValue) {
      TGeneratedKind Kind;
      if (!GeneratedKindFromName(argv[++I], Kind)) return Usage();
      Kinds.push_back(Kind);
    } else return Usage();
  }
  if (SizeMB <= 0 || Runs <= 0) return Usage();
  if (Kinds.empty()) Kinds.assign(std::begin(AllGeneratedKinds), std::end(AllGeneratedKinds));

  const int64_t Bytes = SizeMB << 20;
  // Wall times are the best of the runs; on a busy machine the processor time of the load is the
  // steadier figure, and ns/line is taken from it.
  std::printf("%-7s %7s %9s %7s %7s %7s %7s %8s %6s %6s %6s %7s %9s\n", "kind", "MB", "lines", "load s", "MB/s",
              "cpu s", "ns/line", "peak MB", "peak/x", "wc s", "grep s", "load/wc", "load/grep");
  for (TGeneratedKind Kind : Kinds) {
    const std::string File =
        Dir + "/skerrin-bench-" + GeneratedKindName(Kind) + "-" + std::to_string(SizeMB) + "mb.log";
    const int64_t Have = FileSizeOf(File);
    if (Have < Bytes || Have > Bytes + 4096) {
      if (!GenerateLog(File, Kind, Bytes)) {
        std::fprintf(stderr, "cannot write %s\n", File.c_str());
        return 1;
      }
    }
    const std::string Scratch = File + ".out";
    const double FileMB = static_cast<double>(FileSizeOf(File)) / (1 << 20);
    TimeCommand("cat '" + File + "' > /dev/null");  // warm the cache

    std::vector<double> LoadTimes, CpuTimes, WcTimes, GrepTimes;
    TLoadFigures Last;
    int64_t PeakKiB = 0;
    for (int R = 0; R < Runs; ++R) {
      Last = RunLoadChild(File);
      if (!Last.Ok) {
        std::fprintf(stderr, "load of %s failed\n", File.c_str());
        return 1;
      }
      LoadTimes.push_back(Last.Seconds);
      CpuTimes.push_back(Last.CpuSeconds);
      if (Last.PeakKiB > PeakKiB) PeakKiB = Last.PeakKiB;
      // Not to /dev/null: GNU grep then stops at the first match.
      WcTimes.push_back(TimeCommand("wc -l '" + File + "' > '" + Scratch + "'"));
      GrepTimes.push_back(TimeCommand("LC_ALL=C grep -c -i error '" + File + "' > '" + Scratch + "'"));
    }
    const double Load = Best(LoadTimes), Cpu = Best(CpuTimes), Wc = Best(WcTimes), Grep = Best(GrepTimes);
    const double PeakMB = static_cast<double>(PeakKiB) / 1024;
    std::printf("%-7s %7.1f %9d %7.3f %7.1f %7.3f %7.1f %8.1f %6.2f %6.3f %6.3f %7.2f %9.2f   (format %d)\n",
                GeneratedKindName(Kind), FileMB, Last.Lines, Load, FileMB / Load, Cpu, Cpu * 1e9 / Last.Lines, PeakMB,
                PeakMB / FileMB, Wc, Grep, Load / Wc, Load / Grep, Last.Format);
    std::fflush(stdout);
    std::remove(Scratch.c_str());
    if (!Keep) std::remove(File.c_str());
  }
  return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--generate") == 0) return Generate(argv[2], argv[3], argv[4]);
  if (argc >= 3 && std::strcmp(argv[1], "--load") == 0) {
    int Runs = 1;
    for (int I = 3; I < argc; ++I) {
      if (std::strcmp(argv[I], "--runs") == 0 && I + 1 < argc) Runs = std::atoi(argv[++I]);
      else if (std::strcmp(argv[I], "--small-pages") == 0) AllowLargeBuffers(false);
      else return Usage();
    }
    return Runs > 0 ? LoadInProcess(argv[2], Runs) : Usage();
  }
  if (argc >= 3 && std::strcmp(argv[1], "--background") == 0) {
    int Runs = 1;
    double CancelAfter = -1;
    for (int I = 3; I < argc; ++I) {
      if (std::strcmp(argv[I], "--runs") == 0 && I + 1 < argc) Runs = std::atoi(argv[++I]);
      else if (std::strcmp(argv[I], "--cancel-after") == 0 && I + 1 < argc) CancelAfter = std::atof(argv[++I]);
      else return Usage();
    }
    return Runs > 0 ? LoadInBackground(argv[2], Runs, CancelAfter) : Usage();
  }
#ifndef _WIN32
  return Table(argc, argv);
#else
  return Usage();
#endif
}
