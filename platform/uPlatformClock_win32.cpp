#include "platform/uPlatformClock.h"

#include <windows.h>

int CurrentLocalYear() {
  SYSTEMTIME Local;
  GetLocalTime(&Local);
  return Local.wYear;
}

// A read of the tick count the system keeps in memory shared with every process.
uint32_t MonotonicMilliseconds() { return GetTickCount(); }
