#pragma once
// Moving the selection to a particular row of the view: the level jumps of the toolbar, the
// host's text search and its repeat key, go to line and go to date/time. Every jump switches
// following off; a search does not.

#include <cstdint>
#include <string_view>

#include "model/uLogTypes.h"
#include "viewer/uSkerrinState.h"

// Following off and the Follow box cleared; the Follow setting stays as it is.
void SwitchFollowOff(TSkerrinState& S);

// The previous or next row of Level (by its effective level) is selected and centred.
void SelectLevelJump(TSkerrinState& S, bool Forward, TLogLevel Level);
// Toolbar commands 1101..1106: previous/next error, warning, info. False for other commands.
bool LevelJumpForCommand(int32_t Command, bool& Forward, TLogLevel& Level);
// Toolbar commands 1101..1106; false for any other command.
bool JumpToLevelCommand(TSkerrinState& S, int Command);
// True when a row was found and selected.
bool SelectSearchMatch(TSkerrinState& S, std::string_view Text, bool MatchCase, bool WholeWords, bool Backwards,
                       bool FindNext);
// The list's repeat key: the last search again, continuing from the current row. False when
// there is no search to repeat or nothing more is found.
bool RepeatLastSearch(TSkerrinState& S, bool Backwards);
// Selects the first visible row whose line number is Number or more.
void SelectLineNumber(TSkerrinState& S, int32_t Number);
// Context menu "Go to line": asks for the number first.
void PromptGoToLine(TSkerrinState& S);
// Context menu "Go to date/time": asks for the date and time first.
void PromptGoToDateTime(TSkerrinState& S);
