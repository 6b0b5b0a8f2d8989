#include "win/uPluginHost.h"

std::wstring PluginPath() {
  wchar_t Buffer[MAX_PATH];
  const DWORD Len = GetModuleFileNameW(nullptr, Buffer, MAX_PATH);
  std::wstring Path(Buffer, Len);
  Path.erase(Path.find_last_of(L"\\/") + 1);
  return Path + (sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx");
}
