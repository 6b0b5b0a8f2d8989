// skerrin-openbench [--wrap] [--runs N] [--filter TEXT] [--hold MS] [--no-filter] LOG
//
// What a user waits for on F3, measured in a stand-in lister window the way tools/skerrin-host
// drives the plug-in: the time from ListLoadW until the first screen of rows is painted, and
// until the load is complete and painted (the summary no longer shows the load's progress).
// Meanwhile the window's message loop runs as the host's does, and the longest time it spent on
// one message after ListLoadW returned is what the host's other messages may have had to wait
// (the time of the call itself is given apart).
// Then one filter rebuild with TEXT (default "error") and the rebuild back to all lines, each
// until the view has painted again (--no-filter leaves them out). The plug-in beside this program
// is copied into a private folder with its own Skerrin.ini, so --wrap (the wrap view instead of
// the listbox) touches no user settings.
//
// --hold keeps the first run's window as it was when the load was complete for MS milliseconds
// without handling messages, so that a screenshot shows what had been painted by then.
//
// Last, once, it opens the file again and moves on while it loads, as the quick-view panel does
// when the cursor passes over it: ListLoadNextW to the same file once the first screen is shown,
// then ListCloseWindow once that one's first screen is shown (the peak memory is taken before).
//
// Prints one line, best of the runs:
//   "complete-s complete-cpu-s filter-s unfilter-s peak-KiB first-screen-s longest-wait-ms call-ms
//    load-next-ms close-ms"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include <algorithm>
#include <functional>

#include "platform/uPlatformModule.h"
#include "platform/uPlatformWide.h"
#include "uBenchProcess.h"

namespace {
using TListLoadW = HWND(WINAPI*)(HWND, WCHAR*, int);
using TListLoadNextW = int(WINAPI*)(HWND, HWND, WCHAR*, int);
using TListCloseWindow = void(WINAPI*)(HWND);

constexpr int FilterEditId = 1109;
constexpr int StatusBarId = 1114;
constexpr UINT_PTR FilterTimerId = 2101;
// Long enough for a 4 GB log under load.
constexpr double LoadTimeoutSeconds = 600;

std::wstring Beside(const wchar_t* Name) { return WideFromUtf8(HostProgramDir()) + Name; }

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

// The host's message loop, which keeps the longest time any one message (or paint) took: the
// time every other message of the host waited meanwhile.
double LongestWait = 0;

void Timed(const std::function<void()>& Step) {
  const double Start = WallSeconds();
  Step();
  LongestWait = std::max(LongestWait, WallSeconds() - Start);
}

void Pump() {
  MSG Msg;
  while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
    Timed([&] {
      TranslateMessage(&Msg);
      DispatchMessageW(&Msg);
    });
  }
}

// Paints everything that is waiting to be painted, children included, before it returns.
void PaintNow(HWND Host) {
  Timed([&] { RedrawWindow(Host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); });
  Pump();
  Timed([&] { RedrawWindow(Host, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); });
}

