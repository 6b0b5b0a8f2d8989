#include "platform/uPlatformWide.h"

#include <windows.h>

std::wstring WideFromUtf8(std::string_view Text) {
  if (Text.empty()) return {};
  const int Len = MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()),
                                      nullptr, 0);
  std::wstring Out(Len > 0 ? Len : 0, L'\0');
  if (Len > 0)
    MultiByteToWideChar(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Out.data(), Len);
  return Out;
}

std::string Utf8FromWide(std::wstring_view Text) {
  if (Text.empty()) return {};
  const int Len = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string Out(Len > 0 ? Len : 0, '\0');
  if (Len > 0)
    WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<int>(Text.size()), Out.data(), Len,
                        nullptr, nullptr);
  return Out;
}
