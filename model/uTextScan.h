#pragma once
// Byte search, comparison and copying for the code that runs once per line. Some Windows C
// runtimes implement memchr and memcmp as plain byte loops, and every call is a call into a DLL
// that first aligns its pointers; these are inline and take 16 bytes at a time where the
// processor has SSE2 (4 or 8 otherwise).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The blanks that every format trims: characters of code 32 or below, control bytes included.
inline bool IsBlank(char C) { return static_cast<unsigned char>(C) <= 32; }
inline bool IsDigit(char C) { return C >= '0' && C <= '9'; }
// Letter case of ASCII letters only: bytes of other scripts and of UTF-8 sequences stay as they are.
inline char UpperAscii(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }
inline char LowerAscii(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; }

// Text equals Upper, a word in capitals, ignoring the letter case of Text's ASCII letters.
inline bool SameIgnoringCase(std::string_view Text, std::string_view Upper) {
  if (Text.size() != Upper.size()) return false;
  for (size_t i = 0; i < Text.size(); ++i)
    if (UpperAscii(Text[i]) != Upper[i]) return false;
  return true;
}

// The whole part of a number written as digits with an optional fraction ("1716723772.601"),
// up to 19 digits; false for anything else.
inline bool ReadWholeNumber(std::string_view Text, uint64_t& Whole) {
  size_t i = 0;
  Whole = 0;
  while (i < Text.size() && i < 19 && IsDigit(Text[i])) Whole = Whole * 10 + static_cast<uint64_t>(Text[i++] - '0');
  if (i == 0 || (i < Text.size() && IsDigit(Text[i]))) return false;
  if (i < Text.size() && Text[i] == '.')
    while (++i < Text.size() && IsDigit(Text[i])) {
    }
  return i == Text.size();
}

inline std::string_view TrimLeft(std::string_view S) {
  const char* P = S.data();
  const char* const End = P + S.size();
  while (P < End && IsBlank(*P)) ++P;
  return std::string_view(P, static_cast<size_t>(End - P));
}

inline std::string_view Trim(std::string_view S) {
  S = TrimLeft(S);
  size_t n = S.size();
  while (n > 0 && IsBlank(S[n - 1])) --n;
  return std::string_view(S.data(), n);
}

// The first C in [P, End), or End, four bytes at a time: the way for processors without SSE2.
inline const char* FindByteWordwise(const char* P, const char* End, char C) {
  constexpr uint32_t Ones = 0x01010101u, Highs = 0x80808080u;
  const uint32_t Pattern = Ones * static_cast<unsigned char>(C);
  for (; End - P >= 4; P += 4) {
    uint32_t Word;
    std::memcpy(&Word, P, 4);
    const uint32_t Diff = Word ^ Pattern;
    if ((Diff - Ones) & ~Diff & Highs) break;  // one of these four bytes is C
  }
  while (P < End && *P != C) ++P;
  return P;
}

// The first C in [P, End), or End.
inline const char* FindByte(const char* P, const char* End, char C) {
#if defined(__SSE2__)
  const __m128i Wanted = _mm_set1_epi8(C);
  for (; End - P >= 16; P += 16) {
    const __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
    const unsigned Hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(Block, Wanted)));
    if (Hits != 0) return P + __builtin_ctz(Hits);
  }
#endif
  return FindByteWordwise(P, End, C);
}

// As std::string_view::find(C, From).
inline size_t FindByte(std::string_view S, char C, size_t From = 0) {
  if (From >= S.size()) return std::string_view::npos;
  const char* const End = S.data() + S.size();
  const char* const Hit = FindByte(S.data() + From, End, C);
  return Hit == End ? std::string_view::npos : static_cast<size_t>(Hit - S.data());
}

inline bool SameBytes(const char* A, const char* B, size_t Count) {
  for (size_t i = 0; i < Count; ++i)
    if (A[i] != B[i]) return false;
  return true;
}

inline bool SameText(std::string_view A, std::string_view B) {
  return A.size() == B.size() && SameBytes(A.data(), B.data(), A.size());
}

// As std::string_view::find(Word, From) for a Word that is not empty.
inline size_t FindText(std::string_view S, std::string_view Word, size_t From = 0) {
  while (From + Word.size() <= S.size()) {
    const size_t At = FindByte(S.substr(0, S.size() - Word.size() + 1), Word[0], From);
    if (At == std::string_view::npos) break;
    if (SameBytes(S.data() + At + 1, Word.data() + 1, Word.size() - 1)) return At;
    From = At + 1;
  }
  return std::string_view::npos;
}

// memcpy for the short runs of a line: a few moves inline, the C runtime only for long runs.
inline void CopyBytes(char* To, const char* From, size_t Count) {
  if (Count >= 16) {
    if (Count > 256) {
      std::memcpy(To, From, Count);
      return;
    }
#if defined(__SSE2__)
    using TChunk = __m128i;
#else
    struct TChunk {
      uint64_t A, B;
    };
#endif
    // Whole chunks, then the last chunk again ending exactly at the end.
    for (size_t Done = 0; Done + 16 < Count; Done += 16) {
      TChunk Chunk;
      std::memcpy(&Chunk, From + Done, 16);
      std::memcpy(To + Done, &Chunk, 16);
    }
    TChunk Last;
    std::memcpy(&Last, From + Count - 16, 16);
    std::memcpy(To + Count - 16, &Last, 16);
    return;
  }
  // Two overlapping moves of the widest size that fits.
  if (Count >= 8) {
    uint64_t Head, Tail;
    std::memcpy(&Head, From, 8);
    std::memcpy(&Tail, From + Count - 8, 8);
    std::memcpy(To, &Head, 8);
    std::memcpy(To + Count - 8, &Tail, 8);
  } else if (Count >= 4) {
    uint32_t Head, Tail;
    std::memcpy(&Head, From, 4);
    std::memcpy(&Tail, From + Count - 4, 4);
    std::memcpy(To, &Head, 4);
    std::memcpy(To + Count - 4, &Tail, 4);
  } else if (Count > 0) {
    const char First = From[0], Middle = From[Count / 2], End = From[Count - 1];
    To[0] = First;
    To[Count / 2] = Middle;
    To[Count - 1] = End;
  }
}
