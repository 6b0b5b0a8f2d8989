#include "platform/uPlatformText.h"

#include <windows.h>

#include <climits>

#include "platform/uPlatformWide.h"

namespace {

int DecodeInto(TCodePage CodePage, std::string_view Bytes, std::u16string& Out) {
  return MultiByteToWideChar(CodePage, 0, Bytes.data(), static_cast<int>(Bytes.size()),
                             reinterpret_cast<wchar_t*>(Out.data()), static_cast<int>(Out.size()));
}

}  // namespace

void PlatformLowerCaseW(char16_t* Text, size_t Length) {
  // CharLowerBuffW takes a DWORD count; longer buffers go in slices.
  while (Length > 0) {
    const DWORD Slice = Length > MAXDWORD ? MAXDWORD : static_cast<DWORD>(Length);
    CharLowerBuffW(reinterpret_cast<wchar_t*>(Text), Slice);
    Text += Slice;
    Length -= Slice;
  }
}

void PlatformCodePageToUtf16(TCodePage CodePage, std::string_view Bytes, std::u16string& Out) {
  Out.clear();
  // Lines are 32-bit lengths already; anything larger is not a line and decodes to nothing.
  if (Bytes.empty() || Bytes.size() > static_cast<size_t>(INT_MAX)) return;
  // An 8-bit code page yields one unit per byte; a double-byte one yields fewer.
  Out.resize(Bytes.size());
  int Written = DecodeInto(CodePage, Bytes, Out);
  // A code page that this Windows has not installed fails every call.
  if (Written <= 0 && CodePage != CP_ACP) Written = DecodeInto(CP_ACP, Bytes, Out);
  Out.resize(Written > 0 ? static_cast<size_t>(Written) : 0);
}
