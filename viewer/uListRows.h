#pragma once
// The row operations every viewer feature uses, written once for either list control (the
// listbox, or the wrap view while word wrap is on): handing it the row count and metrics, the
// current row, selecting, centring and scrolling, hit tests and clicks.

#include <windows.h>

#include <cstdint>
#include <vector>

#include "viewer/uSkerrinState.h"

// Hands the new row count to the list control, keeping its caret on a row.
void RefreshListCount(TSkerrinState& S);
// RowHeight and CharWidth from the line font, and what the list control derives from them.
void UpdateRowMetrics(TSkerrinState& S);

int32_t CurrentRow(const TSkerrinState& S);
void SelectRow(TSkerrinState& S, int32_t Row, bool ScrollToTop, bool Redraw, bool TakeFocus);
void CentreRow(TSkerrinState& S, int32_t Row);
int32_t GetTopRow(const TSkerrinState& S);
void SetTopRow(TSkerrinState& S, int32_t Row);
// Moves the selection one row up (-1) or down (+1) without taking the focus.
void StepSelection(TSkerrinState& S, int Delta);
// The selected rows in row order.
std::vector<int32_t> SelectedRows(const TSkerrinState& S);
void SelectAll(TSkerrinState& S);
int32_t HitTestRow(TSkerrinState& S, int Y);
// A left-button press or double-click in the list; the row clicked, or -1 for none.
int32_t ClickRow(TSkerrinState& S, int X, int Y, bool Shift, bool Ctrl);
