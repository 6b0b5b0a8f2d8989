#pragma once
// A minidump beside the plug-in ("<library path>_crash.dmp") when an exception is handled
// nowhere in the host process.

#include <windows.h>

// Makes CrashFilter the process's unhandled-exception filter, remembering the one before.
void InstallCrashFilter();
// Puts the remembered filter back, but only while CrashFilter is still the one installed, so a
// filter installed after ours is not thrown away. Must run before the library is unloaded.
void RemoveCrashFilter();
// Writes the dump and lets the normal handling go on (continue the search).
LONG WINAPI CrashFilter(EXCEPTION_POINTERS* ExceptionInfo);
// Silent on every failure: no debug-help library, no dump function, path too long, no file.
void WriteCrashDump(EXCEPTION_POINTERS* ExceptionInfo);
