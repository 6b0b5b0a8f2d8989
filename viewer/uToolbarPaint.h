#pragma once
// Drawing of the toolbar strip and of its owner-drawn and self-painted controls, in the light
// and the dark look.

#include <windows.h>

#include "viewer/uSkerrinState.h"

// The strip behind the toolbar, from the top of the viewer window to ToolbarHeight.
void PaintToolbarStrip(TSkerrinState& S, HDC DC);
void DrawToolbarButton(TSkerrinState& S, const DRAWITEMSTRUCT& Item);
void DrawFormatItem(TSkerrinState& S, const DRAWITEMSTRUCT& Item);
// The light look's check box, painted over the platform's.
void PaintCheckBox(TSkerrinState& S, HWND Box);
void PaintUpDownDark(TSkerrinState& S, HWND UpDown);
// The light look's frame of an edit box, and of the format box with its drop button.
void PaintEditFrame(TSkerrinState& S, HWND Control, bool WithDropButton);
// The brush and colours of the format box's field and of its dropped list in the dark look,
// where they show around and below the items it draws; null in the light look and for other
// controls.
HBRUSH FormatBoxColors(TSkerrinState& S, HWND Control, HDC DC);
