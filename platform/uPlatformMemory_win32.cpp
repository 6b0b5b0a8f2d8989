#include "platform/uPlatformMemory.h"

#include <windows.h>

namespace {
SYSTEM_INFO SystemInfo() {
  SYSTEM_INFO Info;
  GetSystemInfo(&Info);
  return Info;
}
}  // namespace

size_t MemoryPageSize() {
  static const size_t Size = SystemInfo().dwPageSize;
  return Size;
}

size_t ReservationGranularity() {
  static const size_t Size = SystemInfo().dwAllocationGranularity;
  return Size;
}

void* ReserveAddressSpace(size_t Bytes) { return VirtualAlloc(nullptr, Bytes, MEM_RESERVE, PAGE_NOACCESS); }

bool CommitMemory(void* At, size_t Bytes) {
  return Bytes == 0 || VirtualAlloc(At, Bytes, MEM_COMMIT, PAGE_READWRITE) != nullptr;
}

void DecommitMemory(void* At, size_t Bytes) {
  if (Bytes > 0) VirtualFree(At, Bytes, MEM_DECOMMIT);
}

void ReleaseAddressSpace(void* Base, size_t) { VirtualFree(Base, 0, MEM_RELEASE); }
