#pragma once
// Address space taken for a block that may grow, with memory committed behind it as it grows:
// a block grows in place, without being copied, as far as its reservation reaches. On Windows
// this is what VirtualAlloc offers; the heap would copy a block of hundreds of megabytes on
// every growth step.

#include <cstddef>

// The size of a memory page; commits and decommits are made in whole pages.
size_t MemoryPageSize();
// The granularity of reservations (64 KiB on Windows, a page elsewhere).
size_t ReservationGranularity();

// Takes Bytes of address space (a multiple of ReservationGranularity) with no memory behind it
// yet; null when no such range is free.
void* ReserveAddressSpace(size_t Bytes);
// Puts memory behind [At, At + Bytes), a whole-page range inside one reservation. Pages that
// were never committed read as zero. False when memory is exhausted; nothing is changed then.
bool CommitMemory(void* At, size_t Bytes);
// Gives the memory of a whole-page range back; its addresses stay reserved.
void DecommitMemory(void* At, size_t Bytes);
// Gives a whole reservation back; Base and Bytes as ReserveAddressSpace took them.
void ReleaseAddressSpace(void* Base, size_t Bytes);
