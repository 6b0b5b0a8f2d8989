#include "toolkit/uWindowText.h"

#include <algorithm>

namespace {
template <typename TString>
TString WindowTextAs(HWND Window) {
  const int Length = GetWindowTextLengthW(Window);
  TString Text(static_cast<size_t>(std::max(0, Length)) + 1, 0);
  const int Got = GetWindowTextW(Window, reinterpret_cast<wchar_t*>(Text.data()), Length + 1);
  Text.resize(static_cast<size_t>(std::max(0, Got)));
  return Text;
}
}  // namespace

std::u16string WindowTextU16(HWND Window) { return WindowTextAs<std::u16string>(Window); }

std::wstring WindowTextW(HWND Window) { return WindowTextAs<std::wstring>(Window); }
