#pragma once
// The options dialog's light or dark look: the decision (the "Appearance:" choice previewed
// live), its palette and brushes, the platform's dark frame and control parts where the
// system has them, the colours it answers for the controls, and the controls it draws itself.

#include <windows.h>

#include "options/uOptionsState.h"

bool DialogIsDark(const TOptionsState& S);
COLORREF DialogBackColor(const TOptionsState& S);
COLORREF DialogTextColor(const TOptionsState& S);
COLORREF FieldBackColor(const TOptionsState& S);
COLORREF FieldTextColor(const TOptionsState& S);

// Decides the look anew, renews the brushes, asks the system for the matching frame and
// control parts, and repaints the whole dialog at once.
void ApplyDialogTheme(TOptionsState& S);
// The dialog's answer to a WM_CTLCOLOR... message; false for the default handling.
bool AnswerControlColor(const TOptionsState& S, UINT Msg, HDC DC, LRESULT& Brush);
// The background of the dialog (Page false) or of one of its pages.
void EraseOptionsBackground(const TOptionsState& S, HWND Window, HDC DC, bool Page);
// Lets the tab control paint the strip beside its tabs in the dark look.
void InstallTabSubclass(TOptionsState& S);

// One owner-drawn item of the dialog, drawn as the kind its control was made as; false for a
// control the dialog does not draw.
bool DrawOptionItem(const TOptionsState& S, const DRAWITEMSTRUCT& Item);
