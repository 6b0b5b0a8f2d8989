#include "platform/uPlatformText.h"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <array>

#include "platform/uNoCopy.h"

namespace {

// The locale is made once and kept for the process; without a UTF-8 locale only ASCII letters
// can be lower-cased.
class TLowerLocale : TNoCopy {
 public:
  TLowerLocale() {
    Handle = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (!Handle) Handle = newlocale(LC_CTYPE_MASK, "en_US.UTF-8", static_cast<locale_t>(0));
  }
  ~TLowerLocale() {
    if (Handle) freelocale(Handle);
  }
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

// What bytes 0x80..0xFF stand for; every code page offered here leaves ASCII as it is.
using THighHalf = std::array<char16_t, 128>;

THighHalf Windows1252() {
  THighHalf Table{};
  for (int i = 0; i < 128; ++i) Table[i] = i < 32 ? Cp1252High[i] : static_cast<char16_t>(0x80 + i);
  return Table;
}

// glibc's converters give the tables of the other code pages, byte by byte, once per process.
// A byte the code page leaves unassigned becomes U+FFFD.
THighHalf FromIconv(const char* Name) {
  THighHalf Table;
  Table.fill(u'\uFFFD');
  const iconv_t Converter = iconv_open("UTF-16LE", Name);
  if (Converter == reinterpret_cast<iconv_t>(-1)) return Table;
  for (int i = 0; i < 128; ++i) {
    char In = static_cast<char>(0x80 + i);
    unsigned char Units[8];
    char* InPos = &In;
    char* OutPos = reinterpret_cast<char*>(Units);
    size_t InLeft = 1, OutLeft = sizeof Units;
    iconv(Converter, nullptr, nullptr, nullptr, nullptr);
    if (iconv(Converter, &InPos, &InLeft, &OutPos, &OutLeft) != static_cast<size_t>(-1) && OutLeft == 6)
      Table[i] = static_cast<char16_t>(Units[0] | (Units[1] << 8));
  }
  iconv_close(Converter);
  return Table;
}

struct TKnownCodePage {
  TCodePage CodePage;
  const char* IconvName;  // null: Windows-1252 from the table above
};
// Windows' numbers of the code pages a viewer offers, with glibc's names.
constexpr TKnownCodePage KnownCodePages[] = {
    {cpAnsi, nullptr},     {1252, nullptr},       {cpOem, "CP437"},      {437, "CP437"},
    {850, "CP850"},        {866, "CP866"},        {1250, "CP1250"},      {1251, "CP1251"},
    {1253, "CP1253"},      {1254, "CP1254"},      {1257, "CP1257"},      {20866, "KOI8-R"},
    {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28595, "ISO-8859-5"}, {28605, "ISO-8859-15"},
};
constexpr size_t KnownCount = sizeof KnownCodePages / sizeof KnownCodePages[0];

// Built on first use, complete before any caller sees it (a function-local static), so threads
// may decode at once.
const THighHalf& HighHalfOf(TCodePage CodePage) {
  static const std::array<THighHalf, KnownCount> Tables = [] {
    std::array<THighHalf, KnownCount> Built;
    for (size_t i = 0; i < KnownCount; ++i)
      Built[i] = KnownCodePages[i].IconvName ? FromIconv(KnownCodePages[i].IconvName) : Windows1252();
    return Built;
  }();
  for (size_t i = 0; i < KnownCount; ++i)
    if (KnownCodePages[i].CodePage == CodePage) return Tables[i];
  return Tables[0];
}

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

void PlatformCodePageToUtf16(TCodePage CodePage, std::string_view Bytes, std::u16string& Out) {
  const THighHalf& High = HighHalfOf(CodePage);
  Out.resize(Bytes.size());
  for (size_t i = 0; i < Bytes.size(); ++i) {
    const unsigned char Byte = static_cast<unsigned char>(Bytes[i]);
    Out[i] = Byte < 0x80 ? static_cast<char16_t>(Byte) : High[Byte - 0x80];
  }
}
