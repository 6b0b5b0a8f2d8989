#pragma once
// Finding any of a few words in long text with little work per byte, for searches that run
// over every byte of every line.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// A bit for every four bytes that may stand at an even position of the text inside or just
// before one of the words added, letters folded by setting bit 5 (so 'A' and 'a' give one
// quadgram, and a handful of other bytes share one with them: the caller's comparison decides).
// A word of five bytes or more has its first or its second quadgram at an even position; a word
// of four bytes at an odd position has the byte before it and its first three in the quadgram
// there, so every byte in that place is added. So ForEachCandidate tests every other position
// only, one bit test rejects nearly all of them, and English text, whose trigrams often begin a
// level word, seldom matches four bytes of one. The set is hashed: the rare false hit is rejected
// by the caller's own comparison.
class TQuadgramFilter {
 public:
  // Every word has at least four bytes; its letters are found in either case.
  constexpr void Add(std::string_view Word) {
    Set(Folded(Word, 0));
    if (Word.size() > 4) {
      Set(Folded(Word, 1));
      return;
    }
    for (uint32_t Before = 0; Before < 256; ++Before) Set((Folded(Word, 0) << 8 | Before) | FoldBits);
  }

  // Calls Check(Start) for every position where one of the words may start, until it returns
  // true. A position may be offered more than once.
  template <typename TCheck>
  void ForEachCandidate(std::string_view Text, TCheck&& Check) const {
    const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Text.data());
    const size_t Size = Text.size();
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
      // Four positions from one 8-byte read and one 2-byte read, tested without a branch between
      // them: the loads and bit tests of one step overlap instead of waiting on each other.
      for (; i + 10 <= Size; i += 8) {
        uint64_t Word;
        uint16_t Next;
        std::memcpy(&Word, Bytes + i, 8);
        std::memcpy(&Next, Bytes + i + 8, 2);
        Word |= uint64_t{FoldBits} << 32 | FoldBits;
        const uint32_t Last = static_cast<uint32_t>(Word >> 48) | uint32_t{Next} << 16;
        const uint8_t Any = Holds(static_cast<uint32_t>(Word)) | Holds(static_cast<uint32_t>(Word >> 16)) |
                            Holds(static_cast<uint32_t>(Word >> 32)) | Holds(Last | FoldBits);
        if (Any && CheckAround(Bytes, i, i + 8, Check)) return;
      }
    }
    CheckAround(Bytes, i, Size < 3 ? 0 : Size - 3, Check);
  }

 private:
  static constexpr uint32_t FoldBits = 0x20202020u;

  // The four bytes at Offset of Word (or fewer, when it ends), first byte lowest.
  static constexpr uint32_t Folded(std::string_view Word, size_t Offset) {
    uint32_t Quadgram = 0;
    for (size_t b = 0; b < 4 && Offset + b < Word.size(); ++b)
      Quadgram |= uint32_t{static_cast<unsigned char>(Word[Offset + b])} << (8 * b);
    return Quadgram | FoldBits;
  }
  static uint32_t Read(const unsigned char* Bytes) {
    return (uint32_t{Bytes[0]} | uint32_t{Bytes[1]} << 8 | uint32_t{Bytes[2]} << 16 | uint32_t{Bytes[3]} << 24) |
           FoldBits;
  }

  static constexpr unsigned Slot(uint32_t Quadgram) { return (Quadgram * 2654435761u) >> (32 - SlotBits); }
  constexpr void Set(uint32_t Quadgram) { Marks[Slot(Quadgram)] = 1; }
  uint8_t Holds(uint32_t Quadgram) const { return Marks[Slot(Quadgram)]; }

  // The even positions from First up to (not including) End whose quadgram is in the set; the
  // word may start one before, at, or one after such a position.
  template <typename TCheck>
  bool CheckAround(const unsigned char* Bytes, size_t First, size_t End, TCheck& Check) const {
    for (size_t i = First; i < End; i += 2) {
      if (!Holds(Read(Bytes + i))) continue;
      if ((i > 0 && Check(i - 1)) || Check(i) || Check(i + 1)) return true;
    }
    return false;
  }

  // A byte a slot rather than a bit: the test is one load, and the table fits the first-level
  // cache.
  static constexpr unsigned SlotBits = 16;
  uint8_t Marks[size_t{1} << SlotBits] = {};
};
