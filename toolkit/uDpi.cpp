#include "toolkit/uDpi.h"

int DeviceDpi(HWND Window) {
  int Dpi = 0;
  if (HDC DC = GetDC(Window)) {
    Dpi = GetDeviceCaps(DC, LOGPIXELSX);
    ReleaseDC(Window, DC);
  }
  if (Dpi <= 0) {
    if (HDC Screen = GetDC(nullptr)) {
      Dpi = GetDeviceCaps(Screen, LOGPIXELSX);
      ReleaseDC(nullptr, Screen);
    }
  }
  return Dpi;
}

int ScaleBy(int Value, int Numerator, int Denominator) { return MulDiv(Value, Numerator, Denominator); }
