#pragma once
// Colour and rule editing in the options dialog: the View page's two colours, the light and
// dark schemes on the Colors page, and the colour rules on the Color Rules page. Every edit
// changes the dialog's working copy at once; OK carries it over.

#include <windows.h>

#include <optional>

#include "options/uOptionsState.h"

// The platform's colour chooser over the dialog, starting at Initial; nothing when cancelled.
std::optional<TColor> PickColor(HWND Owner, TColor Initial);

void CreateColorsPage(TOptionsState& S, HWND Page);
void CreateColorRulesPage(TOptionsState& S, HWND Page);

// The View page's colour buttons and swatches.
void RefreshViewColors(TOptionsState& S);
void RefreshColorsPage(TOptionsState& S);
void RefreshRuleList(TOptionsState& S);
void LoadRuleEditor(TOptionsState& S, int Index);
std::optional<TColorStringRule> ReadRuleEditor(const TOptionsState& S);
void RefreshRuleEditor(TOptionsState& S);
// The colour controls of all three pages from the working copy, as the dialog opens.
void LoadColorControls(TOptionsState& S);

// A command from a colour or rule control; false when it is not one of theirs.
bool HandleColorCommand(TOptionsState& S, int Id, int Notification);
