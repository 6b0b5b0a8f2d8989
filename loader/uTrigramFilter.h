#pragma once
// Finding any of a few words in long text with little work per byte, for searches that run
// over every byte of every line.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// A bit for every three bytes that stand at offset 0 or 1 of one of the words added, in every
// ASCII letter case. When every word has at least four bytes, one of those two trigrams starts
// at an even position wherever a word occurs; so ForEachCandidate tests every other position
// only, and one bit test rejects nearly all of them. The set is hashed: the rare false hit is
// rejected by the caller's own comparison.
class TTrigramFilter {
 public:
  // Word is in upper case; its letters are found in either case.
  constexpr void Add(std::string_view Word) {
    for (size_t Offset = 0; Offset < 2 && Offset + 3 <= Word.size(); ++Offset)
      for (unsigned Lower = 0; Lower < 8; ++Lower) {
        uint32_t Trigram = 0;
        for (size_t b = 0; b < 3; ++b) {
          unsigned C = static_cast<unsigned char>(Word[Offset + b]);
          if ((Lower >> b & 1) && C >= 'A' && C <= 'Z') C += 32;
          Trigram |= C << (8 * b);
        }
        Bits[Slot(Trigram) / 64] |= uint64_t{1} << (Slot(Trigram) % 64);
      }
  }

  bool MayStart(const unsigned char* Bytes) const {
    return Holds(uint32_t{Bytes[0]} | uint32_t{Bytes[1]} << 8 | uint32_t{Bytes[2]} << 16);
  }

  // Calls Check(Start) for every position where one of the words may start, until it returns
  // true. A position may be offered twice.
  template <typename TCheck>
  void ForEachCandidate(std::string_view Text, TCheck&& Check) const {
    const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Text.data());
    const size_t Size = Text.size();
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
      // Four positions from one 8-byte read and one more byte, tested without a branch between
      // them: the loads and bit tests of one step overlap instead of waiting on each other.
      for (; i + 9 <= Size; i += 8) {
        uint64_t Word;
        std::memcpy(&Word, Bytes + i, 8);
        const uint32_t Low = static_cast<uint32_t>(Word), High = static_cast<uint32_t>(Word >> 32);
        const bool Any = Holds(Low & 0xFFFFFF) | Holds(Low >> 16 | (High & 0xFF) << 16) | Holds(High & 0xFFFFFF) |
                         Holds(High >> 16 | uint32_t{Bytes[i + 8]} << 16);
        if (Any && CheckAround(Bytes, i, i + 8, Check)) return;
      }
    }
    CheckAround(Bytes, i, Size < 2 ? 0 : Size - 2, Check);
  }

 private:
  static constexpr unsigned Slot(uint32_t Trigram) { return (Trigram * 2654435761u) >> 16; }
  bool Holds(uint32_t Trigram) const { return Bits[Slot(Trigram) / 64] >> (Slot(Trigram) % 64) & 1; }

  // The even positions from First up to (not including) End whose trigram is in the set.
  template <typename TCheck>
  bool CheckAround(const unsigned char* Bytes, size_t First, size_t End, TCheck& Check) const {
    for (size_t i = First; i < End; i += 2) {
      if (!MayStart(Bytes + i)) continue;
      if ((i > 0 && Check(i - 1)) || Check(i)) return true;
    }
    return false;
  }

  uint64_t Bits[65536 / 64] = {};
};
