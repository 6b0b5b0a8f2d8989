#include "model/uLogModel.h"

#include <algorithm>
#include <cstring>
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

void TRetiredBlock::Release() {
  if (!Base) return;
  Unpoison(Base + Used, Committed - Used);
  ReleaseAddressSpace(Base, Reserved);
  Base = nullptr;
}

void TReservedBlock::Release() {
  char* const Old = Begin();
  if (!Old) return;
  TRetiredBlock Block{Old, Reserved, Used, Committed};
  Base.store(nullptr, std::memory_order_release);
  Used = Committed = Reserved = Ahead = 0;
  if (RetireTo) RetireTo->push_back(Block);
  else Block.Release();
}

// Moves the first Copy bytes to a new reservation with CommitBytes committed; the size is the
// caller's to set. The old block is left as it was when this fails.
void TReservedBlock::MoveTo(size_t NewReserved, size_t Copy, size_t CommitBytes) {
  // The slot for the old block is taken first, so that nothing can fail once memory was taken.
  if (RetireTo) RetireTo->reserve(RetireTo->size() + 1);
  NewReserved = RoundUp(NewReserved, ReservationGranularity());
  const size_t NewCommitted = RoundUp(CommitBytes, MemoryPageSize());
  char* NewBase = static_cast<char*>(ReserveAddressSpace(NewReserved));
  if (!NewBase) throw std::bad_alloc();
  if (!CommitMemory(NewBase, NewCommitted)) {
    ReleaseAddressSpace(NewBase, NewReserved);
    throw std::bad_alloc();
  }
  if (Copy > 0) std::memcpy(NewBase, Begin(), Copy);
  const size_t KeepUsed = Used;
  char* const Old = Begin();
  // Resize and ReserveGrowth unpoisoned all of it before asking for the move.
  const TRetiredBlock OldBlock{Old, Reserved, Committed, Committed};
  Base.store(NewBase, std::memory_order_release);
  if (Old) {
    if (RetireTo) RetireTo->push_back(OldBlock);
    else TRetiredBlock(OldBlock).Release();
  }
  Used = KeepUsed;
  Reserved = NewReserved;
  Committed = NewCommitted;
  Ahead = 0;
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
    if (!CommitMemory(Begin() + Committed, Pages - Committed)) throw std::bad_alloc();
  } else if (Pages < Committed) {
    Unpoison(Begin() + Pages, Committed - Pages);
    DecommitMemory(Begin() + Pages, Committed - Pages);
  }
  Committed = Pages;
}

void TReservedBlock::Resize(size_t Bytes) {
  if (Bytes == 0) {
    Release();
    return;
  }
  Unpoison(Begin() + Used, Committed - Used);
  try {
    if (Bytes > Reserved) GrowTo(Bytes);
    else if (Bytes < Used && Reserved > SmallReservation && Bytes <= Reserved / 4) MoveTo(Bytes * 2, Bytes, Bytes);
    else CommitTo(Bytes);
  } catch (...) {
    Poison(Begin() + Used, Committed - Used);
    throw;
  }
  Used = Bytes;
  Poison(Begin() + Used, Committed - Used);
}

void TReservedBlock::ReserveGrowth(size_t Bytes, size_t Keep) {
  if (Used == 0) return;
  if (Bytes <= Reserved) {
    Ahead = Bytes;
    return;
  }
  Unpoison(Begin() + Used, Committed - Used);
  try {
    MoveTo(Bytes, Keep < Used ? Keep : Used, Used);
    Ahead = Bytes;
  } catch (const std::bad_alloc&) {
  }
  Poison(Begin() + Used, Committed - Used);
}

namespace {
// Offsets beyond the list's limits cannot be represented; the caller must see that as a failed
// load rather than wrapped offsets.
[[noreturn]] void ThrowTooLarge() { throw std::length_error("log text or line count beyond the list's limit"); }

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
    Items.ReserveGrowth(static_cast<size_t>(std::min<int64_t>(MaxCount, MaxListCount)), static_cast<size_t>(Count));
  if (MaxText > static_cast<int64_t>(TextBuffer.Length()))
    TextBuffer.ReserveGrowth(static_cast<size_t>(std::min(MaxText, MaxListText)), static_cast<size_t>(TextUsed));
}

void TLogList::RetireMovesTo(std::vector<TRetiredBlock>* Retired) {
  Items.RetireMovesTo(Retired);
  TextBuffer.RetireMovesTo(Retired);
}

void TLogList::EnsureCapacity(int32_t MinCount) {
  if (Capacity >= MinCount) return;
  Items.Resize(static_cast<size_t>(MinCount));
  Capacity = MinCount;
}

void TLogList::ReserveText(int64_t Size) {
  TextUsed = 0;
  if (Size < 0) Size = 0;
  if (Size >= MaxListText) ThrowTooLarge();
  if (static_cast<int64_t>(TextBuffer.Length()) < Size + 1) {
    // The old text is of no use any more: released first, it is neither copied nor held beside
    // the new buffer, for which a 32-bit process may not have room twice.
    TextBuffer.Resize(0);
    TextBuffer.Resize(static_cast<size_t>(Size + 1));
  }
}

int64_t TLogList::AppendText(const char* Data, int32_t Len) {
  const int64_t Needed = TextUsed + Len + 1;
  if (Needed > MaxListText) ThrowTooLarge();
  const int64_t Current = static_cast<int64_t>(TextBuffer.Length());
  if (Needed > Current) {
    // Past the representable limit the growth is capped; the text itself still fits.
    const int64_t Least = std::min(TextUsed + Len + 65536, MaxListText);
    const int64_t Step = std::max(std::min(Current * 2, MaxListText), Least);
    try {
      TextBuffer.Resize(static_cast<size_t>(
          StepWithinReservation(Step, Needed, static_cast<int64_t>(TextBuffer.ReservedAheadLength()))));
    } catch (const std::bad_alloc&) {
      // A 32-bit process may have no room for twice a large text; a smaller step keeps the
      // lines of a growing log coming.
      TextBuffer.Resize(static_cast<size_t>(std::max(std::min(Current + Current / 8, MaxListText), Least)));
    }
  }
  const int64_t Offset = TextUsed;
  if (Len > 0) {
    CopyBytes(TextBuffer.Data() + TextUsed, Data, static_cast<size_t>(Len));
    TextUsed += Len;
  }
  return Offset;
}

int32_t TLogList::ReserveEntryAt(int32_t Index) {
  if (Index >= Capacity) {
    if (Capacity >= MaxListCount) ThrowTooLarge();
    int64_t Grown =
        Capacity < LinearGrowth ? static_cast<int64_t>(Capacity) * 2 : static_cast<int64_t>(Capacity) + LinearGrowth;
    Grown = std::min<int64_t>(Grown, MaxListCount);
    Grown = StepWithinReservation(Grown, int64_t{Index} + 1, static_cast<int64_t>(Items.ReservedAheadLength()));
    Items.Resize(static_cast<size_t>(Grown));
    Capacity = static_cast<int32_t>(Grown);
  }
  return Index;
}
