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
}  // namespace

// A library that has parsed a log must still unload when the host frees it: anything that pins
// it (per-thread objects with destructors, for one) would keep its crash filter installed and
// its code mapped for the rest of the host's life.
TEST(PluginUnload, FreeLibraryUnloadsAfterALogWasShown) {
  wchar_t Temp[MAX_PATH];
  GetTempPathW(MAX_PATH, Temp);
  const std::wstring Dir = std::wstring(Temp) + L"SkerrinUnloadTest" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(Dir.c_str(), nullptr);
  const std::wstring Copy = Dir + (sizeof(void*) == 8 ? L"Skerrin.wlx64" : L"Skerrin.wlx");
  ASSERT_TRUE(CopyFileW(PluginPath().c_str(), Copy.c_str(), FALSE));

  HMODULE Module = LoadLibraryW(Copy.c_str());
  ASSERT_NE(Module, nullptr);
  auto Load = ExportOf<TListLoadW>(Module, "ListLoadW");
  auto Close = ExportOf<TListCloseWindow>(Module, "ListCloseWindow");
  ASSERT_TRUE(Load && Close);

  HWND Host = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 640, 400, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(Host, nullptr);
  // A CSV file exercises every reused parse buffer: the upper-case copies and the CSV field.
  std::wstring Name = Wide(TestDataPath("events.csv"));
  HWND Viewer = Load(Host, Name.data(), 0);
  ASSERT_NE(Viewer, nullptr);
  Close(Viewer);
  DestroyWindow(Host);

  FreeLibrary(Module);
  EXPECT_EQ(GetModuleHandleW(Copy.c_str()), nullptr) << "the plug-in stayed loaded";
  DeleteFileW(Copy.c_str());
  RemoveDirectoryW(Dir.c_str());
}
