#pragma once
// UTF-8 inside, UTF-16 at the Windows API (Windows build only). The conversions themselves are
// those of uTextCodec; on Windows wchar_t is a UTF-16 unit, so portable UTF-16 text is handed
// to the wide functions as it is.

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 is wchar_t on Windows");

std::wstring WideFromUtf8(std::string_view Text);
std::string Utf8FromWide(std::wstring_view Text);
// Strict: false, and Wide empty, unless Text is valid UTF-8 without a NUL character.
bool WideFromUtf8Strict(std::string_view Text, std::wstring& Wide);

inline const wchar_t* AsWide(const std::u16string& Text) { return reinterpret_cast<const wchar_t*>(Text.c_str()); }
inline std::u16string_view AsUtf16(std::wstring_view Text) {
  return {reinterpret_cast<const char16_t*>(Text.data()), Text.size()};
}
