#pragma once
// What the viewer knows about the host's windows: whether it sits in a lister window of its
// own, the host's top-level window, and the host's status bar.

#include <windows.h>

// Host show flags read by the viewer. The host's ANSI/ASCII switch: lines that are not UTF-8 are
// in the ANSI or in the OEM (DOS) code page.
constexpr int lcp_ansi = 4;
constexpr int lcp_ascii = 8;
constexpr int lcp_forceshow = 16;
constexpr int lcp_darkmode = 128;
constexpr int lcp_darkmodenative = 256;

// True for a separate lister window, false for the quick-view panel.
bool IsListerWindow(HWND Parent, int ShowFlags);
// The top-level ancestor of Parent (Parent itself when it has none); null for no parent.
HWND HostRootWindow(HWND Parent);
// The host's status bar: its height in pixels (0 when none) and the window.
int FindHostStatusBar(HWND& Found);
