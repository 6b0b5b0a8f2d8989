#include "platform/uPlatformLocale.h"

#include <windows.h>

#include "platform/uPlatformWide.h"

std::string PlatformThousandsSeparator() {
  // The setting allows up to three characters plus the terminator.
  wchar_t Buffer[8] = {};
  const int Length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, Buffer, 8);
  if (Length <= 0) return ",";
  return Utf8FromWide(std::wstring_view(Buffer, static_cast<size_t>(Length - 1)));
}
