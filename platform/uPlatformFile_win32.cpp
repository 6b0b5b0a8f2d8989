#include "platform/uPlatformFile.h"

#include <windows.h>

#include <string>

#include "platform/uPlatformWide.h"

namespace {
TFileOpenError OpenErrorFromCode(DWORD Code) {
  switch (Code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
      return foeNotFound;
    case ERROR_ACCESS_DENIED:
      return foeAccessDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return foeInUse;
    default:
      return foeOther;
  }
}

int64_t FileTimeValue(const FILETIME& Time) {
  return static_cast<int64_t>((static_cast<uint64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime);
}
}  // namespace

bool TPlatformFile::OpenRead(std::string_view FileName) {
  Close();
  LastOpenError = foeNotFound;
  // Strict: a path that is not valid UTF-8 names no file rather than a guessed one.
  std::wstring Wide;
  if (FileName.empty() || !WideFromUtf8Strict(FileName, Wide)) return false;
  const DWORD Share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE H = CreateFileW(Wide.c_str(), GENERIC_READ, Share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (H == INVALID_HANDLE_VALUE) {
    LastOpenError = OpenErrorFromCode(GetLastError());
    return false;
  }
  Handle = H;
  LastOpenError = foeNone;
  return true;
}

void TPlatformFile::Close() {
  if (Handle) CloseHandle(static_cast<HANDLE>(Handle));
  Handle = nullptr;
}

bool TPlatformFile::IsOpen() const { return Handle != nullptr; }

int64_t TPlatformFile::Size() const {
  LARGE_INTEGER Value;
  if (!Handle || !GetFileSizeEx(static_cast<HANDLE>(Handle), &Value)) return -1;
  return Value.QuadPart;
}

bool TPlatformFile::Seek(int64_t Offset) {
  if (!Handle || Offset < 0) return false;
  LARGE_INTEGER Distance;
  Distance.QuadPart = Offset;
  return SetFilePointerEx(static_cast<HANDLE>(Handle), Distance, nullptr, FILE_BEGIN) != 0;
}

int64_t TPlatformFile::Read(void* Buffer, int64_t Count) {
  if (!Handle || Count < 0) return -1;
  char* Out = static_cast<char*>(Buffer);
  int64_t Done = 0;
  while (Done < Count) {
    // ReadFile takes a 32-bit count; large requests go in pieces.
    const int64_t Left = Count - Done;
    const DWORD Ask = Left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(Left);
    DWORD Got = 0;
    if (!ReadFile(static_cast<HANDLE>(Handle), Out + Done, Ask, &Got, nullptr)) return -1;
    if (Got == 0) break;
    Done += Got;
  }
  return Done;
}

bool TPlatformFile::QueryInfo(TPlatformFileInfo& Info) const {
  Info = TPlatformFileInfo{};
  BY_HANDLE_FILE_INFORMATION Data;
  if (!Handle || !GetFileInformationByHandle(static_cast<HANDLE>(Handle), &Data)) return false;
  Info.Valid = true;
  Info.SizeOnDisk = static_cast<int64_t>((static_cast<uint64_t>(Data.nFileSizeHigh) << 32) | Data.nFileSizeLow);
  Info.VolumeSerial = Data.dwVolumeSerialNumber;
  Info.FileIndexHigh = Data.nFileIndexHigh;
  Info.FileIndexLow = Data.nFileIndexLow;
  Info.CreationTime = FileTimeValue(Data.ftCreationTime);
  Info.LastWriteTime = FileTimeValue(Data.ftLastWriteTime);
  return true;
}

bool QueryFileInfo(std::string_view FileName, TPlatformFileInfo& Info) {
  Info = TPlatformFileInfo{};
  TPlatformFile File;
  return File.OpenRead(FileName) && File.QueryInfo(Info);
}

// Large pages on Windows need a privilege that a plug-in in the file manager does not hold.
void AdviseLargeBuffer(void*, size_t) {}
void AllowLargeBuffers(bool) {}
