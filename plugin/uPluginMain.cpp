// Library load and unload. Kept small: the loader lock is held here.

#include <windows.h>

#include "options/uPluginOptions.h"
#include "plugin/uCrashDump.h"
#include "settings/uSettings.h"
#include "viewer/uWin32LogWindow.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD Reason, LPVOID) {
  switch (Reason) {
    case DLL_PROCESS_ATTACH:
      InstallCrashFilter();
      SetOptionsDialog(ShowOptionsDialog);
      try {
        SetDefaultSettings();
      } catch (...) {
        // Out of memory this early: the record keeps its plain defaults.
      }
      break;
    case DLL_PROCESS_DETACH:
      // The filter must not point into a library that is about to be unmapped.
      RemoveCrashFilter();
      break;
  }
  return TRUE;
}
