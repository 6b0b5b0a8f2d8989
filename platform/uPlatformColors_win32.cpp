#include "platform/uPlatformColors.h"

#include <windows.h>

int32_t SystemWindowColor() { return static_cast<int32_t>(GetSysColor(COLOR_WINDOW)); }
int32_t SystemWindowTextColor() { return static_cast<int32_t>(GetSysColor(COLOR_WINDOWTEXT)); }
int32_t SystemButtonFaceColor() { return static_cast<int32_t>(GetSysColor(COLOR_BTNFACE)); }
