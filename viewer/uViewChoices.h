#pragma once
// What the user chooses about the lines on show besides the filter text: the levels shown (the
// Show menu, a click on a level's counter) and the code page of lines that are not UTF-8 (the
// Encoding menu, the host's ANSI/ASCII switch). Each change builds the rows again and keeps the
// selected lines and the first line on screen where they are still shown.

#include <cstdint>

#include "model/uLogTypes.h"
#include "viewer/uSkerrinState.h"

void ToggleShownLevel(TSkerrinState& S, TLogLevel Level);
// A click on a level's counter: that level alone, or every level when it was alone already.
void ShowOnlyLevel(TSkerrinState& S, TLogLevel Level);
// A choice of the Encoding menu (an index of EncodingChoices).
void ChooseEncoding(TSkerrinState& S, int32_t Choice);
// New show flags from the host: its dark mode and its ANSI/ASCII switch take effect at once.
void ApplyHostShowFlags(TSkerrinState& S, int32_t Flags);

// The menu commands of the two submenus; false for any other command.
bool ViewChoiceCommand(TSkerrinState& S, int Id);
