#pragma once
// The viewer's two small modal prompts: one line of text ("Go to line") and a date with a time
// ("Go to date/time"). Each disables its owner, runs its own message loop until it closes and
// leaves nothing behind.

#include <windows.h>

#include <string>

inline constexpr wchar_t PromptClassName[] = L"WLXLogPromptWnd2";
inline constexpr wchar_t DateTimePromptClassName[] = L"WLXLogDateTimeWnd2";

struct TPromptTextState {
  HWND Edit = nullptr;
  bool Accepted = false;
  std::u16string Text;
};

struct TDateTimePromptState {
  HWND DatePicker = nullptr;
  HWND TimePicker = nullptr;
  bool Accepted = false;
  double Value = 0;
};

// True with the edit's text when the user pressed OK.
bool PromptText(HWND Owner, const wchar_t* Title, const wchar_t* Label, const std::u16string& Initial,
                std::u16string& Text);
// True with the chosen date plus time of day when the user pressed OK and both were valid.
bool PromptDateTime(HWND Owner, double& Value);
