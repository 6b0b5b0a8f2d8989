#include "platform/uPlatformTextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/uNoCopy.h"

namespace {

// Owns one descriptor.
class TFd : TNoCopy {
 public:
  explicit TFd(int Fd) : Fd(Fd) {}
  ~TFd() { Close(); }
  int Get() const { return Fd; }
  bool Close() {
    const int Old = Fd;
    Fd = -1;
    return Old < 0 || ::close(Old) == 0;
  }

 private:
  int Fd;
};

bool WriteAll(int Fd, std::string_view Data) {
  while (!Data.empty()) {
    const ssize_t Written = ::write(Fd, Data.data(), Data.size());
    if (Written < 0 && errno == EINTR) continue;
    if (Written <= 0) return false;
    Data.remove_prefix(static_cast<size_t>(Written));
  }
  return true;
}

}  // namespace

bool TextFileExists(std::string_view Path) {
  struct stat Info {};
  return ::stat(std::string(Path).c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

bool ReadTextFile(std::string_view Path, std::string& Contents) {
  Contents.clear();
  TFd File(::open(std::string(Path).c_str(), O_RDONLY | O_CLOEXEC));
  if (File.Get() < 0) return false;
  char Buffer[16384];
  for (;;) {
    const ssize_t Read = ::read(File.Get(), Buffer, sizeof(Buffer));
    if (Read < 0 && errno == EINTR) continue;
    if (Read < 0) {
      Contents.clear();
      return false;
    }
    if (Read == 0) return true;
    Contents.append(Buffer, static_cast<size_t>(Read));
  }
}

bool ReplaceTextFile(std::string_view Path, std::string_view Contents) {
  const std::string Target(Path);
  const std::string Temp = Target + "." + std::to_string(::getpid()) + ".tmp";
  mode_t Mode = 0644;
  struct stat Old {};
  if (::stat(Target.c_str(), &Old) == 0) Mode = Old.st_mode & 07777;

  TFd File(::open(Temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, Mode));
  if (File.Get() < 0) return false;
  const bool Written = WriteAll(File.Get(), Contents) && ::fsync(File.Get()) == 0;
  if (!File.Close() || !Written || ::rename(Temp.c_str(), Target.c_str()) != 0) {
    ::unlink(Temp.c_str());
    return false;
  }
  return true;
}
