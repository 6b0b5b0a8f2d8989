#include "toolkit/uWindowText.h"

#include <algorithm>

std::u16string WindowTextU16(HWND Window) {
  const int Length = GetWindowTextLengthW(Window);
  std::u16string Text(static_cast<size_t>(std::max(0, Length)) + 1, u'\0');
  const int Got = GetWindowTextW(Window, reinterpret_cast<wchar_t*>(Text.data()), Length + 1);
  Text.resize(static_cast<size_t>(std::max(0, Got)));
  return Text;
}
