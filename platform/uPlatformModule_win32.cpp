#include "platform/uPlatformModule.h"

#include <windows.h>

#include "platform/uPlatformWide.h"

namespace {

// GetModuleFileNameW truncates silently; grow until the whole path fits (long-path aware).
std::wstring ModuleFileNameW(HMODULE Module) {
  std::wstring Buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Len = GetModuleFileNameW(Module, Buffer.data(), static_cast<DWORD>(Buffer.size()));
    if (Len == 0) return {};
    if (Len < Buffer.size()) {
      Buffer.resize(Len);
      return Buffer;
    }
    if (Buffer.size() >= 32768) return {};
    Buffer.resize(Buffer.size() * 2);
  }
}

}  // namespace

std::string DirectoryOf(std::string_view Path) {
  const size_t Slash = Path.find_last_of("/\\");
  return Slash == std::string_view::npos ? std::string() : std::string(Path.substr(0, Slash + 1));
}

std::string ModuleFilePath() {
  HMODULE Self = nullptr;
  // The address of this function lies inside the library that contains it.
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&ModuleFilePath)), &Self))
    return {};
  return Utf8FromWide(ModuleFileNameW(Self));
}

std::string HostProgramDir() { return DirectoryOf(Utf8FromWide(ModuleFileNameW(nullptr))); }
