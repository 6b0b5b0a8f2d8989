#pragma once
// The functions the file manager looks up in the lister plug-in, by their plain names. On i386
// they use stdcall (the callee removes its arguments); the build strips the @N decoration.

#include <windows.h>

#include <string>

#define SKERRIN_EXPORT extern "C" __declspec(dllexport)

inline constexpr int LISTPLUGIN_OK = 0;
inline constexpr int LISTPLUGIN_ERROR = 1;

// The host evaluates this expression to decide which files it offers to the plug-in.
inline constexpr char DetectString[] =
    "EXT=\"LOG\" | EXT=\"TXT\" | EXT=\"OUT\" | EXT=\"ERR\" | EXT=\"TRACE\" | EXT=\"CSV\" | "
    "FIND(\"[ERROR]\") | FIND(\"[WARN]\") | FIND(\"INFO\")";

// The host's default-parameter record.
struct ListDefaultParamStruct {
  int size;
  DWORD PluginInterfaceVersionLow;
  DWORD PluginInterfaceVersionHi;
  char DefaultIniName[MAX_PATH];
};

SKERRIN_EXPORT HWND WINAPI ListLoad(HWND ParentWin, char* FileToLoad, int ShowFlags);
SKERRIN_EXPORT HWND WINAPI ListLoadW(HWND ParentWin, WCHAR* FileToLoad, int ShowFlags);
SKERRIN_EXPORT int WINAPI ListLoadNext(HWND ParentWin, HWND ListWin, char* FileToLoad, int ShowFlags);
SKERRIN_EXPORT int WINAPI ListLoadNextW(HWND ParentWin, HWND ListWin, WCHAR* FileToLoad, int ShowFlags);
SKERRIN_EXPORT void WINAPI ListCloseWindow(HWND ListWin);
SKERRIN_EXPORT void WINAPI ListGetDetectString(char* DetectStringOut, int MaxLen);
SKERRIN_EXPORT void WINAPI ListSetDefaultParams(ListDefaultParamStruct* Params);
SKERRIN_EXPORT int WINAPI ListSendCommand(HWND ListWin, int Command, int Parameter);
SKERRIN_EXPORT int WINAPI ListSearchText(HWND ListWin, char* SearchString, int SearchParameter);
SKERRIN_EXPORT int WINAPI ListSearchTextW(HWND ListWin, WCHAR* SearchString, int SearchParameter);
SKERRIN_EXPORT int WINAPI ListSearchDialog(HWND ListWin, int FindNext);

// The one-time start-up of the loading exports: ModuleDir and the settings file.
void StartUp();
// Reloads another file into an existing viewer; the body of both ListLoadNext exports.
int LoadNextInto(HWND ListWin, const std::string& FileName, int ShowFlags);
// Conversions at the export boundary.
std::string AnsiToUtf8(const char* Text);
std::string WideToUtf8(const wchar_t* Text);
