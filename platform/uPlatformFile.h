#pragma once
// Read access to a file by UTF-8 path. Files are read, never mapped: a file truncated under a
// mapping would crash the reader, and logs are truncated and rotated all the time.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/uNoCopy.h"

// Size and identity of a file as taken from an open handle. All zero when it could not be read.
// Times are in 100 ns units since 1601-01-01 (Windows file times); zero when the platform does
// not know them.
struct TPlatformFileInfo {
  bool Valid = false;
  int64_t SizeOnDisk = 0;
  uint32_t VolumeSerial = 0;
  uint32_t FileIndexHigh = 0;
  uint32_t FileIndexLow = 0;
  int64_t CreationTime = 0;
  int64_t LastWriteTime = 0;

  friend bool operator==(const TPlatformFileInfo&, const TPlatformFileInfo&) = default;
};

// Why OpenRead failed, in the terms a user can act on.
enum TFileOpenError : int32_t {
  foeNone,
  foeNotFound,      // no such file or folder, or a name that names no file
  foeAccessDenied,  // no right to read it (also a folder given as a file)
  foeInUse,         // another program holds it open without letting others read
  foeOther,
};

// One open file handle; closed by the destructor or by Close.
class TPlatformFile : TNoCopy {
 public:
  TPlatformFile() = default;
  ~TPlatformFile() { Close(); }

  // Opens an existing file for reading while other processes keep reading, writing, renaming and
  // deleting it: the program that writes a log must be able to rotate it however long a load
  // holds it open. False for directories and on any error (missing, locked, access denied, a
  // path that is not valid UTF-8).
  bool OpenRead(std::string_view FileName);
  // The reason the last OpenRead failed; foeNone after a successful one.
  TFileOpenError OpenError() const { return LastOpenError; }
  void Close();
  bool IsOpen() const;

  // The current size in bytes, or -1 on failure.
  int64_t Size() const;
  bool Seek(int64_t Offset);
  // Reads up to Count bytes at the current position; fewer only at the end of the file.
  // Returns the number of bytes read, or -1 on a read error.
  int64_t Read(void* Buffer, int64_t Count);
  bool QueryInfo(TPlatformFileInfo& Info) const;

 private:
  TFileOpenError LastOpenError = foeNone;
#ifdef _WIN32
  void* Handle = nullptr;  // INVALID_HANDLE_VALUE is never stored
#else
  int Fd = -1;
#endif
};

// Opens the file just to take its information; false and an all-zero record when it cannot be
// opened.
bool QueryFileInfo(std::string_view FileName, TPlatformFileInfo& Info);

// A hint that a large buffer about to be filled front to back should be backed by large pages
// where the platform offers them: loading a big file then takes a few hundred page faults
// instead of hundreds of thousands. Pages are still only committed where they are written.
void AdviseLargeBuffer(void* Data, size_t Size);
// Turns that advice off (or on again) for the whole process: benchmarks compare the native
// build with the Windows build, which has no large pages, page size for page size.
void AllowLargeBuffers(bool Allowed);
