#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "win/uWinTestSupport.h"

namespace fs = std::filesystem;

namespace {

LPTOP_LEVEL_EXCEPTION_FILTER CurrentFilter() {
  const LPTOP_LEVEL_EXCEPTION_FILTER Current = SetUnhandledExceptionFilter(nullptr);
  SetUnhandledExceptionFilter(Current);
  return Current;
}

HMODULE ModuleOf(void* Address) {
  HMODULE Module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     static_cast<LPCWSTR>(Address), &Module);
  return Module;
}

LONG WINAPI OtherFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// Runs this test program again, as the child that crashes, with the plug-in path in the
// environment; returns its exit code.
DWORD RunCrashingChild(const fs::path& Plugin) {
  SetEnvironmentVariableW(L"SKERRIN_CRASH_PLUGIN", Plugin.wstring().c_str());
  wchar_t Self[MAX_PATH];
  GetModuleFileNameW(nullptr, Self, MAX_PATH);
  std::wstring Command = std::wstring(L"\"") + Self +
                         L"\" --gtest_also_run_disabled_tests --gtest_catch_exceptions=0 "
                         L"--gtest_filter=CrashChild.DISABLED_RaisesUnhandledException";
  // The child's output (and the system's crash report) would only clutter the test log.
  SECURITY_ATTRIBUTES Inherit{sizeof(Inherit), nullptr, TRUE};
  const HANDLE Null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &Inherit,
                                  OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW Startup{};
  Startup.cb = sizeof(Startup);
  Startup.dwFlags = STARTF_USESTDHANDLES;
  Startup.hStdInput = Startup.hStdOutput = Startup.hStdError = Null;
  PROCESS_INFORMATION Process{};
  DWORD ExitCode = 0;
  if (CreateProcessW(nullptr, Command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &Startup, &Process)) {
    WaitForSingleObject(Process.hProcess, 120000);
    GetExitCodeProcess(Process.hProcess, &ExitCode);
    CloseHandle(Process.hThread);
    CloseHandle(Process.hProcess);
  }
  if (Null != INVALID_HANDLE_VALUE) CloseHandle(Null);
  SetEnvironmentVariableW(L"SKERRIN_CRASH_PLUGIN", nullptr);
  return ExitCode;
}

}  // namespace

TEST(CrashFilter, IsInstalledOnLoadAndRestoredOnUnload) {
  const LPTOP_LEVEL_EXCEPTION_FILTER Before = CurrentFilter();
  {
    TPluginLibrary Plugin;
    ASSERT_NE(Plugin.Handle(), nullptr);
    const LPTOP_LEVEL_EXCEPTION_FILTER During = CurrentFilter();
    EXPECT_NE(During, Before);
    EXPECT_EQ(ModuleOf(reinterpret_cast<void*>(During)), Plugin.Handle());
  }
  EXPECT_EQ(CurrentFilter(), Before);
}

TEST(CrashFilter, AFilterInstalledLaterIsKeptAtUnload) {
  const LPTOP_LEVEL_EXCEPTION_FILTER Before = CurrentFilter();
  {
    TPluginLibrary Plugin;
    ASSERT_NE(Plugin.Handle(), nullptr);
    SetUnhandledExceptionFilter(OtherFilter);
  }
  EXPECT_EQ(CurrentFilter(), OtherFilter);
  SetUnhandledExceptionFilter(Before);
}

TEST(CrashFilter, AnUnhandledExceptionLeavesADumpBesideThePlugin) {
  const fs::path Dir = fs::temp_directory_path() / "skerrin-crash-test";
  fs::remove_all(Dir);
  fs::create_directories(Dir);
  const fs::path Plugin = Dir / fs::path(PluginPath()).filename();
  fs::copy_file(PluginPath(), Plugin);
  const fs::path Dump = Dir / (Plugin.filename().wstring() + L"_crash.dmp");

  for (int Run = 0; Run < 2; ++Run) {
    const DWORD ExitCode = RunCrashingChild(Plugin);
    EXPECT_EQ(ExitCode, 0xE0000042u) << "the child ends with its own exception";
    ASSERT_TRUE(fs::exists(Dump)) << "run " << Run;
    EXPECT_GT(fs::file_size(Dump), 32u);
    // A second crash replaces the first dump rather than failing on it.
    if (Run == 0) {
      fs::resize_file(Dump, 1);
    }
  }
  EXPECT_GT(fs::file_size(Dump), 32u);
  std::error_code Ignored;
  fs::remove_all(Dir, Ignored);
}

// The child side of the test above; runs only when started by it.
TEST(CrashChild, DISABLED_RaisesUnhandledException) {
  wchar_t Plugin[MAX_PATH];
  if (!GetEnvironmentVariableW(L"SKERRIN_CRASH_PLUGIN", Plugin, MAX_PATH)) GTEST_SKIP();
  ASSERT_NE(LoadLibraryW(Plugin), nullptr);
  RaiseException(0xE0000042, EXCEPTION_NONCONTINUABLE, 0, nullptr);
}
