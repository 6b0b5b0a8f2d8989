#include "platform/uPlatformText.h"

#include <locale.h>
#include <wctype.h>

namespace {

// The locale is made once and kept for the process; without a UTF-8 locale only ASCII letters
// can be lower-cased.
class TLowerLocale {
 public:
  TLowerLocale() {
    Handle = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!Handle) Handle = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
  }
  ~TLowerLocale() {
    if (Handle) freelocale(Handle);
  }
  TLowerLocale(const TLowerLocale&) = delete;
  TLowerLocale& operator=(const TLowerLocale&) = delete;
  locale_t Get() const { return Handle; }

 private:
  locale_t Handle = static_cast<locale_t>(0);
};

locale_t LowerLocale() {
  static const TLowerLocale Locale;
  return Locale.Get();
}

// Windows-1252 at 0x80..0x9F; the five unassigned bytes map to the C1 controls of the same
// value, as Windows itself decodes them. 0xA0..0xFF equal Latin-1.
constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void PlatformLowerCaseW(char16_t* Text, size_t Length) {
  const locale_t Locale = LowerLocale();
  for (size_t i = 0; i < Length; ++i) {
    const char16_t Unit = Text[i];
    if (Unit < 0x80) {
      if (Unit >= u'A' && Unit <= u'Z') Text[i] = static_cast<char16_t>(Unit + 32);
      continue;
    }
    if (!Locale || (Unit >= 0xD800 && Unit <= 0xDFFF)) continue;
    const wint_t Lower = towlower_l(static_cast<wint_t>(Unit), Locale);
    if (Lower <= 0xFFFF) Text[i] = static_cast<char16_t>(Lower);
  }
}

void PlatformAnsiToUtf16(std::string_view Bytes, std::u16string& Out) {
  Out.resize(Bytes.size());
  for (size_t i = 0; i < Bytes.size(); ++i) {
    const unsigned char Byte = static_cast<unsigned char>(Bytes[i]);
    Out[i] = (Byte >= 0x80 && Byte < 0xA0) ? Cp1252High[Byte - 0x80] : static_cast<char16_t>(Byte);
  }
}
