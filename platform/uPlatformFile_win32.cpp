#include "platform/uPlatformFile.h"

#include <windows.h>

#include <string>

namespace {
// Strict: a path that is not valid UTF-8 names no file rather than a guessed one.
bool Utf8ToWide(std::string_view Text, std::wstring& Wide) {
  Wide.clear();
  if (Text.empty() || Text.size() > 0x7FFFFFFF) return false;
  const int Len = static_cast<int>(Text.size());
  const int Needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), Len, nullptr, 0);
  if (Needed <= 0) return false;
  Wide.resize(static_cast<size_t>(Needed));
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), Len, Wide.data(), Needed) != Needed)
    return false;
  return Wide.find(L'\0') == std::wstring::npos;
}

int64_t FileTimeValue(const FILETIME& Time) {
  return static_cast<int64_t>((static_cast<uint64_t>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime);
}
}  // namespace

bool TPlatformFile::OpenRead(std::string_view FileName, bool ShareDelete) {
  Close();
  std::wstring Wide;
  if (!Utf8ToWide(FileName, Wide)) return false;
  DWORD Share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if (ShareDelete) Share |= FILE_SHARE_DELETE;
  HANDLE H = CreateFileW(Wide.c_str(), GENERIC_READ, Share, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (H == INVALID_HANDLE_VALUE) return false;
  Handle = H;
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
  return File.OpenRead(FileName, true) && File.QueryInfo(Info);
}

// Large pages on Windows need a privilege that a plug-in in the file manager does not hold.
void AdviseLargeBuffer(void*, size_t) {}
void AllowLargeBuffers(bool) {}
