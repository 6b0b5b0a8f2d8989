#pragma once
// The text of a window (an edit box, a label, a button's caption) as UTF-16.

#include <windows.h>

#include <string>

std::u16string WindowTextU16(HWND Window);
std::wstring WindowTextW(HWND Window);
