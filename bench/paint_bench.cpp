// paint_bench [--runs N]
//
// What highlighting matches costs a screen: the viewer's list (1000 x 700) painted into a memory
// bitmap, as the control paints it, with every row holding a match of the filter text and of the
// last search, against the same rows painted without highlights. Both list controls (one line
// per row, and wrapped rows).
//
// Prints one line per control: "control plain-ms filter-ms filter+search-ms ratio", per screen,
// best of the runs; the ratio is the highlighted screen (filter and search) over the plain one.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "settings/uSettings.h"
#include "viewer/uLineRender.h"
#include "viewer/uNavigate.h"
#include "viewer/uSkerrinState.h"
#include "viewer/uViewState.h"
#include "viewer/uWin32LogWindow.h"

namespace {

constexpr int Width = 1000, Height = 760, Lines = 2000, PaintsPerRun = 50;

std::wstring WriteLog() {
  wchar_t Temp[MAX_PATH];
  GetTempPathW(MAX_PATH, Temp);
  std::wstring Path = std::wstring(Temp) + L"skerrin-paintbench-" + std::to_wstring(GetCurrentProcessId()) + L".log";
  std::string Text;
  char Line[256];
  for (int I = 0; I < Lines; ++I) {
    std::snprintf(Line, sizeof Line,
                  "2024-01-01 10:%02d:%02d.%03d %s [worker-%d] session 0x%08x processed request id=%d for client "
                  "10.0.%d.%d in %d ms, queue depth %d\r\n",
                  I / 60 % 60, I % 60, I % 1000, I % 7 == 0 ? "WARN" : "INFO", I % 16, I * 7919, I, I % 256, I % 97,
                  I % 300, I % 40);
    Text += Line;
  }
  HANDLE File = CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD Written = 0;
  if (File != INVALID_HANDLE_VALUE) {
    WriteFile(File, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    CloseHandle(File);
  }
  return Path;
}

HWND MakeHost() {
  WNDCLASSW Class{};
  Class.lpfnWndProc = DefWindowProcW;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.lpszClassName = L"SkerrinPaintBench";
  RegisterClassW(&Class);
  return CreateWindowExW(0, Class.lpszClassName, L"paint_bench", WS_OVERLAPPEDWINDOW, 0, 0, Width, Height, nullptr,
                         nullptr, Class.hInstance, nullptr);
}

double Now() {
  LARGE_INTEGER Count, Frequency;
  QueryPerformanceCounter(&Count);
  QueryPerformanceFrequency(&Frequency);
  return static_cast<double>(Count.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

// Milliseconds per painted screen, best of Runs.
double PaintMs(TSkerrinState& S, int Runs) {
  RECT Client{};
  GetClientRect(S.ListWindow, &Client);
  HDC Memory = CreateCompatibleDC(nullptr);
  HDC Screen = GetDC(nullptr);
  HBITMAP Bitmap = CreateCompatibleBitmap(Screen, Client.right, Client.bottom);
  ReleaseDC(nullptr, Screen);
  HGDIOBJ Old = SelectObject(Memory, Bitmap);
  double Best = 1e9;
  for (int Run = 0; Run < Runs; ++Run) {
    const double Start = Now();
    for (int I = 0; I < PaintsPerRun; ++I) PaintRows(S, S.ListWindow, Memory, S.Rows->WrapsLines());
    GdiFlush();
    Best = std::min(Best, (Now() - Start) * 1000.0 / PaintsPerRun);
  }
  SelectObject(Memory, Old);
  DeleteObject(Bitmap);
  DeleteDC(Memory);
  return Best;
}

void Pump() {
  MSG Msg;
  while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&Msg);
}

}  // namespace

int wmain(int Argc, wchar_t** Argv) {
  int Runs = 5;
  for (int I = 1; I < Argc; ++I)
    if (std::wstring(Argv[I]) == L"--runs" && I + 1 < Argc) Runs = std::max(1, _wtoi(Argv[++I]));
  const std::wstring Log = WriteLog();
  char Name[MAX_PATH];
  WideCharToMultiByte(CP_UTF8, 0, Log.c_str(), -1, Name, MAX_PATH, nullptr, nullptr);
  SetDefaultSettings();
  AppSettings.TailEnabled = false;
  HWND Host = MakeHost();
  for (const bool Wrap : {false, true}) {
    AppSettings.WordWrap = Wrap;
    HWND Viewer = CreateSkerrinWindow(Host, Name, 0, AppSettings);
    TSkerrinState* S = Viewer ? StateFromWindow(Viewer) : nullptr;
    if (!S || !S->Rows) {
      std::fprintf(stderr, "no viewer\n");
      return 1;
    }
    Pump();
    const double Plain = PaintMs(*S, Runs);
    // Every line holds the filter text, so the same rows are on screen, each with a match.
    SetWindowTextW(S->Bar.FilterEdit, L"session");
    RebuildView(*S, false, true);
    const double Filtered = PaintMs(*S, Runs);
    SelectSearchMatch(*S, "request", false, false, false, false);
    const double Searched = PaintMs(*S, Runs);
    std::printf("%-8s %.3f %.3f %.3f %.2f\n", Wrap ? "wrapped" : "listbox", Plain, Filtered, Searched,
                Searched / Plain);
    DestroyWindow(Viewer);
    Pump();
  }
  DestroyWindow(Host);
  DeleteFileW(Log.c_str());
  return 0;
}
