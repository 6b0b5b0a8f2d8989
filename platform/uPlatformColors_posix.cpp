#include "platform/uPlatformColors.h"

int32_t SystemWindowColor() { return 0xFFFFFF; }
int32_t SystemWindowTextColor() { return 0x000000; }
int32_t SystemButtonFaceColor() { return 0xF0F0F0; }
