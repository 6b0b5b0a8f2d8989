#pragma once
// What the host asks of a viewer that already shows a file: copy, new display flags, select
// all and go to a percentage, text search with the host's own dialog, and the search dialog
// request, which repeats the last search since the viewer has no dialog of its own.

#include <cstdint>
#include <string>

#include "viewer/uSkerrinState.h"

// The host's command numbers.
constexpr int32_t lc_copy = 1;
constexpr int32_t lc_newparams = 2;
constexpr int32_t lc_selectall = 3;
constexpr int32_t lc_setpercent = 4;

// False when the viewer has no list control, or the copy did not reach the clipboard.
// Unknown commands do nothing and succeed.
bool HostCommand(TSkerrinState& S, int32_t Command, int32_t Parameter);
// Searches for Text (UTF-8) with the host's search flags, or for the last text when Text is
// empty, and remembers text and flags for the repeats. True when a row was found and selected.
bool HostSearchText(TSkerrinState& S, const std::string& Text, int32_t Flags);
// The last search again from the current row: downwards with FindNext, else upwards. False
// when there was no search yet (the host then shows its own dialog) or nothing more is found.
bool HostSearchDialog(TSkerrinState& S, bool FindNext);
