// skerrin-bench: generates logs of a chosen size and measures the loader on them, side by side
// with wc -l and grep on the same (cached) file.
//
//   skerrin-bench [--size MB] [--dir DIR] [--kind log4j|access|syslog|json]... [--runs N] [--keep]
//   skerrin-bench --load-child FILE     one load in this process; prints seconds, peak KiB, lines
//
// Each load runs in a freshly executed child so that its peak resident memory is its own.

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "loader/uLogLoader.h"
#include "settings/uSettings.h"
#include "uLogGenerator.h"

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

int64_t FileSizeOf(const std::string& Path) {
  struct stat St;
  return ::stat(Path.c_str(), &St) == 0 ? static_cast<int64_t>(St.st_size) : -1;
}

int LoadChild(const char* File) {
  SetDefaultSettings();
  TLoadedLog Log;
  const double Start = Now();
  const bool Ok = Log.Load(File, AppSettings);
  const double Seconds = Now() - Start;
  struct rusage Usage;
  getrusage(RUSAGE_SELF, &Usage);
  const double Cpu = static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
                     static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
  std::printf("%d %.6f %.6f %ld %d %d\n", Ok ? 1 : 0, Seconds, Cpu, Usage.ru_maxrss, Log.List.Count,
              static_cast<int>(Log.Format));
  return Ok ? 0 : 1;
}

struct TLoadResult {
  bool Ok = false;
  double Seconds = 0;
  double CpuSeconds = 0;  // user + system time of the whole child, start-up included
  long PeakKiB = 0;
  int Lines = 0;
  int Format = 0;
};

TLoadResult RunLoadChild(const std::string& File) {
  TLoadResult Result;
  int Pipe[2];
  if (pipe(Pipe) != 0) return Result;
  const pid_t Child = fork();
  if (Child == 0) {
    dup2(Pipe[1], STDOUT_FILENO);
    close(Pipe[0]);
    close(Pipe[1]);
    execl("/proc/self/exe", "skerrin-bench", "--load-child", File.c_str(), static_cast<char*>(nullptr));
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
  int Ok = 0;
  if (std::sscanf(Buffer, "%d %lf %lf %ld %d %d", &Ok, &Result.Seconds, &Result.CpuSeconds, &Result.PeakKiB,
                  &Result.Lines, &Result.Format) == 6)
    Result.Ok = Ok == 1 && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
  return Result;
}

// grep exits with 1 when nothing matched; only 2 and up are failures.
double TimeCommand(const std::string& Command) {
  const double Start = Now();
  const int Status = std::system(Command.c_str());
  if (Status == -1 || !WIFEXITED(Status) || WEXITSTATUS(Status) > 1) return -1;
  return Now() - Start;
}

double Best(const std::vector<double>& Values) {
  double B = -1;
  for (double V : Values)
    if (V >= 0 && (B < 0 || V < B)) B = V;
  return B;
}

int Usage() {
  std::fputs("usage: skerrin-bench [--size MB] [--dir DIR] [--kind log4j|access|syslog|json]... [--runs N] [--keep]\n",
             stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--load-child") == 0) return LoadChild(argv[2]);

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
  if (Kinds.empty())
    Kinds = {TGeneratedKind::Log4j, TGeneratedKind::Access, TGeneratedKind::Syslog, TGeneratedKind::Json};

  const int64_t Bytes = SizeMB << 20;
  // Wall times are the best of the runs; on a busy machine the CPU time of the loading child
  // (user + system, start-up included) is the steadier figure.
  std::printf("%-7s %7s %9s %7s %7s %7s %8s %6s %6s %6s %7s %9s\n", "kind", "MB", "lines", "load s", "MB/s",
              "cpu s", "peak MB", "peak/x", "wc s", "grep s", "load/wc", "load/grep");
  for (TGeneratedKind Kind : Kinds) {
    const std::string File = Dir + "/skerrin-bench-" + GeneratedKindName(Kind) + "-" + std::to_string(SizeMB) + "mb.log";
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
    TLoadResult Last;
    long PeakKiB = 0;
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
    std::printf("%-7s %7.1f %9d %7.3f %7.1f %7.3f %8.1f %6.2f %6.3f %6.3f %7.2f %9.2f   (format %d)\n",
                GeneratedKindName(Kind), FileMB, Last.Lines, Load, FileMB / Load, Cpu, PeakMB, PeakMB / FileMB, Wc,
                Grep, Load / Wc, Load / Grep, Last.Format);
    std::fflush(stdout);
    std::remove(Scratch.c_str());
    if (!Keep) std::remove(File.c_str());
  }
  return 0;
}
