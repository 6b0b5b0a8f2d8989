#include "platform/uPlatformMemory.h"

#include <sys/mman.h>
#include <unistd.h>

size_t MemoryPageSize() {
  static const size_t Size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return Size;
}

size_t ReservationGranularity() { return MemoryPageSize(); }

// Inaccessible and not counted against the commit limit until committed, like a reservation.
void* ReserveAddressSpace(size_t Bytes) {
  void* Base = mmap(nullptr, Bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  return Base == MAP_FAILED ? nullptr : Base;
}

bool CommitMemory(void* At, size_t Bytes) { return Bytes == 0 || mprotect(At, Bytes, PROT_READ | PROT_WRITE) == 0; }

// A fresh inaccessible mapping in place drops the pages at once, as a decommit does. Should it
// fail, the pages stay committed: only memory is kept longer, so there is nothing to report.
void DecommitMemory(void* At, size_t Bytes) {
  if (Bytes == 0) return;
  void* const Fresh = mmap(At, Bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0);
  static_cast<void>(Fresh);
}

void ReleaseAddressSpace(void* Base, size_t Bytes) { munmap(Base, Bytes); }
