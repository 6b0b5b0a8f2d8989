#include "win/uViewerTestSupport.h"

#include <fstream>

TTempLog::TTempLog(const std::string& Content, const wchar_t* Name) {
  wchar_t Dir[MAX_PATH];
  GetTempPathW(MAX_PATH, Dir);
  FilePath = std::wstring(Dir) + Name;
  HANDLE File = CreateFileW(FilePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD Written = 0;
  WriteFile(File, Content.data(), static_cast<DWORD>(Content.size()), &Written, nullptr);
  CloseHandle(File);
}

TTempLog::~TTempLog() { DeleteFileW(FilePath.c_str()); }

namespace {
LRESULT CALLBACK HostProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_KEYDOWN || Msg == WM_KEYUP || Msg == WM_CHAR || Msg == WM_SYSKEYDOWN || Msg == WM_SYSKEYUP)
    THostWindow::Keys().push_back({Msg, WParam});
  if (Msg == WM_COMMAND) THostWindow::Keys().push_back({Msg, LOWORD(WParam)});
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

const wchar_t* HostClass() {
  static const wchar_t* Name = [] {
    WNDCLASSW Class{};
    Class.lpfnWndProc = HostProc;
    Class.hInstance = GetModuleHandleW(nullptr);
    Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Class.lpszClassName = L"SkerrinTestLister";
    RegisterClassW(&Class);
    return L"SkerrinTestLister";
  }();
  return Name;
}

BOOL CALLBACK FindById(HWND Window, LPARAM Param) {
  auto* Wanted = reinterpret_cast<std::pair<int, HWND>*>(Param);
  if (GetDlgCtrlID(Window) == Wanted->first) {
    Wanted->second = Window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

WNDPROC THostWindow::OwnProcedure() { return HostProc; }

std::vector<THostWindow::TKey>& THostWindow::Keys() {
  static std::vector<TKey> Recorded;
  return Recorded;
}

THostWindow::THostWindow(bool QuickView, int Width, int Height, bool Visible) {
  TopWindow =
      CreateWindowExW(0, HostClass(), L"Lister", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (Visible ? WS_VISIBLE : 0), 0,
                      0, Width, Height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (QuickView) {
    RECT R{};
    GetClientRect(TopWindow, &R);
    Panel = CreateWindowExW(0, HostClass(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, R.right, R.bottom,
                            TopWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  Keys().clear();
  PumpMessages(20);
}

THostWindow::~THostWindow() {
  if (IsWindow(TopWindow)) DestroyWindow(TopWindow);
  PumpMessages(10);
}

void PumpMessages(DWORD Milliseconds) {
  const DWORD Start = GetTickCount();
  do {
    MSG Msg;
    while (PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&Msg);
      DispatchMessageW(&Msg);
    }
    Sleep(5);
  } while (GetTickCount() - Start < Milliseconds);
}

HWND FindControl(HWND Parent, int Id) {
  std::pair<int, HWND> Wanted{Id, nullptr};
  EnumChildWindows(Parent, FindById, reinterpret_cast<LPARAM>(&Wanted));
  return Wanted.second;
}

std::wstring ClassOf(HWND Window) {
  wchar_t Name[128] = L"";
  GetClassNameW(Window, Name, 128);
  return Name;
}

std::wstring TextOf(HWND Window) {
  wchar_t Text[256] = L"";
  GetWindowTextW(Window, Text, 256);
  return Text;
}

COLORREF ClientPixel(HWND Window, int X, int Y) {
  RedrawWindow(Window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  PumpMessages(50);
  return ScreenPixel(Window, X, Y);
}

COLORREF ScreenPixel(HWND Window, int X, int Y) {
  POINT P{X, Y};
  ClientToScreen(Window, &P);
  HDC Screen = GetDC(nullptr);
  const COLORREF Color = GetPixel(Screen, P.x, P.y);
  ReleaseDC(nullptr, Screen);
  return Color;
}
