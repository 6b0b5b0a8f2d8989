#pragma once
// UTF-8 inside, UTF-16 at the Windows API (Windows build only).

#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view Text);
std::string Utf8FromWide(std::wstring_view Text);
