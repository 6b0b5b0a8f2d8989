#include "platform/uPlatformTextFile.h"

#include <windows.h>

#include "platform/uNoCopy.h"
#include "platform/uPlatformWide.h"

namespace {

// Owns one file handle.
class THandle : TNoCopy {
 public:
  explicit THandle(HANDLE Handle) : Handle(Handle) {}
  ~THandle() { Close(); }
  HANDLE Get() const { return Handle; }
  bool Valid() const { return Handle != INVALID_HANDLE_VALUE; }
  bool Close() {
    const HANDLE Old = Handle;
    Handle = INVALID_HANDLE_VALUE;
    return Old == INVALID_HANDLE_VALUE || CloseHandle(Old);
  }

 private:
  HANDLE Handle;
};

bool WriteAll(HANDLE File, std::string_view Data) {
  while (!Data.empty()) {
    const DWORD Chunk = Data.size() > 1u << 30 ? 1u << 30 : static_cast<DWORD>(Data.size());
    DWORD Written = 0;
    if (!WriteFile(File, Data.data(), Chunk, &Written, nullptr) || Written == 0) return false;
    Data.remove_prefix(Written);
  }
  return true;
}

}  // namespace

bool TextFileExists(std::string_view Path) {
  const DWORD Attributes = GetFileAttributesW(WideFromUtf8(Path).c_str());
  return Attributes != INVALID_FILE_ATTRIBUTES && !(Attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadTextFile(std::string_view Path, std::string& Contents) {
  Contents.clear();
  THandle File(CreateFileW(WideFromUtf8(Path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.Valid()) return false;
  char Buffer[16384];
  for (;;) {
    DWORD Read = 0;
    if (!ReadFile(File.Get(), Buffer, sizeof(Buffer), &Read, nullptr)) {
      Contents.clear();
      return false;
    }
    if (Read == 0) return true;
    Contents.append(Buffer, Read);
  }
}

bool ReplaceTextFile(std::string_view Path, std::string_view Contents) {
  const std::wstring Target = WideFromUtf8(Path);
  const std::wstring Temp = Target + L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  THandle File(CreateFileW(Temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!File.Valid()) return false;
  const bool Written = WriteAll(File.Get(), Contents) && FlushFileBuffers(File.Get());
  if (!File.Close() || !Written ||
      !MoveFileExW(Temp.c_str(), Target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(Temp.c_str());
    return false;
  }
  return true;
}
