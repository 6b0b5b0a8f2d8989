#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "uTestSupport.h"
#include "win/uWinTestSupport.h"

namespace {
std::wstring Wide(const std::string& Utf8) {
  const int Len = MultiByteToWideChar(CP_UTF8, 0, Utf8.c_str(), -1, nullptr, 0);
  std::wstring Text(Len > 0 ? Len - 1 : 0, L'\0');
  if (Len > 1) MultiByteToWideChar(CP_UTF8, 0, Utf8.c_str(), -1, Text.data(), Len);
  return Text;
}

// Loads the plug-in from a copy of its own, shows FileName in a viewer and closes it at once,
// frees the library, and reports whether it was unloaded within Patience milliseconds.
bool UnloadsAfterShowing(const std::wstring& FileName, DWORD Patience) {
  wchar_t Temp[MAX_PATH];
  GetTempPathW(MAX_PATH, Temp);
  const std::wstring Dir = std::wstring(Temp) + L"SkerrinUnloadTest" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(Dir.c_str(), nullptr);
  const std::wstring Copy = Dir + (sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx");
  EXPECT_TRUE(CopyFileW(PluginPath().c_str(), Copy.c_str(), FALSE));

  HMODULE Module = LoadLibraryW(Copy.c_str());
  EXPECT_NE(Module, nullptr);
  if (!Module) return false;
  auto Load = ExportOf<TListLoadW>(Module, "ListLoadW");
  auto Close = ExportOf<TListCloseWindow>(Module, "ListCloseWindow");
  HWND Host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 400, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  std::wstring Name = FileName;
  HWND Viewer = Load && Close && Host ? Load(Host, Name.data(), 0) : nullptr;
  EXPECT_NE(Viewer, nullptr);
  if (Viewer) Close(Viewer);
  DestroyWindow(Host);

  FreeLibrary(Module);
  const ULONGLONG Start = GetTickCount64();
  bool Unloaded = false;
  while (!(Unloaded = GetModuleHandleW(Copy.c_str()) == nullptr) && GetTickCount64() - Start < Patience) Sleep(10);
  DeleteFileW(Copy.c_str());
  RemoveDirectoryW(Dir.c_str());
  return Unloaded;
}
}  // namespace

// A library that has parsed a log must still unload when the host frees it: anything that pins
// it (per-thread objects with destructors, for one) would keep its crash filter installed and
// its code mapped for the rest of the host's life.
TEST(PluginUnload, FreeLibraryUnloadsAfterALogWasShown) {
  // A CSV file exercises every reused parse buffer: the upper-case copies and the CSV field.
  EXPECT_TRUE(UnloadsAfterShowing(Wide(TestDataPath("events.csv")), 5000)) << "the plug-in stayed loaded";
}

// A viewer closed while its load still runs leaves the worker to end on its own; the worker holds
// the library until then, and lets go of it as it ends, so that the host may free it meanwhile.
TEST(PluginUnload, FreeLibraryRightAfterAViewerWasClosedMidLoad) {
  std::string Text;
  for (int I = 0; Text.size() < (48u << 20); ++I)
    Text += "2024-01-01 10:00:00.000 [main] INFO  com.example.Service - request " + std::to_string(I) + " done\r\n";
  TTempLog Log(Text, L"skerrin_unload_midload.log");
  EXPECT_TRUE(UnloadsAfterShowing(Log.Path(), 10000)) << "the plug-in stayed loaded";
}
