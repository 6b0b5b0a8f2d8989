#pragma once
// UTF-8 <-> UTF-16 conversions. Decoding is strict: overlong forms, surrogate code points,
// values above U+10FFFF and truncated sequences are errors, so that text which is not UTF-8 can
// be recognised and handed to the ANSI code page instead of being mangled.

#include <string>
#include <string_view>

// Replaces Out with the decoded text; on the first invalid sequence Out is emptied and the
// result is false. Out's capacity is reused.
bool DecodeUtf8Strict(std::string_view Bytes, std::u16string& Out);

// Lenient conversions for text that is known to be (or should be) well formed: every invalid
// UTF-8 byte becomes U+FFFD, every unpaired surrogate becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);
