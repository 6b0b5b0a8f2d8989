#pragma once
// The frame's lengths: given at 96 DPI and scaled to the viewer's DPI, the status bar's height
// next to the host's, and the rows the list shows at once.

#include <cstdint>

#include "viewer/uSkerrinState.h"

// At 96 DPI.
constexpr int ToolbarStripHeight = 34;
constexpr int StatusMinHeight = 18;
constexpr int StatusMaxHeight = 80;
constexpr int StatusDefaultHeight = 22;  // when the host's status bar is not found or is odd
constexpr int StatusBelowHostBar = 2;    // ours sits this much lower than the host's
constexpr int StatusTextPadding = 8;     // room around the line font in our own bar
// Unscaled: the counters' part of the status bar, and the least width of the summary's part.
constexpr int StatusCountersWidth = 495;
constexpr int StatusSummaryMinWidth = 220;

// Value at 96 DPI scaled to the viewer's DPI, rounded to nearest.
int ScaleToDpi(const TSkerrinState& S, int Value);
// A status bar height kept within its scaled limits.
int ClampStatusHeight(const TSkerrinState& S, int Height);
// Status bar height for a host status bar of HostHeight pixels (0: none found), at the viewer's DPI.
int HostStatusHeightFor(const TSkerrinState& S, int HostHeight);
// Status bar parts: the first ends here for a client width (unscaled values).
int StatusFirstPartEnd(int ClientWidth);
// Dpi, ToolbarHeight, HostStatusHeight and StatusHeight for the viewer window's screen.
void UpdateDpiMetrics(TSkerrinState& S);
// Whole rows of RowHeight that the list control shows; at least 1.
int32_t RowsPerPage(const TSkerrinState& S);
