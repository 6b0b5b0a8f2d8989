#include "model/uLogModel.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "model/uTextScan.h"
#include "platform/uPlatformMemory.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {
// Memory handed back by a shrink is poisoned for AddressSanitizer in the sanitized tests, so
// that reading past an array's length is still caught although no heap block ends there.
#if defined(__SANITIZE_ADDRESS__)
void Poison(const char* At, size_t Bytes) {
  if (Bytes > 0) ASAN_POISON_MEMORY_REGION(At, Bytes);
}
void Unpoison(const char* At, size_t Bytes) {
  if (Bytes > 0) ASAN_UNPOISON_MEMORY_REGION(At, Bytes);
}
#else
void Poison(const char*, size_t) {}
void Unpoison(const char*, size_t) {}
#endif

size_t RoundUp(size_t Bytes, size_t Unit) {
  const size_t Rest = Bytes % Unit;
  if (Rest == 0) return Bytes;
  if (Bytes > SIZE_MAX - (Unit - Rest)) throw std::bad_alloc();
  return Bytes + (Unit - Rest);
}

// Below this a reservation is not worth giving back early.
constexpr size_t SmallReservation = size_t{1} << 20;
}  // namespace

void TReservedBlock::Release() {
  if (!Base) return;
  Unpoison(Base, Committed);
  ReleaseAddressSpace(Base, Reserved);
  Base = nullptr;
  Used = Committed = Reserved = Ahead = 0;
}

// Moves the first Copy bytes to a new reservation with CommitBytes committed; the size is the
// caller's to set. The old block is left as it was when this fails.
void TReservedBlock::MoveTo(size_t NewReserved, size_t Copy, size_t CommitBytes) {
  NewReserved = RoundUp(NewReserved, ReservationGranularity());
  const size_t NewCommitted = RoundUp(CommitBytes, MemoryPageSize());
  char* NewBase = static_cast<char*>(ReserveAddressSpace(NewReserved));
  if (!NewBase) throw std::bad_alloc();
  if (!CommitMemory(NewBase, NewCommitted)) {
    ReleaseAddressSpace(NewBase, NewReserved);
    throw std::bad_alloc();
  }
  if (Copy > 0) std::memcpy(NewBase, Base, Copy);
  const size_t KeepUsed = Used;
  Release();
  Base = NewBase;
  Used = KeepUsed;
  Reserved = NewReserved;
  Committed = NewCommitted;
}

// Past the reservation: twice the reservation, so that moves stay rare, or where address space
// is too tight for that (a 32-bit process) just what is needed and an eighth more.
void TReservedBlock::GrowTo(size_t Bytes) {
  const size_t Doubled = Reserved <= SIZE_MAX / 2 && Reserved * 2 > Bytes ? Reserved * 2 : Bytes;
  try {
    MoveTo(Doubled, Used, Bytes);
  } catch (const std::bad_alloc&) {
    const size_t Tight = Bytes <= SIZE_MAX - Bytes / 8 ? Bytes + Bytes / 8 : Bytes;
    if (Tight >= Doubled) throw;
    MoveTo(Tight, Used, Bytes);
  }
}

void TReservedBlock::CommitTo(size_t Bytes) {
  const size_t Pages = RoundUp(Bytes, MemoryPageSize());
  if (Pages > Committed) {
    if (!CommitMemory(Base + Committed, Pages - Committed)) throw std::bad_alloc();
  } else if (Pages < Committed) {
    Unpoison(Base + Pages, Committed - Pages);
    DecommitMemory(Base + Pages, Committed - Pages);
  }
  Committed = Pages;
}

void TReservedBlock::Resize(size_t Bytes) {
  if (Bytes == 0) {
    Release();
    return;
  }
  Unpoison(Base, Committed);
  try {
    if (Bytes > Reserved) GrowTo(Bytes);
    else if (Bytes < Used && Reserved > SmallReservation && Bytes <= Reserved / 4) MoveTo(Bytes * 2, Bytes, Bytes);
    else CommitTo(Bytes);
  } catch (...) {
    Poison(Base + Used, Committed - Used);
    throw;
  }
  Used = Bytes;
  Poison(Base + Used, Committed - Used);
}

void TReservedBlock::ReserveGrowth(size_t Bytes, size_t Keep) {
  if (Used == 0) return;
  if (Bytes <= Reserved) {
    Ahead = Bytes;
    return;
  }
  Unpoison(Base, Committed);
  try {
    MoveTo(Bytes, Keep < Used ? Keep : Used, Used);
    Ahead = Bytes;
  } catch (const std::bad_alloc&) {
  }
  Poison(Base + Used, Committed - Used);
}

