#include "platform/uPlatformRegistry.h"

#include <windows.h>

#include "platform/uPlatformWide.h"

std::optional<uint32_t> ReadCurrentUserDword(std::string_view KeyPath, std::string_view ValueName) {
  HKEY Key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WideFromUtf8(KeyPath).c_str(), 0, KEY_READ, &Key) != ERROR_SUCCESS)
    return std::nullopt;
  DWORD Type = 0;
  DWORD Value = 0;
  DWORD Size = sizeof(Value);
  const LSTATUS Status =
      RegQueryValueExW(Key, WideFromUtf8(ValueName).c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Value), &Size);
  RegCloseKey(Key);
  if (Status != ERROR_SUCCESS || Type != REG_DWORD || Size != sizeof(Value)) return std::nullopt;
  return Value;
}
