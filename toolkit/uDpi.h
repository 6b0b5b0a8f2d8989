#pragma once
// Screen density: a window's DPI and lengths scaled to it.

#include <windows.h>

// The window's DPI, else the screen's; 0 when neither can be read.
int DeviceDpi(HWND Window);
// Rounded Value * Numerator / Denominator, as the platform's MulDiv.
int ScaleBy(int Value, int Numerator, int Denominator);
