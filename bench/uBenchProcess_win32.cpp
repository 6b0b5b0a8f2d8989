#include "uBenchProcess.h"

#include <windows.h>
#include <psapi.h>

double WallSeconds() {
  LARGE_INTEGER Frequency, Now;
  QueryPerformanceFrequency(&Frequency);
  QueryPerformanceCounter(&Now);
  return static_cast<double>(Now.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

double CpuSeconds() {
  FILETIME Created, Exited, Kernel, User;
  if (!GetProcessTimes(GetCurrentProcess(), &Created, &Exited, &Kernel, &User)) return 0;
  const auto Seconds = [](const FILETIME& T) {
    return static_cast<double>((static_cast<uint64_t>(T.dwHighDateTime) << 32) | T.dwLowDateTime) / 1e7;
  };
  return Seconds(Kernel) + Seconds(User);
}

int64_t PeakMemoryKiB() {
  PROCESS_MEMORY_COUNTERS Counters{};
  Counters.cb = sizeof(Counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &Counters, sizeof(Counters))) return 0;
  return static_cast<int64_t>(Counters.PeakWorkingSetSize / 1024);
}