// Runs the loop, waiting for messages as a host does, until Done or the timeout; false then.
bool PumpUntil(const std::function<bool()>& Done) {
  const double Start = WallSeconds();
  while (!Done()) {
    if (WallSeconds() - Start > LoadTimeoutSeconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Pump();
  }
  return true;
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

// The summary of the status bar, which the viewer hands the bar as the owner-drawn part's data:
// the progress while the load runs, "Lines: N | ..." once it is complete.
std::wstring Summary(HWND Viewer) {
  const auto Data = SendMessageW(FindById(Viewer, StatusBarId), SB_GETTEXTW, 0, 0);
  const auto* Text = reinterpret_cast<const wchar_t*>(Data);
  return Text ? std::wstring(Text) : std::wstring();
}

bool Loading(HWND Viewer) { return Summary(Viewer).rfind(L"Loading", 0) == 0; }

int64_t ShownLines(HWND Viewer) {
  const std::wstring Text = Summary(Viewer);
  const size_t At = Text.find(L"Lines: ");
  return At == std::wstring::npos ? 0 : _wtoi64(Text.c_str() + At + 7);
}

// ListLoadNextW and ListCloseWindow while the file loads: their times in milliseconds.
struct TMoveOn {
  double NextMs = 0, CloseMs = 0;
};

TMoveOn TimedMoveOn(HWND Host, HMODULE Plugin, std::wstring File) {
  const auto Load = reinterpret_cast<TListLoadW>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListLoadW")));
  const auto Next = reinterpret_cast<TListLoadNextW>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListLoadNextW")));
  const auto Close =
      reinterpret_cast<TListCloseWindow>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListCloseWindow")));
  TMoveOn Times;
  HWND Viewer = Load && Next && Close ? Load(Host, File.data(), 0) : nullptr;
  if (!Viewer) return Times;
  PumpUntil([&] { return ShownLines(Viewer) > 0 || !Loading(Viewer); });
  double Start = WallSeconds();
  Next(Host, Viewer, File.data(), 0);
  Times.NextMs = (WallSeconds() - Start) * 1000;
  PumpUntil([&] { return ShownLines(Viewer) > 0 || !Loading(Viewer); });
  Start = WallSeconds();
  Close(Viewer);
  Times.CloseMs = (WallSeconds() - Start) * 1000;
  Pump();
  return Times;
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
  bool Wrap = false, Filtering = true;
  int Runs = 3, HoldMs = 0;
  std::wstring Filter = L"error", File;
  for (int I = 1; I < Argc; ++I) {
    const std::wstring A = Argv[I];
    if (A == L"--wrap") Wrap = true;
    else if (A == L"--runs" && I + 1 < Argc) Runs = _wtoi(Argv[++I]);
    else if (A == L"--filter" && I + 1 < Argc) Filter = Argv[++I];
    else if (A == L"--hold" && I + 1 < Argc) HoldMs = _wtoi(Argv[++I]);
    else if (A == L"--no-filter") Filtering = false;
    else File = A;
  }
  if (File.empty() || Runs <= 0) {
    std::fputs("usage: skerrin-openbench [--wrap] [--runs N] [--filter TEXT] [--hold MS] [--no-filter] LOG\n", stderr);
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
  if (!Load || !Close || !Host) {
    std::fputs("the plug-in lacks an export, or no window\n", stderr);
    return 1;
  }
  ShowWindow(Host, SW_SHOW);
  PaintNow(Host);

  double Complete = 0, CompleteCpu = 0, First = 0, Longest = 0, Call = 0, Filtered = 0, Unfiltered = 0;
  int Result = 0;
  for (int R = 0; R < Runs && Result == 0; ++R) {
    const double Cpu = CpuSeconds(), Start = WallSeconds();
    HWND Viewer = Load(Host, File.data(), 0);
    KeepBest(Call, WallSeconds() - Start, R);
    LongestWait = 0;
    if (!Viewer) {
      std::fputs("ListLoadW failed\n", stderr);
      Result = 1;
      break;
    }
    // The first screen: rows are in and painted.
    const bool Shown = PumpUntil([&] { return ShownLines(Viewer) > 0 || !Loading(Viewer); });
    PaintNow(Host);
    KeepBest(First, WallSeconds() - Start, R);
    const bool Done = Shown && PumpUntil([&] { return !Loading(Viewer); });
    PaintNow(Host);
    KeepBest(Complete, WallSeconds() - Start, R);
    KeepBest(CompleteCpu, CpuSeconds() - Cpu, R);
    KeepBest(Longest, LongestWait, R);
    if (!Done) {
      std::fputs("the load did not complete\n", stderr);
      Result = 1;
    }
    if (R == 0 && HoldMs > 0) Sleep(static_cast<DWORD>(HoldMs));
    HWND Edit = FindById(Viewer, FilterEditId);
    if (!Edit) {
      std::fputs("no filter box in the viewer\n", stderr);
      Result = 1;
    } else if (Filtering && Result == 0) {
      KeepBest(Filtered, TimedFilter(Host, Viewer, Edit, Filter.c_str()), R);
      KeepBest(Unfiltered, TimedFilter(Host, Viewer, Edit, L""), R);
    }
    Close(Viewer);
    Pump();
    // The viewer frees a large log on a thread of its own; the next run should not meet it.
    if (R + 1 < Runs) Sleep(1000);
  }
  const int64_t Peak = PeakMemoryKiB();
  const TMoveOn MoveOn = Result == 0 ? TimedMoveOn(Host, Plugin, File) : TMoveOn{};
  DestroyWindow(Host);
  FreeLibrary(Plugin);
  if (Result == 0)
    std::printf("%.6f %.6f %.6f %.6f %lld %.6f %.3f %.3f %.3f %.3f\n", Complete, CompleteCpu, Filtered, Unfiltered,
                static_cast<long long>(Peak), First, Longest * 1000, Call * 1000, MoveOn.NextMs, MoveOn.CloseMs);
  return Result;
}
