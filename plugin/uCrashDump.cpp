#include "plugin/uCrashDump.h"

#include <dbghelp.h>

namespace {

using TMiniDumpWriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                         PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

LPTOP_LEVEL_EXCEPTION_FILTER PreviousFilter = nullptr;
bool FilterInstalled = false;

constexpr wchar_t DumpSuffix[] = L"_crash.dmp";
constexpr DWORD MaxLibraryPathLength = 250;

// The heap may be what failed, so the path is built on the stack only.
bool DumpFileName(wchar_t (&Path)[MAX_PATH + 1]) {
  HMODULE Self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&WriteCrashDump)), &Self))
    return false;
  const DWORD Length = GetModuleFileNameW(Self, Path, MAX_PATH + 1);
  if (Length == 0 || Length > MaxLibraryPathLength) return false;
  for (DWORD i = 0; i < sizeof(DumpSuffix) / sizeof(wchar_t); ++i) Path[Length + i] = DumpSuffix[i];
  return true;
}

void WriteDumpWith(TMiniDumpWriteDump WriteDump, EXCEPTION_POINTERS* ExceptionInfo) {
  wchar_t Path[MAX_PATH + 1];
  if (!DumpFileName(Path)) return;
  const HANDLE File = CreateFileW(Path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE) return;
  MINIDUMP_EXCEPTION_INFORMATION Exception;
  Exception.ThreadId = GetCurrentThreadId();
  Exception.ExceptionPointers = ExceptionInfo;
  Exception.ClientPointers = FALSE;
  WriteDump(GetCurrentProcess(), GetCurrentProcessId(), File, MiniDumpNormal, &Exception, nullptr, nullptr);
  CloseHandle(File);
}

}  // namespace

void WriteCrashDump(EXCEPTION_POINTERS* ExceptionInfo) {
  const HMODULE DbgHelp = LoadLibraryW(L"dbghelp.dll");
  if (!DbgHelp) return;
  const auto WriteDump =
      reinterpret_cast<TMiniDumpWriteDump>(reinterpret_cast<void*>(GetProcAddress(DbgHelp, "MiniDumpWriteDump")));
  if (WriteDump) WriteDumpWith(WriteDump, ExceptionInfo);
  FreeLibrary(DbgHelp);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* ExceptionInfo) {
  WriteCrashDump(ExceptionInfo);
  return EXCEPTION_CONTINUE_SEARCH;
}

void InstallCrashFilter() {
  if (FilterInstalled) return;
  PreviousFilter = SetUnhandledExceptionFilter(CrashFilter);
  FilterInstalled = true;
}

void RemoveCrashFilter() {
  if (!FilterInstalled) return;
  FilterInstalled = false;
  const LPTOP_LEVEL_EXCEPTION_FILTER Current = SetUnhandledExceptionFilter(PreviousFilter);
  // Someone replaced our filter after us: theirs stays.
  if (Current != CrashFilter) SetUnhandledExceptionFilter(Current);
}
