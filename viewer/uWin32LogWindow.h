#pragma once
// The viewer window that the plug-in places inside the host's lister window: its classes, its
// creation, the dispatch of its messages to the features, and its teardown.

#include <windows.h>

#include <string>

#include "settings/uSettings.h"
#include "viewer/uSkerrinState.h"

bool RegisterViewerClasses();
// The viewer window for a file inside Parent, showing and changing Settings; null on failure.
HWND CreateSkerrinWindow(HWND Parent, const std::string& FileName, int ShowFlags, TAppSettings& Settings);

LRESULT CALLBACK ViewerWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

// The options dialog belongs to a layer above the viewer, so the plug-in hands it in at
// start-up. It runs modally over Owner, starting from Current, and returns true when the user
// confirmed; on OK it hands the confirmed settings to Take.
using TOptionsDialog = bool (*)(HWND Owner, const TAppSettings& Current, TLogFormat DetectedFormat, THostDark HostDark,
                                const TTakeSettings& Take);
void SetOptionsDialog(TOptionsDialog Show);
