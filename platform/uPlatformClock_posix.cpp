#include "platform/uPlatformClock.h"

#include <ctime>

int CurrentLocalYear() {
  const std::time_t Now = std::time(nullptr);
  std::tm Local{};
  if (!localtime_r(&Now, &Local)) return 1970;
  return Local.tm_year + 1900;
}

uint32_t MonotonicMilliseconds() {
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &Now);
  return static_cast<uint32_t>(static_cast<uint64_t>(Now.tv_sec) * 1000 + static_cast<uint64_t>(Now.tv_nsec) / 1000000);
}
