#pragma once
// Copying rows of the view to the clipboard as Unicode text, lines separated by CR LF.

#include <windows.h>

#include <string_view>

#include "viewer/uSkerrinState.h"

// The selected rows, each followed by CR LF; with none selected the current row alone.
bool CopySelection(TSkerrinState& S);
// Every visible row, each followed by CR LF.
bool CopyAllVisible(TSkerrinState& S);
bool SetClipboardText(HWND Owner, std::u16string_view Text);
