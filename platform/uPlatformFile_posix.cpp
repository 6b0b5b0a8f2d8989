#include "platform/uPlatformFile.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
// Seconds between 1601-01-01 and 1970-01-01, to express times as Windows file times.
constexpr int64_t EpochDelta = 11644473600LL;

int64_t ToFileTime(int64_t Seconds, int64_t Nanoseconds) {
  return (Seconds + EpochDelta) * 10000000LL + Nanoseconds / 100;
}

TFileOpenError OpenErrorFromErrno(int Error) {
  switch (Error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return foeNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return foeAccessDenied;
    case ETXTBSY:
    case EBUSY:
      return foeInUse;
    default:
      return foeOther;
  }
}
}  // namespace

bool TPlatformFile::OpenRead(std::string_view FileName) {
  Close();
  LastOpenError = foeNotFound;
  const std::string Path(FileName);
  if (Path.empty() || Path.find('\0') != std::string::npos) return false;
  int NewFd;
  do NewFd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  while (NewFd < 0 && errno == EINTR);
  if (NewFd < 0) {
    LastOpenError = OpenErrorFromErrno(errno);
    return false;
  }
  // Windows refuses to open a directory as a file; behave the same here.
  struct stat St;
  if (::fstat(NewFd, &St) != 0 || S_ISDIR(St.st_mode)) {
    LastOpenError = foeAccessDenied;
    ::close(NewFd);
    return false;
  }
  Fd = NewFd;
  LastOpenError = foeNone;
  return true;
}

void TPlatformFile::Close() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
}

bool TPlatformFile::IsOpen() const { return Fd >= 0; }

int64_t TPlatformFile::Size() const {
  struct stat St;
  if (Fd < 0 || ::fstat(Fd, &St) != 0) return -1;
  return static_cast<int64_t>(St.st_size);
}

bool TPlatformFile::Seek(int64_t Offset) {
  if (Fd < 0 || Offset < 0) return false;
  return ::lseek(Fd, static_cast<off_t>(Offset), SEEK_SET) == static_cast<off_t>(Offset);
}

int64_t TPlatformFile::Read(void* Buffer, int64_t Count) {
  if (Fd < 0 || Count < 0) return -1;
  char* Out = static_cast<char*>(Buffer);
  int64_t Done = 0;
  // read() may return early (signals, pipes); only the end of the file may shorten the result.
  while (Done < Count) {
    const ssize_t Got = ::read(Fd, Out + Done, static_cast<size_t>(Count - Done));
    if (Got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (Got == 0) break;
    Done += Got;
  }
  return Done;
}

bool TPlatformFile::QueryInfo(TPlatformFileInfo& Info) const {
  Info = TPlatformFileInfo{};
  if (Fd < 0) return false;
  struct statx Stx;
  if (::statx(Fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &Stx) != 0) return false;
  Info.Valid = true;
  Info.SizeOnDisk = static_cast<int64_t>(Stx.stx_size);
  Info.VolumeSerial = static_cast<uint32_t>(makedev(Stx.stx_dev_major, Stx.stx_dev_minor));
  Info.FileIndexHigh = static_cast<uint32_t>(Stx.stx_ino >> 32);
  Info.FileIndexLow = static_cast<uint32_t>(Stx.stx_ino);
  if (Stx.stx_mask & STATX_BTIME) Info.CreationTime = ToFileTime(Stx.stx_btime.tv_sec, Stx.stx_btime.tv_nsec);
  Info.LastWriteTime = ToFileTime(Stx.stx_mtime.tv_sec, Stx.stx_mtime.tv_nsec);
  return true;
}

bool QueryFileInfo(std::string_view FileName, TPlatformFileInfo& Info) {
  Info = TPlatformFileInfo{};
  TPlatformFile File;
  return File.OpenRead(FileName) && File.QueryInfo(Info);
}

namespace {
bool LargeBuffersAllowed = true;
}  // namespace

void AllowLargeBuffers(bool Allowed) { LargeBuffersAllowed = Allowed; }

void AdviseLargeBuffer(void* Data, size_t Size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t HugePage = uintptr_t{2} << 20;
  if (!LargeBuffersAllowed || !Data || Size < 2 * HugePage) return;
  // Only whole huge pages inside the block; the edges stay as they are.
  const uintptr_t Begin = (reinterpret_cast<uintptr_t>(Data) + HugePage - 1) & ~(HugePage - 1);
  const uintptr_t End = (reinterpret_cast<uintptr_t>(Data) + Size) & ~(HugePage - 1);
  if (End > Begin) ::madvise(reinterpret_cast<void*>(Begin), End - Begin, MADV_HUGEPAGE);
#else
  (void)Data;
  (void)Size;
#endif
}
