#pragma once
// Drawing steps in one colour, each with a brush or pen of its own for the call, and the
// colours of the controls that the viewer's toolbar and the options dialog draw alike.

#include <windows.h>

// The light look's controls, as the platform's own buttons and check boxes show them.
constexpr COLORREF ControlAccent = RGB(0, 120, 215);
constexpr COLORREF PressedFill = RGB(204, 228, 247);
constexpr COLORREF PressedBorder = RGB(0, 84, 153);
constexpr COLORREF HotFill = RGB(229, 241, 251);
constexpr COLORREF LightButtonBorder = RGB(173, 173, 173);
constexpr COLORREF DisabledBorder = RGB(200, 200, 200);
constexpr COLORREF UncheckedBorder = RGB(118, 118, 118);
// The dark look's input fields and selected list items, and the edges that raise a control.
constexpr COLORREF DarkField = RGB(42, 42, 42);
constexpr COLORREF DarkSelectedItem = RGB(72, 72, 72);
constexpr COLORREF DarkLightEdge = RGB(96, 96, 96);
constexpr COLORREF DarkShadowEdge = RGB(18, 18, 18);
// A check box's square at 96 DPI.
constexpr int CheckSquare = 13;

void FillRectColor(HDC DC, const RECT& R, COLORREF Color);
void FrameRectColor(HDC DC, const RECT& R, COLORREF Color);
void PolylineColor(HDC DC, COLORREF Color, int Width, const POINT* Points, int Count);
