#pragma once
// The viewers of the process, in one registry: a viewer is in it from its creation to its
// teardown. Synchronisation by time and the options dialog's OK reach the other viewers
// through it. Each copy of the plug-in has its own registry, as it has its own settings.

#include <windows.h>

#include <vector>

// Under the registry's lock. Registering also forgets windows that no longer exist;
// unregistering forgets the window and those too.
void RegisterViewer(HWND Window);
void UnregisterViewer(HWND Window);
// A copy of the registry as it stands; the lock is not held while the caller uses it.
std::vector<HWND> RegisteredViewers();
