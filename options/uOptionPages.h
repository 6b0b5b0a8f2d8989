#pragma once
// The tab pages of the options dialog: their controls, filling them from the working copy of
// the settings and reading them back, and the View, Format and Tail pages' own behaviour.

#include <windows.h>

#include "options/uOptionsState.h"
#include "settings/uSettingsEdit.h"

// The tab control, its five pages and every control on them, placed for S.Dpi.
void CreateOptionPages(TOptionsState& S);
// The status line and the two buttons below the pages.
void CreateDialogButtons(TOptionsState& S);
// Every created control back to its place at the current DPI.
void PlaceOptionControls(TOptionsState& S);
void LayoutOptionPages(TOptionsState& S);
void ShowOptionsPage(TOptionsState& S, int Index);

void LoadOptionControls(TOptionsState& S);
// What the controls hold, for the commit.
TOptionControlValues ReadOptionControls(const TOptionsState& S);

void UpdateFormatPage(TOptionsState& S);
void FillFontList(TOptionsState& S);
void UpdateFontPreview(TOptionsState& S);

// A command from a control of the View, Format or Tail page; false when it is not theirs.
bool HandlePageCommand(TOptionsState& S, int Id, int Notification, HWND Control);
