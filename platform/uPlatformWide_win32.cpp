#include "platform/uPlatformWide.h"

#include "platform/uTextCodec.h"

std::wstring WideFromUtf8(std::string_view Text) {
  const std::u16string Units = Utf8ToUtf16(Text);
  return std::wstring(Units.begin(), Units.end());
}

std::string Utf8FromWide(std::wstring_view Text) { return Utf16ToUtf8(AsUtf16(Text)); }

bool WideFromUtf8Strict(std::string_view Text, std::wstring& Wide) {
  Wide.clear();
  std::u16string Units;
  if (!DecodeUtf8Strict(Text, Units) || Units.find(u'\0') != std::u16string::npos) return false;
  Wide.assign(Units.begin(), Units.end());
  return true;
}
