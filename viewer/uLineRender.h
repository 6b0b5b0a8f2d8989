#pragma once
// Drawing of the visible rows: the line font, the colour of each row, the line-number gutter,
// single-line and wrapped text, the heights of wrapped rows, and the page layout that painting
// and hit tests share.

#include <windows.h>

#include <string>

#include "viewer/uSkerrinState.h"
#include "toolkit/uWinHolders.h"

// Matches stand out on every level's colour (yellow, orange and pink rows among them), on the
// selection's blue and on the dark look's rows: black text on green for the filter's text, on
// sky blue for the last search.
constexpr TColor FilterMatchBack = 0x64E664;  // RGB(100, 230, 100)
constexpr TColor SearchMatchBack = 0xFFBE00;  // RGB(0, 190, 255)
constexpr TColor MatchText = 0x000000;

void CreateLineFont(TSkerrinState& S);
int LineNumberDigits(const TSkerrinState& S);
// Line number right-aligned in Digits characters.
std::wstring PaddedLineNumber(int32_t LineNumber, int Digits);
void RowColors(TSkerrinState& S, int32_t Row, TLogLevel& Level, TColor& Background, TColor& Foreground);
// Draws one row into Item's rectangle, on one line or Wrapped; Brushes serve the whole paint.
void DrawRow(TSkerrinState& S, const DRAWITEMSTRUCT& Item, TBrushCache& Brushes, bool Wrapped);
// Paints the list control's page, double-buffered: each row as the control lays it out.
void PaintRows(TSkerrinState& S, HWND List, HDC DC, bool Wrapped);
// The height of an entry's row wrapped into a client Width: at least one RowHeight, which is
// also the height of a line that is empty or blank.
int MeasureWrappedRow(TSkerrinState& S, int32_t Entry, int Width);

// The first row painted and the y of its top edge, for painting and hit tests alike.
struct TPageLayout {
  int32_t FirstRow;
  int FirstY;
};
TPageLayout ComputePageLayout(TSkerrinState& S, int ClientHeight);
