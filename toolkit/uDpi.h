#pragma once
// Screen density: a window's DPI and lengths scaled to it.

#include <windows.h>

// The DPI of the window's screen (of the screen's when the window is null or its DC cannot be
// had); 96 when neither can be read.
int DeviceDpi(HWND Window);
// Rounded Value * Numerator / Denominator, as the platform's MulDiv.
int ScaleBy(int Value, int Numerator, int Denominator);
