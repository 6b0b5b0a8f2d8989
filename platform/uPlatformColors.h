#pragma once
// The system's colours as 0x00BBGGRR values. Natively: the usual light Windows colours.

#include <cstdint>

int32_t SystemWindowColor();
int32_t SystemWindowTextColor();
int32_t SystemButtonFaceColor();
