#pragma once
// The options dialog: a modal window over the viewer that opened it, with the pages View,
// Colors, Color Rules, Format and Tail, editing a working copy of the settings that its opener
// takes over only when the user confirms.

#include <windows.h>

#include "model/uLogTypes.h"
#include "options/uOptionsState.h"

// Runs the dialog for Parent (the viewer window), starting from Current, the settings in force,
// and returns true when the user confirmed with OK, which hands the confirmed settings to Take;
// a failure to store them is reported over the dialog. HostDark is the host's mode as the
// opener has it, which the dialog follows in the automatic look.
bool ShowOptionsDialog(HWND Parent, const TAppSettings& Current, TLogFormat DetectedFormat, THostDark HostDark,
                       const TTakeSettings& Take);

// Reads the controls into the working copy.
void CommitOptions(TOptionsState& S);
