#include "toolkit/uWindowClass.h"

HINSTANCE PluginInstance() {
  HMODULE Module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&PluginInstance), &Module);
  return Module;
}

bool RegisterPluginClass(const wchar_t* Name, WNDPROC Procedure, UINT Style, HBRUSH Background) {
  WNDCLASSEXW Known{};
  Known.cbSize = sizeof(Known);
  if (GetClassInfoExW(PluginInstance(), Name, &Known)) {
    if (Known.lpfnWndProc == Procedure) return true;
    // Classes outlive the library that registered them: after an unload and a reload at the
    // same address the old class would call into code that is gone, so it is replaced.
    UnregisterClassW(Name, PluginInstance());
  }
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof(Class);
  Class.style = Style;
  Class.lpfnWndProc = Procedure;
  Class.hInstance = PluginInstance();
  Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  Class.hbrBackground = Background;
  Class.lpszClassName = Name;
  return RegisterClassExW(&Class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
