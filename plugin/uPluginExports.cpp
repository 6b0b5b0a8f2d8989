#include "plugin/uPluginExports.h"

#include <cstring>

#include "platform/uPlatformModule.h"
#include "platform/uPlatformText.h"
#include "platform/uPlatformWide.h"
#include "platform/uTextCodec.h"
#include "settings/uSettings.h"
#include "viewer/uHostCommands.h"
#include "viewer/uHostWindow.h"
#include "viewer/uTailTimer.h"
#include "viewer/uViewLoad.h"
#include "viewer/uViewerLayout.h"
#include "viewer/uWin32LogWindow.h"

static_assert(sizeof(DetectString) - 1 == 121);

namespace {
bool StartUpDone = false;

int Result(bool Succeeded) { return Succeeded ? LISTPLUGIN_OK : LISTPLUGIN_ERROR; }

// Nothing may be thrown into the host: an export that fails answers with its error value.
template <typename R, typename F>
R Guarded(R OnFailure, F&& Work) noexcept {
  try {
    return Work();
  } catch (...) {
    return OnFailure;
  }
}

HWND CreateViewer(HWND ParentWin, const std::string& FileName, int ShowFlags) {
  StartUp();
  return CreateSkerrinWindow(ParentWin, FileName, ShowFlags, AppSettings);
}

int SearchInto(HWND ListWin, const std::string& Text, int Flags) {
  TSkerrinState* S = StateFromWindow(ListWin);
  return Result(S && HostSearchText(*S, Text, Flags));
}
}  // namespace

std::string WideToUtf8(const wchar_t* Text) { return Text ? Utf8FromWide(Text) : std::string(); }

std::string AnsiToUtf8(const char* Text) {
  if (!Text) return {};
  std::u16string Units;
  PlatformAnsiToUtf16(Text, Units);
  return Utf16ToUtf8(Units);
}

void StartUp() {
  if (StartUpDone) return;
  StartUpDone = true;
  ModuleDir = DirectoryOf(ModuleFilePath());
  LoadSettings();
}

int LoadNextInto(HWND ListWin, const std::string& FileName, int ShowFlags) {
  StartUp();
  if (FileName.empty()) return LISTPLUGIN_ERROR;
  TSkerrinState* S = StateFromWindow(ListWin);
  if (!S) return LISTPLUGIN_ERROR;
  StopTail(*S);
  S->FileName = FileName;
  S->ShowFlags = ShowFlags;
  SetHostTheme(*S, (ShowFlags & lcp_darkmode) != 0, (ShowFlags & lcp_darkmodenative) != 0);
  // A failed load leaves an empty, usable view that says why.
  return Result(LoadAndShow(*S));
}

SKERRIN_EXPORT HWND WINAPI ListLoad(HWND ParentWin, char* FileToLoad, int ShowFlags) {
  return Guarded<HWND>(nullptr, [&] { return CreateViewer(ParentWin, AnsiToUtf8(FileToLoad), ShowFlags); });
}

SKERRIN_EXPORT HWND WINAPI ListLoadW(HWND ParentWin, WCHAR* FileToLoad, int ShowFlags) {
  return Guarded<HWND>(nullptr, [&] { return CreateViewer(ParentWin, WideToUtf8(FileToLoad), ShowFlags); });
}

SKERRIN_EXPORT int WINAPI ListLoadNext(HWND, HWND ListWin, char* FileToLoad, int ShowFlags) {
  return Guarded(LISTPLUGIN_ERROR, [&] { return LoadNextInto(ListWin, AnsiToUtf8(FileToLoad), ShowFlags); });
}

SKERRIN_EXPORT int WINAPI ListLoadNextW(HWND, HWND ListWin, WCHAR* FileToLoad, int ShowFlags) {
  return Guarded(LISTPLUGIN_ERROR, [&] { return LoadNextInto(ListWin, WideToUtf8(FileToLoad), ShowFlags); });
}

SKERRIN_EXPORT void WINAPI ListCloseWindow(HWND ListWin) {
  try {
    if (ListWin && IsWindow(ListWin)) DestroyWindow(ListWin);
  } catch (...) {
  }
}

SKERRIN_EXPORT void WINAPI ListGetDetectString(char* DetectStringOut, int MaxLen) {
  try {
    if (!DetectStringOut || MaxLen <= 0) return;
    size_t Copy = sizeof(DetectString) - 1;
    if (Copy > static_cast<size_t>(MaxLen) - 1) Copy = static_cast<size_t>(MaxLen) - 1;
    std::memcpy(DetectStringOut, DetectString, Copy);
    DetectStringOut[Copy] = '\0';
  } catch (...) {
  }
}

SKERRIN_EXPORT void WINAPI ListSetDefaultParams(ListDefaultParamStruct*) {
  try {
    StartUp();
  } catch (...) {
  }
}

SKERRIN_EXPORT int WINAPI ListSendCommand(HWND ListWin, int Command, int Parameter) {
  return Guarded(LISTPLUGIN_ERROR, [&] {
    TSkerrinState* S = StateFromWindow(ListWin);
    return Result(S && HostCommand(*S, Command, Parameter));
  });
}

SKERRIN_EXPORT int WINAPI ListSearchText(HWND ListWin, char* SearchString, int SearchParameter) {
  return Guarded(LISTPLUGIN_ERROR, [&] { return SearchInto(ListWin, AnsiToUtf8(SearchString), SearchParameter); });
}

SKERRIN_EXPORT int WINAPI ListSearchTextW(HWND ListWin, WCHAR* SearchString, int SearchParameter) {
  return Guarded(LISTPLUGIN_ERROR, [&] { return SearchInto(ListWin, WideToUtf8(SearchString), SearchParameter); });
}

SKERRIN_EXPORT int WINAPI ListSearchDialog(HWND ListWin, int FindNext) {
  return Guarded(LISTPLUGIN_ERROR, [&] {
    TSkerrinState* S = StateFromWindow(ListWin);
    return Result(S && HostSearchDialog(*S, FindNext != 0));
  });
}
