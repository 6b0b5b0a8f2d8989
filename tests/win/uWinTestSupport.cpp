#include "win/uWinTestSupport.h"

#include <commctrl.h>

#include <cstring>
#include <utility>

#include "platform/uPlatformModule.h"
#include "platform/uPlatformWide.h"

const std::string TenLevelLines =
    "2024-01-01 10:00:00 INFO start\r\n"
    "2024-01-01 10:00:01 INFO step one\r\n"
    "2024-01-01 10:00:02 DEBUG detail\r\n"
    "2024-01-01 10:00:03 ERROR broken pipes\r\n"
    "2024-01-01 10:00:04 INFO step two\r\n"
    "2024-01-01 10:00:05 WARN slow\r\n"
    "2024-01-01 10:00:06 INFO step six\r\n"
    "2024-01-01 10:00:07 ERROR disk full\r\n"
    "2024-01-01 10:00:08 INFO step four\r\n"
    "2024-01-01 10:00:09 INFO done\r\n";

std::wstring PluginPath() {
  return WideFromUtf8(HostProgramDir()) + (sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx");
}

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

namespace {

FILETIME LongAgo() {
  SYSTEMTIME T{2020, 1, 3, 15, 8, 0, 0, 0};
  FILETIME F{};
  SystemTimeToFileTime(&T, &F);
  return F;
}

HANDLE OpenForWriting(const std::wstring& Path, DWORD Disposition) {
  return CreateFileW(Path.c_str(), GENERIC_WRITE | FILE_WRITE_ATTRIBUTES,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, Disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

void WriteAll(HANDLE File, const std::string& Bytes) {
  DWORD Written = 0;
  if (!Bytes.empty()) WriteFile(File, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written, nullptr);
}

// Wine reports the last write time as the creation time, so putting the creation time back
// there means putting the write time back too.
bool RunningUnderWine() {
  const HMODULE Ntdll = GetModuleHandleW(L"ntdll.dll");
  return Ntdll && GetProcAddress(Ntdll, "wine_get_version");
}

std::function<void()>* PendingHandler = nullptr;
bool HandlerRan = false;

void CALLBACK RunHandler(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  if (!PendingHandler) return;
  auto* Handler = PendingHandler;
  PendingHandler = nullptr;
  HandlerRan = true;
  (*Handler)();
}
}  // namespace

TPluginCopy::TPluginCopy(const wchar_t* Folder, const std::string& Ini) {
  wchar_t Temp[MAX_PATH];
  GetTempPathW(MAX_PATH, Temp);
  // A folder per run: the system can keep a library file of an earlier run in use for a while,
  // and a copy that cannot be replaced would test an old build.
  Dir = std::wstring(Temp) + Folder + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(Dir.c_str(), nullptr);
  if (!Ini.empty()) {
    HANDLE File = CreateFileW((Dir + L"Skerrin.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    WriteAll(File, Ini);
    CloseHandle(File);
  }
  Copy = Dir + (sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx");
  if (CopyFileW(PluginPath().c_str(), Copy.c_str(), FALSE)) Module = LoadLibraryW(Copy.c_str());
}

TPluginCopy::~TPluginCopy() {
  if (Module) FreeLibrary(Module);
  DeleteFileW(Copy.c_str());
  DeleteFileW((Dir + L"Skerrin.ini").c_str());
  RemoveDirectoryW(Dir.c_str());
}

TPluginCopy& SharedPlugin() {
  static TPluginCopy Library;
  return Library;
}

TPluginViewer::TPluginViewer(const std::wstring& FileName, int Flags, bool Visible, int Width, int Height,
                             TPluginCopy* Plugin)
    : Plugin(Plugin ? Plugin : &SharedPlugin()), Host(false, Width, Height, Visible) {
  auto Load = this->Plugin->Export<TListLoadW>("ListLoadW");
  std::wstring Name = FileName;
  if (Load) Viewer = Load(Host.Top(), Name.data(), Flags);
  PumpMessages(30);
  WaitForLoad(Viewer);
}

TPluginViewer::~TPluginViewer() {
  if (!Viewer || !IsWindow(Viewer)) return;
  if (Checked(IdTailBox)) Click(IdTailBox, false);
  if (!Checked(IdFollowBox)) Click(IdFollowBox, true);
  if (auto Close = Plugin->Export<TListCloseWindow>("ListCloseWindow")) Close(Viewer);
}

int TPluginViewer::Rows() const { return static_cast<int>(SendMessageW(Control(IdList), LB_GETCOUNT, 0, 0)); }

std::vector<int> TPluginViewer::SelectedRows() const {
  HWND List = Control(IdList);
  const int Count = static_cast<int>(SendMessageW(List, LB_GETSELCOUNT, 0, 0));
  std::vector<int> Rows(static_cast<size_t>(Count > 0 ? Count : 0));
  if (Count > 0) SendMessageW(List, LB_GETSELITEMS, Count, reinterpret_cast<LPARAM>(Rows.data()));
  return Rows;
}

int TPluginViewer::CaretRow() const { return static_cast<int>(SendMessageW(Control(IdList), LB_GETCARETINDEX, 0, 0)); }

int TPluginViewer::TopRow() const { return static_cast<int>(SendMessageW(Control(IdList), LB_GETTOPINDEX, 0, 0)); }

void TPluginViewer::SelectRows(const std::vector<int>& Rows, int Caret) {
  HWND List = Control(IdList);
  SendMessageW(List, LB_SETSEL, FALSE, -1);
  for (int Row : Rows) SendMessageW(List, LB_SETSEL, TRUE, Row);
  SendMessageW(List, LB_SETCARETINDEX, Caret, FALSE);
}

bool TPluginViewer::Checked(int Box) const { return SendMessageW(Control(Box), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TPluginViewer::Click(int Box, bool On) {
  HWND Control = this->Control(Box);
  SendMessageW(Control, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(Viewer, WM_COMMAND, MAKEWPARAM(Box, BN_CLICKED), reinterpret_cast<LPARAM>(Control));
}

void TPluginViewer::Command(int Id) { SendMessageW(Viewer, WM_COMMAND, MAKEWPARAM(Id, 0), 0); }

// A tick may load the file afresh (it was replaced, truncated or rewritten).
void TPluginViewer::Tick() {
  SendMessageW(Viewer, WM_TIMER, TailTimerId, 0);
  WaitForLoad(Viewer);
}

void TPluginViewer::Filter(const wchar_t* Text) {
  SetWindowTextW(Control(IdFilterEdit), Text);
  PumpMessages(200);
}

std::vector<std::wstring> TPluginViewer::RowTexts() {
  PutOnClipboard(L"<empty view>");
  Command(IdMenuCopyAll);
  const std::wstring Text = ClipboardText();
  if (Text == L"<empty view>") return {};
  return SplitCrLf(Text);
}

std::wstring TPluginViewer::StatusPart(int Part) const { return StatusPartOf(Viewer, Part); }

std::wstring StatusPartOf(HWND Viewer, int Part) {
  // An owner-drawn part answers with the data it was given instead of a text.
  const auto Data = SendMessageW(FindControl(Viewer, IdStatusBar), SB_GETTEXTW, Part, 0);
  const auto* Text = reinterpret_cast<const wchar_t*>(Data);
  return Text ? std::wstring(Text) : std::wstring(L"<no data>");
}

bool WaitForLoad(HWND Viewer) {
  const ULONGLONG Start = GetTickCount64();
  while (IsWindow(Viewer) && StatusPartOf(Viewer, 0).rfind(L"Loading", 0) == 0) {
    if (GetTickCount64() - Start > 60000) return false;
    PumpMessages(5);
  }
  return true;
}

void TPluginViewer::ClickOnRow(int Row, UINT Msg) {
  HWND List = Control(IdList);
  const int Height = static_cast<int>(SendMessageW(List, LB_GETITEMHEIGHT, 0, 0));
  const int Top = TopRow();
  SendMessageW(List, Msg, MK_LBUTTON, MAKELPARAM(10, (Row - Top) * Height + Height / 2));
  SendMessageW(List, WM_LBUTTONUP, 0, MAKELPARAM(10, (Row - Top) * Height + Height / 2));
}

std::wstring ClipboardText() {
  std::wstring Text = L"<none>";
  if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
  if (HANDLE Data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* Locked = static_cast<const wchar_t*>(GlobalLock(Data))) {
      Text = Locked;
      GlobalUnlock(Data);
    }
  }
  CloseClipboard();
  return Text;
}

void PutOnClipboard(const std::wstring& Text) {
  HGLOBAL Memory = GlobalAlloc(GMEM_MOVEABLE, (Text.size() + 1) * sizeof(wchar_t));
  std::memcpy(GlobalLock(Memory), Text.c_str(), (Text.size() + 1) * sizeof(wchar_t));
  GlobalUnlock(Memory);
  if (!OpenClipboard(nullptr)) {
    GlobalFree(Memory);
    return;
  }
  EmptyClipboard();
  if (!SetClipboardData(CF_UNICODETEXT, Memory)) GlobalFree(Memory);
  CloseClipboard();
}

std::vector<std::wstring> SplitCrLf(const std::wstring& Text) {
  std::vector<std::wstring> Lines;
  size_t Start = 0;
  while (Start < Text.size()) {
    const size_t End = Text.find(L"\r\n", Start);
    if (End == std::wstring::npos) {
      Lines.push_back(Text.substr(Start) + L"<no line break>");
      break;
    }
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 2;
  }
  return Lines;
}

TGrowingLog::TGrowingLog(const wchar_t* Name, const std::string& Initial) : Created(LongAgo()) {
  wchar_t Dir[MAX_PATH];
  GetTempPathW(MAX_PATH, Dir);
  FilePath = std::wstring(Dir) + Name;
  RotatedPath = FilePath + L".1";
  DeleteFileW(RotatedPath.c_str());
  HANDLE File = OpenForWriting(FilePath, CREATE_ALWAYS);
  WriteAll(File, Initial);
  CloseHandle(File);
  KeepCreationTime();
}

TGrowingLog::~TGrowingLog() {
  DeleteFileW(FilePath.c_str());
  DeleteFileW(RotatedPath.c_str());
}

void TGrowingLog::KeepCreationTime() {
  HANDLE File = OpenForWriting(FilePath, OPEN_EXISTING);
  SetFileTime(File, &Created, nullptr, RunningUnderWine() ? &Created : nullptr);
  CloseHandle(File);
}

void TGrowingLog::Append(const std::string& Bytes) {
  HANDLE File = OpenForWriting(FilePath, OPEN_EXISTING);
  SetFilePointer(File, 0, nullptr, FILE_END);
  WriteAll(File, Bytes);
  CloseHandle(File);
  KeepCreationTime();
}

void TGrowingLog::Truncate() {
  HANDLE File = OpenForWriting(FilePath, TRUNCATE_EXISTING);
  CloseHandle(File);
  KeepCreationTime();
}

void TGrowingLog::Rotate(const std::string& Content) {
  DeleteFileW(RotatedPath.c_str());
  MoveFileW(FilePath.c_str(), RotatedPath.c_str());
  HANDLE File = OpenForWriting(FilePath, CREATE_ALWAYS);
  WriteAll(File, Content);
  CloseHandle(File);
  // The new file has its own, later creation time; it is kept from now on.
  HANDLE Reopened = CreateFileW(FilePath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  GetFileTime(Reopened, &Created, nullptr, nullptr);
  CloseHandle(Reopened);
}

void TGrowingLog::Rewrite(const std::string& Content) {
  HANDLE File = OpenForWriting(FilePath, OPEN_EXISTING);
  WriteAll(File, Content);
  SetEndOfFile(File);
  // A later write time than any the file had, whatever the clock's resolution.
  SYSTEMTIME T{2031, 5, 0, 1, 12, 0, 0, 0};
  T.wMinute = static_cast<WORD>(++Rewrites);
  FILETIME Written{};
  SystemTimeToFileTime(&T, &Written);
  SetFileTime(File, &Created, nullptr, &Written);
  CloseHandle(File);
}

bool WithinModalLoop(const std::function<void()>& Action, const std::function<void()>& Handler) {
  std::function<void()> Copy = Handler;
  PendingHandler = &Copy;
  HandlerRan = false;
  SetTimer(nullptr, 0, 100, RunHandler);
  Action();
  PendingHandler = nullptr;
  return HandlerRan;
}

void SaveScreenShot(const wchar_t* Name) {
  wchar_t Dir[MAX_PATH];
  if (!GetEnvironmentVariableW(L"SKERRIN_SHOT_DIR", Dir, MAX_PATH)) return;
  HDC Screen = GetDC(nullptr);
  const int Width = GetSystemMetrics(SM_CXSCREEN), Height = GetSystemMetrics(SM_CYSCREEN);
  HDC Memory = CreateCompatibleDC(Screen);
  BITMAPINFO Info{};
  Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
  Info.bmiHeader.biWidth = Width;
  Info.bmiHeader.biHeight = Height;
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 24;
  void* Bits = nullptr;
  HBITMAP Bitmap = CreateDIBSection(Screen, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
  HGDIOBJ Old = SelectObject(Memory, Bitmap);
  BitBlt(Memory, 0, 0, Width, Height, Screen, 0, 0, SRCCOPY);
  SelectObject(Memory, Old);
  const DWORD Stride = (static_cast<DWORD>(Width) * 3 + 3) & ~3u;
  BITMAPFILEHEADER File{};
  File.bfType = 0x4D42;
  File.bfOffBits = sizeof(File) + sizeof(Info.bmiHeader);
  File.bfSize = File.bfOffBits + Stride * static_cast<DWORD>(Height);
  const std::wstring Path = std::wstring(Dir) + L"\\" + Name + L".bmp";
  HANDLE Out = CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD Written = 0;
  WriteFile(Out, &File, sizeof(File), &Written, nullptr);
  WriteFile(Out, &Info.bmiHeader, sizeof(Info.bmiHeader), &Written, nullptr);
  WriteFile(Out, Bits, Stride * static_cast<DWORD>(Height), &Written, nullptr);
  CloseHandle(Out);
  DeleteObject(Bitmap);
  DeleteDC(Memory);
  ReleaseDC(nullptr, Screen);
}
