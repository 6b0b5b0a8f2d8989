#pragma once
// The one place that converts between UTF-8 and UTF-16, for every layer and both platforms.
// Decoding is strict: overlong forms, surrogate code points,
// values above U+10FFFF and truncated sequences are errors, so that text which is not UTF-8 can
// be recognised and handed to the ANSI code page instead of being mangled.

#include <cstdint>
#include <string>
#include <string_view>

// Replaces Out with the decoded text; on the first invalid sequence Out is emptied and the
// result is false. Out's capacity is reused.
bool DecodeUtf8Strict(std::string_view Bytes, std::u16string& Out);

// Lenient conversions for text that is known to be (or should be) well formed: every invalid
// UTF-8 byte becomes U+FFFD, every unpaired surrogate becomes U+FFFD. DecodeUtf8Lenient reuses
// Out's capacity.
std::u16string Utf8ToUtf16(std::string_view Text);
void DecodeUtf8Lenient(std::string_view Text, std::u16string& Out);
std::string Utf16ToUtf8(std::u16string_view Text);

// Writes the UTF-8 form of a code point (at most 4 bytes) at Out; returns the position after it.
// Inline because the loader calls it once per character of a UTF-16 file.
inline char* PutUtf8(uint32_t CodePoint, char* Out) {
  if (CodePoint < 0x80) {
    *Out++ = static_cast<char>(CodePoint);
  } else if (CodePoint < 0x800) {
    *Out++ = static_cast<char>(0xC0 | (CodePoint >> 6));
    *Out++ = static_cast<char>(0x80 | (CodePoint & 0x3F));
  } else if (CodePoint < 0x10000) {
    *Out++ = static_cast<char>(0xE0 | (CodePoint >> 12));
    *Out++ = static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
    *Out++ = static_cast<char>(0x80 | (CodePoint & 0x3F));
  } else {
    *Out++ = static_cast<char>(0xF0 | (CodePoint >> 18));
    *Out++ = static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
    *Out++ = static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
    *Out++ = static_cast<char>(0x80 | (CodePoint & 0x3F));
  }
  return Out;
}
