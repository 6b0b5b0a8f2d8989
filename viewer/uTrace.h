#pragma once
// The optional window trace: when the environment variable SKERRIN_WINDOW_LOG names a file,
// each call appends one time-stamped line to it. Failures are ignored.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

// Appends one line with the message when tracing is on.
void Trace(std::string_view Message);
// Trace of a printf-style message; formats nothing while tracing is off.
void TraceF(const char* Format, ...) __attribute__((format(printf, 1, 2)));
// Trace of the window's handle, liveness, visibility, style and outer and client sizes.
void TraceWindow(std::string_view Label, HWND Window);

// One trace line, CR LF included.
std::string FormatTraceLine(const SYSTEMTIME& LocalTime, DWORD ProcessId, DWORD ThreadId, uint64_t Tick,
                            std::string_view Message);
// The message TraceWindow writes.
std::string FormatWindowGeometry(std::string_view Label, HWND Window);
