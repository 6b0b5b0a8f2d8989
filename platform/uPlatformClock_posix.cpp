#include "platform/uPlatformClock.h"

#include <ctime>

int CurrentLocalYear() {
  const std::time_t Now = std::time(nullptr);
  std::tm Local{};
  if (!localtime_r(&Now, &Local)) return 1970;
  return Local.tm_year + 1900;
}
