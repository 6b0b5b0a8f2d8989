#pragma once
// The options dialog: a modal window over the viewer that opened it, with the pages View,
// Colors, Color Rules, Format and Tail, editing a working copy of the settings that becomes the
// process's settings, and is saved, only when the user confirms.

#include <windows.h>

#include "model/uLogTypes.h"
#include "options/uOptionsState.h"

// Runs the dialog for Parent (the viewer window) and returns true when the user confirmed with
// OK; the settings are then the process's and saved. HostKnown and HostDark are the opener's
// own light/dark decision, which the dialog follows in the automatic mode.
bool ShowOptionsDialog(HWND Parent, TLogFormat DetectedFormat, bool HostKnown, bool HostDark);

// Reads the controls into the working copy and makes it the process's settings.
void CommitOptions(TOptionsState& S);
