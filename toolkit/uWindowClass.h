#pragma once
// The plug-in's own module and the window classes it registers there.

#include <windows.h>

// The module of the plug-in itself (not the host program).
HINSTANCE PluginInstance();
// Registers a window class of the plug-in, replacing one left by an earlier load of the library.
bool RegisterPluginClass(const wchar_t* Name, WNDPROC Procedure, UINT Style, HBRUSH Background);
