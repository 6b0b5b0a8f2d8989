#pragma once
// A modal window of the plug-in (the options dialog, the viewer's prompts): its owner waits,
// disabled, while the window's own message loop runs, and is itself again afterwards.

#include <windows.h>

#include <optional>

#include "platform/uNoCopy.h"

// Disables Owner (when it is enabled) for the scope's life. Afterwards Owner is enabled again,
// its top-level window is activated and, with ReturnFocus, the keyboard focus goes back to where
// it was inside that window. A null Owner waits for nothing.
class TModalOwner : TNoCopy {
 public:
  TModalOwner(HWND Owner, bool ReturnFocus);
  ~TModalOwner();

 private:
  HWND Owner;
  bool WasEnabled;
  HWND Focus;
};

// Runs the thread's messages until Dialog is destroyed, giving the dialog keys (Tab, Enter,
// Esc) to Dialog first. A quit request ends the loop early with its exit code, which belongs to
// the loop outside: the caller posts it again once its window is gone.
std::optional<int> RunModalLoop(HWND Dialog);
