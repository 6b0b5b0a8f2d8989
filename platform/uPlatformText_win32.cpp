#include "platform/uPlatformText.h"

#include <windows.h>

#include <climits>

#include "platform/uPlatformWide.h"

void PlatformLowerCaseW(char16_t* Text, size_t Length) {
  // CharLowerBuffW takes a DWORD count; longer buffers go in slices.
  while (Length > 0) {
    const DWORD Slice = Length > MAXDWORD ? MAXDWORD : static_cast<DWORD>(Length);
    CharLowerBuffW(reinterpret_cast<wchar_t*>(Text), Slice);
    Text += Slice;
    Length -= Slice;
  }
}

void PlatformAnsiToUtf16(std::string_view Bytes, std::u16string& Out) {
  Out.clear();
  // Lines are 32-bit lengths already; anything larger is not a line and decodes to nothing.
  if (Bytes.empty() || Bytes.size() > static_cast<size_t>(INT_MAX)) return;
  const int Size = static_cast<int>(Bytes.size());
  // A single-byte code page yields one unit per byte; a double-byte one yields fewer.
  Out.resize(Bytes.size());
  const int Written = MultiByteToWideChar(CP_ACP, 0, Bytes.data(), Size, reinterpret_cast<wchar_t*>(Out.data()),
                                          static_cast<int>(Out.size()));
  Out.resize(Written > 0 ? static_cast<size_t>(Written) : 0);
}
