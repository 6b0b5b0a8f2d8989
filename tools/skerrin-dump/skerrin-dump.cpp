// skerrin-dump: shows what Skerrin makes of its settings file (--settings) or of a log file.

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "uDumpLog.h"
#include "uDumpSettings.h"
#include "uVersion.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>

#include "platform/uPlatformWide.h"
#endif

namespace {

int DispatchUnguarded(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("skerrin-dump (Skerrin) %s\n", SKERRIN_VERSION_TEXT);
    return 0;
  }
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--settings") == 0) return DumpSettings(argc, argv);
  return DumpLog(argc, argv);
}

// Memory can run out anywhere in printing a large log; scripts get a message and exit 1 then,
// not an abort.
int Dispatch(int argc, char** argv) {
  try {
    return DispatchUnguarded(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "skerrin-dump: out of memory\n");
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "skerrin-dump: %s\n", Error.what());
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The same bytes on every platform: LF line ends, and paths as UTF-8 whatever the code page.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  int Count = 0;
  LPWSTR* Wide = CommandLineToArgvW(GetCommandLineW(), &Count);
  if (Wide) {
    std::vector<std::string> Args;
    Args.reserve(Count);
    for (int i = 0; i < Count; ++i) Args.push_back(Utf8FromWide(Wide[i]));
    LocalFree(Wide);
    std::vector<char*> Pointers;
    Pointers.reserve(Args.size() + 1);
    for (std::string& Arg : Args) Pointers.push_back(Arg.data());
    Pointers.push_back(nullptr);
    return Dispatch(Count, Pointers.data());
  }
#endif
  return Dispatch(argc, argv);
}
