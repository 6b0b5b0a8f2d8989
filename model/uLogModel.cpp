#include "model/uLogModel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>

template <typename T>
TRawArray<T>::~TRawArray() {
  std::free(Ptr);
}

template <typename T>
void TRawArray<T>::Resize(size_t NewLength) {
  if (NewLength == Len) return;
  if (NewLength == 0) {
    std::free(Ptr);
    Ptr = nullptr;
    Len = 0;
    return;
  }
  if (NewLength > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_alloc();
  // realloc keeps the old block on failure and, for large blocks, remaps pages instead of
  // copying and touching them.
  void* Grown = std::realloc(Ptr, NewLength * sizeof(T));
  if (!Grown) throw std::bad_alloc();
  Ptr = static_cast<T*>(Grown);
  Len = NewLength;
}

template <typename T>
void TRawArray<T>::Swap(TRawArray& Other) noexcept {
  std::swap(Ptr, Other.Ptr);
  std::swap(Len, Other.Len);
}

template class TRawArray<TLogEntry>;
template class TRawArray<char>;

namespace {
constexpr int64_t MaxOffset = std::numeric_limits<int32_t>::max();

// Offsets and counts are 32-bit: anything that would pass 2^31 - 1 cannot be represented, and
// the caller must see that as a failed load rather than wrapped offsets.
[[noreturn]] void ThrowTooLarge() {
  throw std::length_error("log text or line count beyond 2^31");
}
}  // namespace

TLogList::TLogList() {
  Items.Resize(InitialCapacity);
  Capacity = InitialCapacity;
}

void TLogList::Clear() {
  Count = 0;
  TextUsed = 0;
  if (Items.Length() != InitialCapacity) {
    // A large block shrunk in place keeps its whole address range in the system heap; a 32-bit
    // process needs that range back for the next file, so the entries move to a fresh block.
    TLogEntryArray Fresh;
    Fresh.Resize(InitialCapacity);
    Items.Swap(Fresh);
  }
  Capacity = InitialCapacity;
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
    try {
      TextBuffer.Resize(static_cast<size_t>(std::max(std::min(Current * 2, MaxOffset), Least)));
    } catch (const std::bad_alloc&) {
      // A 32-bit process may have no room for twice a large text; a smaller step keeps the
      // lines of a growing log coming.
      TextBuffer.Resize(static_cast<size_t>(std::max(std::min(Current + Current / 8, MaxOffset), Least)));
    }
  }
  const int32_t Offset = TextUsed;
  if (Len > 0) {
    std::memcpy(TextBuffer.Data() + TextUsed, Data, static_cast<size_t>(Len));
    TextUsed += Len;
  }
  return Offset;
}

int32_t TLogList::ReserveEntry() {
  if (Count >= Capacity) {
    const int64_t Grown = Capacity < LinearGrowth ? static_cast<int64_t>(Capacity) * 2
                                                  : static_cast<int64_t>(Capacity) + LinearGrowth;
    if (Grown > MaxOffset) ThrowTooLarge();
    Items.Resize(static_cast<size_t>(Grown));
    Capacity = static_cast<int32_t>(Grown);
  }
  return Count;
}
