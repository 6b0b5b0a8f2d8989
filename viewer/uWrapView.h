#pragma once
// Selection and scrolling in the two list controls: the owner-drawn listbox (word wrap off)
// and the viewer's own wrap view (word wrap on).

#include <windows.h>

#include "viewer/uSkerrinState.h"

void EnsureSelectionCapacity(TSkerrinState& S, int32_t N);
void ClearSelection(TSkerrinState& S);
bool IsRowSelected(const TSkerrinState& S, int32_t Row);
void SetRowSelected(TSkerrinState& S, int32_t Row, bool Selected);
void SetWrapTop(TSkerrinState& S, int32_t Row);
void EnsureRowVisible(TSkerrinState& S, int32_t Row);
void UpdateWrapScrollBar(TSkerrinState& S);
void RefreshListCount(TSkerrinState& S);
void SelectAll(TSkerrinState& S);
int32_t HitTestRow(TSkerrinState& S, int Y);
void ClickRow(TSkerrinState& S, int X, int Y, bool Shift, bool Ctrl);
void WrapKey(TSkerrinState& S, UINT Key);
void ListboxPageKey(TSkerrinState& S, UINT Key);
int32_t WrapPageSize(const TSkerrinState& S);

LRESULT CALLBACK WrapViewProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
// Subclass procedure of the listbox (and, through the same routing, of the wrap view).
LRESULT CALLBACK ListProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
