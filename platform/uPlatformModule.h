#pragma once
// Where the running code lives: the plug-in library (natively, the executable) and the host
// program. Paths are UTF-8.

#include <string>
#include <string_view>

// Full path of the library file that contains this code; empty when it cannot be found.
std::string ModuleFilePath();
// Directory of the host program's executable, with a trailing separator; empty when unknown.
std::string HostProgramDir();
// The directory part of a path, with its trailing separator ('/' or '\'); empty when none.
std::string DirectoryOf(std::string_view Path);
