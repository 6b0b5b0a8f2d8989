#pragma once
// Drawing of the visible rows: the line font and its metrics, the colour of each row, the
// line-number gutter, single-line and wrapped text, and the heights of wrapped rows.

#include <windows.h>

#include <string>

#include "viewer/uSkerrinState.h"

void CreateLineFont(TSkerrinState& S);
void UpdateRowMetrics(TSkerrinState& S);
int LineNumberDigits(const TSkerrinState& S);
// Line number right-aligned in Digits characters.
std::wstring PaddedLineNumber(int32_t LineNumber, int Digits);
void RowColors(TSkerrinState& S, int32_t Row, TLogLevel& Level, TColor& Background, TColor& Foreground);
void DrawRow(TSkerrinState& S, const DRAWITEMSTRUCT& Item);
void PaintListbox(TSkerrinState& S, HWND List, HDC DC);
void PaintWrapView(TSkerrinState& S, HWND View, HDC DC);
int MeasureRow(TSkerrinState& S, int32_t Row);
void InvalidateRowHeights(TSkerrinState& S);
void SetHostTheme(TSkerrinState& S, bool Dark, bool Native);
void RefreshTheme(TSkerrinState& S);

// The first row painted and the y of its top edge, for painting and hit tests alike.
struct TPageLayout {
  int32_t FirstRow;
  int FirstY;
};
TPageLayout ComputePageLayout(TSkerrinState& S, int ClientHeight);
