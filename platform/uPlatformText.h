#pragma once
// The two text services whose answers belong to the operating system: Unicode lower case and
// the system's 8-bit (ANSI) code page. Portable code holds UTF-16 as char16_t; the Windows side
// reinterprets it as wchar_t at the call.

#include <cstddef>
#include <string>
#include <string_view>

// Lower-cases every UTF-16 unit in place with the platform's Unicode rules. The length never
// changes; surrogate halves are left as they are.
void PlatformLowerCaseW(char16_t* Text, size_t Length);

// Replaces Out with Bytes decoded in the system ANSI code page (Windows-1252 where there is no
// such thing). Out's capacity is reused, so a caller decoding line after line allocates only
// when a line is longer than any before it.
void PlatformAnsiToUtf16(std::string_view Bytes, std::u16string& Out);
