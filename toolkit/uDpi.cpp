#include "toolkit/uDpi.h"

#include "toolkit/uWinHolders.h"

namespace {
int DpiOf(HWND Window) {
  const TWindowDC DC(Window);
  return DC.Get() ? GetDeviceCaps(DC.Get(), LOGPIXELSX) : 0;
}
}  // namespace

int DeviceDpi(HWND Window) {
  int Dpi = DpiOf(Window);
  if (Dpi <= 0 && Window) Dpi = DpiOf(nullptr);
  return Dpi > 0 ? Dpi : 96;
}

int ScaleBy(int Value, int Numerator, int Denominator) { return MulDiv(Value, Numerator, Denominator); }
