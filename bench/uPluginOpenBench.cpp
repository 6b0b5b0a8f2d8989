// skerrin-openbench [--wrap] [--runs N] [--filter TEXT] [--hold MS] LOG
//
// What a user waits for on F3: the time from ListLoadW until the viewer has painted completely,
// measured in a stand-in lister window the way tools/skerrin-host drives the plug-in. Then one
// filter rebuild with TEXT (default "error") and the rebuild back to all lines, each until the
// view has painted again. The plug-in beside this program is copied into a private folder with
// its own Skerrin.ini, so --wrap (the wrap view instead of the listbox) touches no user settings.
//
// --hold keeps the first run's window as it was at the measured paint for MS milliseconds
// without handling messages, so that a screenshot shows what had been painted by then.
//
// Prints one line: "open-s open-cpu-s filter-s unfilter-s peak-KiB", best of the runs.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "uBenchProcess.h"

namespace {
using TListLoadW = HWND(WINAPI*)(HWND, WCHAR*, int);
using TListCloseWindow = void(WINAPI*)(HWND);

constexpr int FilterEditId = 1109;
constexpr UINT_PTR FilterTimerId = 2101;

std::wstring Beside(const wchar_t* Name) {
  wchar_t Path[MAX_PATH];
  const DWORD Length = GetModuleFileNameW(nullptr, Path, MAX_PATH);
  std::wstring Dir(Path, Length);
  Dir.erase(Dir.find_last_of(L"\\/") + 1);
  return Dir + Name;
}

// A folder of its own for the plug-in and its settings; removed again by the destructor.
struct TPrivateCopy {
  std::wstring Dir, Plugin, Ini;
  bool Ok = false;

  TPrivateCopy(const wchar_t* PluginName, bool Wrap) {
    wchar_t Temp[MAX_PATH];
    GetTempPathW(MAX_PATH, Temp);
    Dir = std::wstring(Temp) + L"skerrin-openbench-" + std::to_wstring(GetCurrentProcessId());
    Plugin = Dir + L"\\" + PluginName;
    Ini = Dir + L"\\Skerrin.ini";
    // A run that was killed leaves its folder behind, and process ids come round again.
    const bool HaveDir = CreateDirectoryW(Dir.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
    if (!HaveDir || !CopyFileW(Beside(PluginName).c_str(), Plugin.c_str(), FALSE)) return;
    const std::string Text = std::string("[View]\r\nWordWrap=") + (Wrap ? "1" : "0") + "\r\n[Tail]\r\nEnabled=0\r\n";
    HANDLE File = CreateFileW(Ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (File == INVALID_HANDLE_VALUE) return;
    DWORD Written = 0;
    Ok = WriteFile(File, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr) && Written == Text.size();
    CloseHandle(File);
  }
  ~TPrivateCopy() {
    DeleteFileW(Ini.c_str());
    DeleteFileW(Plugin.c_str());
    RemoveDirectoryW(Dir.c_str());
  }
};

LRESULT CALLBACK HostProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

void Pump() {
  MSG Msg;
  while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
}

// Paints everything that is waiting to be painted, children included, before it returns.
void PaintNow(HWND Host) {
  RedrawWindow(Host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Pump();
  RedrawWindow(Host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

struct TIdSearch {
  int Id;
  HWND Found;
};

BOOL CALLBACK MatchId(HWND Child, LPARAM Param) {
  auto* Search = reinterpret_cast<TIdSearch*>(Param);
  if (GetDlgCtrlID(Child) != Search->Id) return TRUE;
  Search->Found = Child;
  return FALSE;
}

HWND FindById(HWND Parent, int Id) {
  TIdSearch Search{Id, nullptr};
  EnumChildWindows(Parent, MatchId, reinterpret_cast<LPARAM>(&Search));
  return Search.Found;
}

// The viewer rebuilds its view when its debounce timer fires; firing it at once leaves out the
// debounce delay, which is not work.
double TimedFilter(HWND Host, HWND Viewer, HWND Edit, const wchar_t* Text) {
  SetWindowTextW(Edit, Text);
  const double Start = WallSeconds();
  SendMessageW(Viewer, WM_TIMER, FilterTimerId, 0);
  PaintNow(Host);
  return WallSeconds() - Start;
}

void KeepBest(double& Best, double Value, int Run) {
  if (Run == 0 || Value < Best) Best = Value;
}
}  // namespace

int wmain(int Argc, wchar_t** Argv) {
  bool Wrap = false;
  int Runs = 3, HoldMs = 0;
  std::wstring Filter = L"error", File;
  for (int I = 1; I < Argc; ++I) {
    const std::wstring A = Argv[I];
    if (A == L"--wrap") Wrap = true;
    else if (A == L"--runs" && I + 1 < Argc) Runs = _wtoi(Argv[++I]);
    else if (A == L"--filter" && I + 1 < Argc) Filter = Argv[++I];
    else if (A == L"--hold" && I + 1 < Argc) HoldMs = _wtoi(Argv[++I]);
    else File = A;
  }
  if (File.empty() || Runs <= 0) {
    std::fputs("usage: skerrin-openbench [--wrap] [--runs N] [--filter TEXT] [--hold MS] LOG\n", stderr);
    return 2;
  }
  const TPrivateCopy Copy(sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx", Wrap);
  HMODULE Plugin = Copy.Ok ? LoadLibraryW(Copy.Plugin.c_str()) : nullptr;
  if (!Plugin) {
    std::fputs("cannot load the plug-in\n", stderr);
    return 1;
  }
  auto Load = reinterpret_cast<TListLoadW>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListLoadW")));
  auto Close = reinterpret_cast<TListCloseWindow>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListCloseWindow")));
  WNDCLASSW Class{};
  Class.lpfnWndProc = HostProc;
  Class.hInstance = GetModuleHandleW(nullptr);
  Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  Class.lpszClassName = L"SkerrinOpenBenchLister";
  RegisterClassW(&Class);
  HWND Host = CreateWindowExW(0, Class.lpszClassName, L"Lister", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, 1100, 600,
                              nullptr, nullptr, Class.hInstance, nullptr);
  if (!Load || !Close || !Host) return 1;
  ShowWindow(Host, SW_SHOW);
  PaintNow(Host);

  double Open = 0, OpenCpu = 0, Filtered = 0, Unfiltered = 0;
  int Result = 0;
  for (int R = 0; R < Runs && Result == 0; ++R) {
    const double Cpu = CpuSeconds(), Start = WallSeconds();
    HWND Viewer = Load(Host, File.data(), 0);
    if (Viewer) PaintNow(Host);
    KeepBest(Open, WallSeconds() - Start, R);
    KeepBest(OpenCpu, CpuSeconds() - Cpu, R);
    if (R == 0 && HoldMs > 0) Sleep(static_cast<DWORD>(HoldMs));
    HWND Edit = Viewer ? FindById(Viewer, FilterEditId) : nullptr;
    if (!Edit) {
      std::fputs(Viewer ? "no filter box in the viewer\n" : "ListLoadW failed\n", stderr);
      Result = 1;
    } else {
      KeepBest(Filtered, TimedFilter(Host, Viewer, Edit, Filter.c_str()), R);
      KeepBest(Unfiltered, TimedFilter(Host, Viewer, Edit, L""), R);
    }
    if (Viewer) Close(Viewer);
    Pump();
  }
  DestroyWindow(Host);
  FreeLibrary(Plugin);
  if (Result == 0)
    std::printf("%.6f %.6f %.6f %.6f %lld\n", Open, OpenCpu, Filtered, Unfiltered,
                static_cast<long long>(PeakMemoryKiB()));
  return Result;
}
