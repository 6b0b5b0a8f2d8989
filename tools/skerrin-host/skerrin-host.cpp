// skerrin-host [--dark] [--quickview] [--size WxH | --client WxH] [--filter TEXT] [--search TEXT]
//              [--exit-after MS] [--print-rows] LOG
//
// Opens LOG in the Skerrin plug-in that lies beside this program, inside a top-level window, the
// way the file manager's lister window does: LoadLibrary, ListLoadW with the window as parent and
// the window's client area, resizing the viewer with the window, ListCloseWindow on close.
// --dark passes the host's dark-mode flag, --quickview places the viewer in a child panel (as
// the quick-view panel does), --client sizes the window so that the viewer gets WxH, --filter
// types TEXT into the filter box, --search asks the viewer to search for TEXT as the host's
// search does, --exit-after closes the window after MS milliseconds, and --print-rows writes the
// number of rows the viewer shows after loading to standard output (for measuring the largest
// log that loads).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "platform/uPlatformModule.h"
#include "platform/uPlatformWide.h"

namespace {
using TListLoadW = HWND(WINAPI*)(HWND, WCHAR*, int);
using TListCloseWindow = void(WINAPI*)(HWND);
using TListSearchTextW = int(WINAPI*)(HWND, WCHAR*, int);

HWND Viewer = nullptr;
HWND Panel = nullptr;

void FitViewer(HWND Host) {
  RECT R{};
  GetClientRect(Host, &R);
  if (Panel) MoveWindow(Panel, 0, 0, R.right, R.bottom, TRUE);
  if (Viewer) MoveWindow(Viewer, 0, 0, R.right, R.bottom, TRUE);
}

LRESULT CALLBACK HostProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_SIZE:
      FitViewer(Window);
      return 0;
    case WM_TIMER:
      DestroyWindow(Window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(Window, Msg, WParam, LParam);
  }
}

// A control of the viewer by its id (1001 the list, 1109 the filter box): its direct children.
HWND ViewerControl(int Id) { return Viewer ? GetDlgItem(Viewer, Id) : nullptr; }

// Runs the messages for a while: the viewer applies typed filter text after a pause.
void Pump(DWORD Milliseconds) {
  const DWORD Start = GetTickCount();
  MSG Msg;
  while (GetTickCount() - Start < Milliseconds) {
    while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&Msg);
      DispatchMessageW(&Msg);
    }
    Sleep(10);
  }
}

void PrintRows() {
  HWND List = ViewerControl(1001);
  if (List) std::printf("rows %ld\n", static_cast<long>(SendMessageW(List, LB_GETCOUNT, 0, 0)));
  else std::printf("no viewer\n");
  std::fflush(stdout);
}

std::wstring BesideMe(const wchar_t* Name) { return WideFromUtf8(HostProgramDir()) + Name; }
}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int) {
  int Flags = 0, Width = 1100, Height = 600, ExitAfter = 0;
  bool QuickView = false, Rows = false, ClientSize = false;
  std::wstring File, Filter, Search;
  const int Argc = __argc;
  wchar_t** Argv = __wargv;
  for (int I = 1; I < Argc; ++I) {
    const std::wstring A = Argv[I];
    if (A == L"--dark") Flags |= 128;
    else if (A == L"--quickview") QuickView = true;
    else if ((A == L"--size" || A == L"--client") && I + 1 < Argc) {
      ClientSize = A == L"--client";
      std::swscanf(Argv[++I], L"%dx%d", &Width, &Height);
    } else if (A == L"--exit-after" && I + 1 < Argc) ExitAfter = _wtoi(Argv[++I]);
    else if (A == L"--print-rows") Rows = true;
    else if (A == L"--filter" && I + 1 < Argc) Filter = Argv[++I];
    else if (A == L"--search" && I + 1 < Argc) Search = Argv[++I];
    else File = A;
  }
  if (File.empty()) {
    MessageBoxW(
        nullptr,
        L"usage: skerrin-host [--dark] [--quickview] [--size WxH | --client WxH] [--filter TEXT] [--search TEXT] "
        L"[--exit-after MS] [--print-rows] LOG",
        L"skerrin-host", MB_OK);
    return 2;
  }
  HMODULE Plugin = LoadLibraryW(BesideMe(sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx").c_str());
  if (!Plugin) return 1;
  auto Load = reinterpret_cast<TListLoadW>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListLoadW")));
  auto Close = reinterpret_cast<TListCloseWindow>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListCloseWindow")));
  if (!Load || !Close) return 1;

  WNDCLASSW Class{};
  Class.lpfnWndProc = HostProc;
  Class.hInstance = Instance;
  Class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  Class.lpszClassName = L"SkerrinHostLister";
  RegisterClassW(&Class);
  if (ClientSize) {
    RECT Frame{0, 0, Width, Height};
    AdjustWindowRect(&Frame, WS_OVERLAPPEDWINDOW, FALSE);
    Width = Frame.right - Frame.left;
    Height = Frame.bottom - Frame.top;
  }
  HWND Host =
      CreateWindowExW(0, Class.lpszClassName, (L"Lister - [" + File + L"]").c_str(),
                      WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0, Width, Height, nullptr, nullptr, Instance, nullptr);
  if (!Host) return 1;
  HWND Parent = Host;
  if (QuickView) {
    Panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 10, 10, Host, nullptr,
                            Instance, nullptr);
    Parent = Panel;
  }
  FitViewer(Host);
  Viewer = Load(Parent, File.data(), Flags);
  FitViewer(Host);
  if (Rows) PrintRows();
  ShowWindow(Host, SW_SHOW);
  UpdateWindow(Host);
  if (!Filter.empty()) {
    SetWindowTextW(ViewerControl(1109), Filter.c_str());
    Pump(400);
  }
  auto SearchText =
      reinterpret_cast<TListSearchTextW>(reinterpret_cast<void*>(GetProcAddress(Plugin, "ListSearchTextW")));
  if (!Search.empty() && SearchText && Viewer) SearchText(Viewer, Search.data(), 1);
  if (ExitAfter > 0) SetTimer(Host, 1, static_cast<UINT>(ExitAfter), nullptr);
  MSG Msg;
  while (GetMessageW(&Msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&Msg);
    DispatchMessageW(&Msg);
  }
  // The host window is gone, and with it the viewer (a child); closing is then a no-op.
  if (Viewer && IsWindow(Viewer)) Close(Viewer);
  FreeLibrary(Plugin);
  return Viewer ? 0 : 1;
}
