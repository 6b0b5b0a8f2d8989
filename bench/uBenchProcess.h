#pragma once
// What the benchmarks measure about their own process, the same way in both builds.

#include <cstdint>

// A monotonic clock in seconds.
double WallSeconds();
// User plus system time of this process so far. On a shared machine it is steadier than wall
// time, which also counts the time other processes had the processor.
double CpuSeconds();
// The most memory this process has had resident (working set), in KiB.
int64_t PeakMemoryKiB();
