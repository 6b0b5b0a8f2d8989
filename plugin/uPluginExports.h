#pragma once
// The functions the file manager looks up in the lister plug-in, by their plain names. On i386
// they use stdcall (the callee removes its arguments); the build strips the @N decoration.

#include <windows.h>

#define SKERRIN_EXPORT extern "C" __declspec(dllexport)

// The host evaluates this expression to decide which files it offers to the plug-in.
inline constexpr char DetectString[] =
    "EXT=\"LOG\" | EXT=\"TXT\" | EXT=\"OUT\" | EXT=\"ERR\" | EXT=\"TRACE\" | EXT=\"CSV\" | "
    "FIND(\"[ERROR]\") | FIND(\"[WARN]\") | FIND(\"INFO\")";

SKERRIN_EXPORT void WINAPI ListGetDetectString(char* DetectStringOut, int MaxLen);
