#pragma once
// The text services whose answers belong to the operating system: Unicode lower case and the
// 8-bit code pages. Portable code holds UTF-16 as char16_t; the Windows side reinterprets it as
// wchar_t at the call.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Lower-cases every UTF-16 unit in place with the platform's Unicode rules. The length never
// changes; surrogate halves are left as they are.
void PlatformLowerCaseW(char16_t* Text, size_t Length);

// A code page by its Windows number. The two system code pages have numbers of their own, which
// Windows resolves to the machine's settings; elsewhere they stand for Windows-1252 and 437.
using TCodePage = uint32_t;
constexpr TCodePage cpAnsi = 0;  // the system's ANSI code page
constexpr TCodePage cpOem = 1;   // the system's OEM (DOS) code page
constexpr TCodePage cpUtf8 = 65001;

// Replaces Out with Bytes decoded in an 8-bit (or, on Windows, a double-byte) code page; a code
// page the platform does not know decodes as cpAnsi. Out's capacity is reused, so a caller
// decoding line after line allocates only when a line is longer than any before it.
void PlatformCodePageToUtf16(TCodePage CodePage, std::string_view Bytes, std::u16string& Out);
inline void PlatformAnsiToUtf16(std::string_view Bytes, std::u16string& Out) {
  PlatformCodePageToUtf16(cpAnsi, Bytes, Out);
}
