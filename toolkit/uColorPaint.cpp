#include "toolkit/uColorPaint.h"

#include "toolkit/uWinHolders.h"

void FillRectColor(HDC DC, const RECT& R, COLORREF Color) {
  TBrushHolder Brush(CreateSolidBrush(Color));
  FillRect(DC, &R, Brush.Get());
}

void FrameRectColor(HDC DC, const RECT& R, COLORREF Color) {
  TBrushHolder Brush(CreateSolidBrush(Color));
  FrameRect(DC, &R, Brush.Get());
}

void PolylineColor(HDC DC, COLORREF Color, int Width, const POINT* Points, int Count) {
  TPenHolder Pen(CreatePen(PS_SOLID, Width, Color));
  TSelectScope Select(DC, Pen.Get());
  Polyline(DC, Points, Count);
}
