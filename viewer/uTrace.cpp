#include "viewer/uTrace.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr wchar_t TraceVariable[] = L"SKERRIN_WINDOW_LOG";

// The file named by the variable, read anew each time so that it can be switched at run time.
std::wstring TraceFileName() {
  wchar_t Small[MAX_PATH];
  const DWORD Length = GetEnvironmentVariableW(TraceVariable, Small, MAX_PATH);
  if (Length == 0) return {};
  if (Length < MAX_PATH) return std::wstring(Small, Length);
  std::wstring Large(Length, L'\0');
  const DWORD Got = GetEnvironmentVariableW(TraceVariable, Large.data(), Length);
  if (Got == 0 || Got >= Length) return {};
  Large.resize(Got);
  return Large;
}

std::string VFormat(const char* Format, va_list Args) {
  va_list Copy;
  va_copy(Copy, Args);
  const int Length = std::vsnprintf(nullptr, 0, Format, Copy);
  va_end(Copy);
  if (Length <= 0) return {};
  std::string Text(static_cast<size_t>(Length) + 1, '\0');
  std::vsnprintf(Text.data(), Text.size(), Format, Args);
  Text.resize(static_cast<size_t>(Length));
  return Text;
}

std::string Format(const char* Format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* Format, ...) {
  va_list Args;
  va_start(Args, Format);
  std::string Text = VFormat(Format, Args);
  va_end(Args);
  return Text;
}

// Appends with one write to a file opened for appending only, so that lines from several
// viewers or processes never interleave, and closes it at once so the trace survives a crash.
void AppendToFile(const std::wstring& FileName, const std::string& Line) {
  const HANDLE File =
      CreateFileW(FileName.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return;
  DWORD Written = 0;
  WriteFile(File, Line.data(), static_cast<DWORD>(Line.size()), &Written, nullptr);
  CloseHandle(File);
}

void TraceTo(const std::wstring& FileName, std::string_view Message) {
  SYSTEMTIME Now;
  GetLocalTime(&Now);
  AppendToFile(FileName, FormatTraceLine(Now, GetCurrentProcessId(), GetCurrentThreadId(), GetTickCount64(), Message));
}

}  // namespace

std::string FormatTraceLine(const SYSTEMTIME& T, DWORD ProcessId, DWORD ThreadId, uint64_t Tick,
                            std::string_view Message) {
  return Format("%.2d:%.2d:%.2d.%.3d pid=%d tid=%d tick=%llu ", T.wHour, T.wMinute, T.wSecond, T.wMilliseconds,
                static_cast<int>(ProcessId), static_cast<int>(ThreadId), static_cast<unsigned long long>(Tick)) +
         std::string(Message) + "\r\n";
}

std::string FormatWindowGeometry(std::string_view Label, HWND Window) {
  const bool Valid = Window && IsWindow(Window);
  const bool Visible = Valid && IsWindowVisible(Window);
  const LONG_PTR Style = Valid ? GetWindowLongPtrW(Window, GWL_STYLE) : 0;
  RECT Outer{};
  RECT Client{};
  const bool HasOuter = Valid && GetWindowRect(Window, &Outer);
  const bool HasClient = Valid && GetClientRect(Window, &Client);
  return Format("%.*s hwnd=%p valid=%d visible=%d style=$%x window=%dx%d client=%dx%d", static_cast<int>(Label.size()),
                Label.data(), static_cast<void*>(Window), Valid ? 1 : 0, Visible ? 1 : 0, static_cast<unsigned>(Style),
                HasOuter ? static_cast<int>(Outer.right - Outer.left) : -1,
                HasOuter ? static_cast<int>(Outer.bottom - Outer.top) : -1,
                HasClient ? static_cast<int>(Client.right - Client.left) : -1,
                HasClient ? static_cast<int>(Client.bottom - Client.top) : -1);
}

void Trace(std::string_view Message) {
  try {
    const std::wstring FileName = TraceFileName();
    if (!FileName.empty()) TraceTo(FileName, Message);
  } catch (...) {
  }
}

void TraceF(const char* FormatText, ...) {
  try {
    const std::wstring FileName = TraceFileName();
    if (FileName.empty()) return;
    va_list Args;
    va_start(Args, FormatText);
    const std::string Message = VFormat(FormatText, Args);
    va_end(Args);
    TraceTo(FileName, Message);
  } catch (...) {
  }
}

void TraceWindow(std::string_view Label, HWND Window) {
  try {
    const std::wstring FileName = TraceFileName();
    if (!FileName.empty()) TraceTo(FileName, FormatWindowGeometry(Label, Window));
  } catch (...) {
  }
}
