#include "platform/uPlatformClock.h"

#include <windows.h>

int CurrentLocalYear() {
  SYSTEMTIME Local;
  GetLocalTime(&Local);
  return Local.wYear;
}
