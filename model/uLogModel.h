#pragma once
// The entries and text of one loaded file. All line text lives in one buffer that grows
// geometrically, and entries refer to it by offset, so loading allocates nothing per line.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

#include "model/uLogTypes.h"
#include "platform/uNoCopy.h"

// Memory that a moved block left behind while a reader on another thread may still hold
// pointers into it; its owner releases it once that reader can no longer.
struct TRetiredBlock {
  char* Base = nullptr;
  size_t Reserved = 0;
  size_t Used = 0;  // the memory between Used and Committed is poisoned for AddressSanitizer
  size_t Committed = 0;
  void Release();
};

// Bytes that grow in place inside a reservation of address space, with memory committed only
// as far as they reach. Growing past the reservation moves them to a larger one (twice the
// size where the address space allows, so that moves stay rare); shrinking far below it moves
// them to a smaller one, so that a closed large file leaves no address space behind. Memory
// past Size() is never touched: a buffer sized from a file stays unresident until lines
// actually reach it.
//
// One thread changes a block; another may read it meanwhile through Data() alone (see
// RetireMovesTo). The address is atomic for that reader: a move publishes the new one.
class TReservedBlock : TNoCopy {
 public:
  TReservedBlock() = default;
  ~TReservedBlock() { Release(); }

  char* Data() const { return Base.load(std::memory_order_acquire); }
  size_t Size() const { return Used; }
  size_t ReservedBytes() const { return Reserved; }
  // Keeps the first min(Size, Bytes) bytes; throws std::bad_alloc on failure and then keeps
  // the contents and the size it had.
  void Resize(size_t Bytes);
  // Address space for growing to Bytes later without a move; takes no memory. Only the first
  // Keep bytes need to survive (the rest of the size may come back as zeros) if the block has to
  // move for it. Best effort: when the address space cannot be had, later growth moves instead.
  void ReserveGrowth(size_t Bytes, size_t Keep);
  // What the last ReserveGrowth asked for, until the block moves; zero when it asked nothing.
  size_t ReservedAhead() const { return Ahead; }
  // While set, a move that growth forces leaves the old memory to Retired instead of freeing it,
  // so that a reader on another thread may finish with the old address. Null frees at once.
  void RetireMovesTo(std::vector<TRetiredBlock>* Retired) { RetireTo = Retired; }

 private:
  char* Begin() const { return Base.load(std::memory_order_relaxed); }
  void MoveTo(size_t NewReserved, size_t Copy, size_t CommitBytes);
  void GrowTo(size_t Bytes);
  void CommitTo(size_t Bytes);
  void Release();

  std::atomic<char*> Base{nullptr};
  size_t Used = 0;
  size_t Committed = 0;  // whole pages from Base with memory behind them
  size_t Reserved = 0;
  size_t Ahead = 0;
  std::vector<TRetiredBlock>* RetireTo = nullptr;
};

// A growable array of trivially copyable elements on a TReservedBlock.
template <typename T>
class TRawArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  T* Data() { return reinterpret_cast<T*>(Block.Data()); }
  const T* Data() const { return reinterpret_cast<const T*>(Block.Data()); }
  T& operator[](size_t Index) { return Data()[Index]; }
  const T& operator[](size_t Index) const { return Data()[Index]; }
  size_t Length() const { return Block.Size() / sizeof(T); }
  size_t ReservedLength() const { return Block.ReservedBytes() / sizeof(T); }
  // Keeps the first min(Length, NewLength) elements; throws std::bad_alloc on failure and then
  // leaves the array as it was.
  void Resize(size_t NewLength) { Block.Resize(Bytes(NewLength)); }
  // Room to grow to MaxLength elements without moving, keeping the first Keep elements; see
  // TReservedBlock::ReserveGrowth.
  void ReserveGrowth(size_t MaxLength, size_t Keep) { Block.ReserveGrowth(Bytes(MaxLength), Bytes(Keep)); }
  size_t ReservedAheadLength() const { return Block.ReservedAhead() / sizeof(T); }
  void RetireMovesTo(std::vector<TRetiredBlock>* Retired) { Block.RetireMovesTo(Retired); }

 private:
  static size_t Bytes(size_t Count) {
    if (Count > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return Count * sizeof(T);
  }
  TReservedBlock Block;
};

using TLogEntryArray = TRawArray<TLogEntry>;

// The most text one list holds. Offsets are 64-bit; a 32-bit process could never place 2 GiB
// of text beside its entries in its address space, and there the limit stays at 2^31 - 1.
constexpr int64_t MaxListText = sizeof(void*) >= 8 ? int64_t{1} << 56 : int64_t{0x7FFFFFFF};
constexpr int32_t MaxListCount = 0x7FFFFFFF;
// A line's length is 32-bit: the list could hold a longer one, but no entry could describe it.
constexpr int64_t MaxLineBytes = 0x7FFFFFFF;

class TLogList {
 public:
  static constexpr int32_t InitialCapacity = 4096;
  static constexpr int32_t LinearGrowth = 65536;

  TLogEntryArray Items;
  int32_t Count = 0;
  int32_t Capacity = 0;
  TRawArray<char> TextBuffer;
  int64_t TextUsed = 0;

  TLogList();
  void Clear();
  void EnsureCapacity(int32_t MinCount);
  void ReserveText(int64_t Size);
  // Address space (not memory) for the list to grow to MaxCount entries and MaxText bytes of
  // text without moving either buffer; best effort. Keeps the entries and text in use. A 32-bit
  // process has 2 GiB of address space for everything, so there the buffers only take a bounded
  // margin beyond their size.
  void ReserveGrowth(int64_t MaxCount, int64_t MaxText);
  int64_t AppendText(const char* Data, int32_t Len);
  // Appends bytes of the line whose text began at LineStart; false, with nothing appended, when
  // the line would grow past what an entry can describe.
  bool AppendLinePart(int64_t LineStart, const char* From, const char* To) {
    if (TextUsed - LineStart + (To - From) >= MaxLineBytes) return false;
    AppendText(From, static_cast<int32_t>(To - From));
    return true;
  }
  // Ends the line whose text began at LineStart and returns its length. A CR whose LF came with a
  // later read is already stored; it is taken back from the text rather than kept in the line.
  int32_t EndLineText(int64_t LineStart) {
    auto Len = static_cast<int32_t>(TextUsed - LineStart);
    if (Len > 0 && TextBuffer[static_cast<size_t>(TextUsed) - 1] == '\r') {
      --Len;
      --TextUsed;
    }
    return Len;
  }
  // The index of the next free slot (Count), with room for it; Count is not changed.
  int32_t ReserveEntry() { return ReserveEntryAt(Count); }
  // Room for the entry at Index (at most one past the entries in use): a writer that keeps its
  // own count, while Count belongs to a reader, fills the list this way.
  int32_t ReserveEntryAt(int32_t Index);
  // See TReservedBlock::RetireMovesTo; for both buffers.
  void RetireMovesTo(std::vector<TRetiredBlock>* Retired);
  void GetEntry(int32_t Index, TLogEntry& Entry) const { Entry = Items[Index]; }

  const char* EntryText(int32_t Index) const { return TextBuffer.Data() + Items[Index].TextOffset; }
};
