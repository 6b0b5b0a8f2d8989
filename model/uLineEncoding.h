#pragma once
// The code pages a viewer offers for lines that are not UTF-8 (its Encoding menu), and the one
// in force: a choice of the user's, or, on Automatic, the host's ANSI/ASCII switch.

#include <cstdint>

#include "model/uLogFilter.h"
#include "platform/uPlatformText.h"

struct TEncodingChoice {
  const char* Name;  // as the menu shows it
  TCodePage CodePage;
};

// Automatic first; the choices' order is their number.
constexpr TEncodingChoice EncodingChoices[] = {
    {"Automatic", cpAnsi},
    {"UTF-8", cpUtf8},
    {"ANSI", cpAnsi},
    {"OEM/DOS", cpOem},
    {"Central European (1250)", 1250},
    {"Cyrillic (1251)", 1251},
    {"Western (1252)", 1252},
    {"Greek (1253)", 1253},
    {"Turkish (1254)", 1254},
    {"Baltic (1257)", 1257},
    {"Cyrillic DOS (866)", 866},
    {"US DOS (437)", 437},
    {"Western DOS (850)", 850},
    {"Cyrillic KOI8-R", 20866},
    {"ISO 8859-1 (Latin-1)", 28591},
    {"ISO 8859-2 (Latin-2)", 28592},
    {"ISO 8859-5 (Cyrillic)", 28595},
    {"ISO 8859-15 (Latin-9)", 28605},
};
constexpr int32_t EncodingChoiceCount = static_cast<int32_t>(sizeof EncodingChoices / sizeof EncodingChoices[0]);
constexpr int32_t EncodingAutomatic = 0;

// The code page that decodes a viewer's lines. Automatic follows the host: OEM when it asks for
// ASCII (DOS) text, ANSI otherwise. A choice outside the table counts as Automatic.
constexpr TCodePage CodePageOfChoice(int32_t Choice, bool HostAsksOem) {
  if (Choice <= EncodingAutomatic || Choice >= EncodingChoiceCount) return HostAsksOem ? cpOem : cpAnsi;
  return EncodingChoices[Choice].CodePage;
}

// How a viewer decodes its lines (for DecodeLineBytes). A file that declares itself Unicode by a
// byte-order mark (its lines reach the list as UTF-8) is read as UTF-8 whatever was chosen. On
// Automatic a line that is valid UTF-8 is read so and any other in the page of the host's
// switch; an 8-bit page the user chose reads every line.
constexpr TCodePage LineCodePage(int32_t Choice, bool HostAsksOem, bool UnicodeFile) {
  if (UnicodeFile) return cpUtf8;
  const TCodePage CodePage = CodePageOfChoice(Choice, HostAsksOem);
  const bool Chosen = Choice > EncodingAutomatic && Choice < EncodingChoiceCount;
  return Chosen && CodePage != cpUtf8 ? CodePage | cpForced : CodePage;
}
