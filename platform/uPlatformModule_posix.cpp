#include "platform/uPlatformModule.h"

#include <unistd.h>

#include <climits>

std::string DirectoryOf(std::string_view Path) {
  const size_t Slash = Path.find_last_of("/\\");
  return Slash == std::string_view::npos ? std::string() : std::string(Path.substr(0, Slash + 1));
}

// Natively the core is linked into programs, so the "library" is the executable itself.
std::string ModuleFilePath() {
  char Buffer[PATH_MAX];
  const ssize_t Len = ::readlink("/proc/self/exe", Buffer, sizeof(Buffer));
  if (Len <= 0 || static_cast<size_t>(Len) >= sizeof(Buffer)) return {};
  return std::string(Buffer, static_cast<size_t>(Len));
}

std::string HostProgramDir() { return DirectoryOf(ModuleFilePath()); }