namespace {
constexpr int64_t MaxOffset = std::numeric_limits<int32_t>::max();

// Offsets and counts are 32-bit: anything that would pass 2^31 - 1 cannot be represented, and
// the caller must see that as a failed load rather than wrapped offsets.
[[noreturn]] void ThrowTooLarge() { throw std::length_error("log text or line count beyond 2^31"); }

// A growth step that would pass the room reserved ahead stops at its end when what is needed
// fits there: the loader reserves for the most the file can hold, and a step past that would
// move (copy) the whole block, twice the memory for a moment, for room that is never used.
int64_t StepWithinReservation(int64_t Step, int64_t Needed, int64_t Reserved) {
  return Step > Reserved && Needed <= Reserved ? Reserved : Step;
}
}  // namespace

TLogList::TLogList() {
  Items.Resize(InitialCapacity);
  Capacity = InitialCapacity;
}

void TLogList::Clear() {
  Count = 0;
  Items.Resize(InitialCapacity);
  Capacity = InitialCapacity;
  TextUsed = 0;
}

void TLogList::ReserveGrowth(int64_t MaxCount, int64_t MaxText) {
  if constexpr (sizeof(void*) < 8) {
    MaxCount = std::min<int64_t>(MaxCount, Capacity + Capacity / 2);
    MaxText = std::min<int64_t>(MaxText, static_cast<int64_t>(TextBuffer.Length()) + (int64_t{16} << 20));
  }
  if (MaxCount > Capacity)
    Items.ReserveGrowth(static_cast<size_t>(std::min<int64_t>(MaxCount, MaxOffset)), static_cast<size_t>(Count));
  if (MaxText > static_cast<int64_t>(TextBuffer.Length()))
    TextBuffer.ReserveGrowth(static_cast<size_t>(std::min<int64_t>(MaxText, MaxOffset)), static_cast<size_t>(TextUsed));
}

void TLogList::EnsureCapacity(int32_t MinCount) {
  if (Capacity >= MinCount) return;
  Items.Resize(static_cast<size_t>(MinCount));
  Capacity = MinCount;
}

void TLogList::ReserveText(int64_t Size) {
  TextUsed = 0;
  if (Size < 0) Size = 0;
  if (Size + 1 > MaxOffset) ThrowTooLarge();
  if (static_cast<int64_t>(TextBuffer.Length()) < Size + 1) {
    // The old text is of no use any more: released first, it is neither copied nor held beside
    // the new buffer, for which a 32-bit process may not have room twice.
    TextBuffer.Resize(0);
    TextBuffer.Resize(static_cast<size_t>(Size + 1));
  }
}

int32_t TLogList::AppendText(const char* Data, int32_t Len) {
  const int64_t Needed = static_cast<int64_t>(TextUsed) + Len + 1;
  if (Needed > MaxOffset) ThrowTooLarge();
  const int64_t Current = static_cast<int64_t>(TextBuffer.Length());
  if (Needed > Current) {
    // Past the representable limit the growth is capped; the text itself still fits.
    const int64_t Least = std::min(static_cast<int64_t>(TextUsed) + Len + 65536, MaxOffset);
    const int64_t Step = std::max(std::min(Current * 2, MaxOffset), Least);
    try {
      TextBuffer.Resize(static_cast<size_t>(
          StepWithinReservation(Step, Needed, static_cast<int64_t>(TextBuffer.ReservedAheadLength()))));
    } catch (const std::bad_alloc&) {
      // A 32-bit process may have no room for twice a large text; a smaller step keeps the
      // lines of a growing log coming.
      TextBuffer.Resize(static_cast<size_t>(std::max(std::min(Current + Current / 8, MaxOffset), Least)));
    }
  }
  const int32_t Offset = TextUsed;
  if (Len > 0) {
    CopyBytes(TextBuffer.Data() + TextUsed, Data, static_cast<size_t>(Len));
    TextUsed += Len;
  }
  return Offset;
}

int32_t TLogList::ReserveEntry() {
  if (Count >= Capacity) {
    int64_t Grown =
        Capacity < LinearGrowth ? static_cast<int64_t>(Capacity) * 2 : static_cast<int64_t>(Capacity) + LinearGrowth;
    if (Grown > MaxOffset) ThrowTooLarge();
    Grown = StepWithinReservation(Grown, int64_t{Count} + 1, static_cast<int64_t>(Items.ReservedAheadLength()));
    Items.Resize(static_cast<size_t>(Grown));
    Capacity = static_cast<int32_t>(Grown);
  }
  return Count;
}
