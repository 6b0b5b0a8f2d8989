#include "platform/uTextCodec.h"

namespace {

constexpr char16_t Replacement = u'\uFFFD';

char16_t* PutUtf16(uint32_t CodePoint, char16_t* Out) {
  if (CodePoint < 0x10000) {
    *Out++ = static_cast<char16_t>(CodePoint);
  } else {
    CodePoint -= 0x10000;
    *Out++ = static_cast<char16_t>(0xD800 + (CodePoint >> 10));
    *Out++ = static_cast<char16_t>(0xDC00 + (CodePoint & 0x3FF));
  }
  return Out;
}

bool IsContinuation(unsigned char Byte) { return (Byte & 0xC0) == 0x80; }

// Decodes one sequence starting at Bytes[Pos]; returns its length, or 0 when it is invalid.
// The bounds on the second byte exclude overlong forms, surrogates and values past U+10FFFF.
size_t DecodeOne(std::string_view Bytes, size_t Pos, uint32_t& CodePoint) {
  const auto At = [&](size_t i) { return static_cast<unsigned char>(Bytes[i]); };
  const unsigned char Lead = At(Pos);
  const size_t Left = Bytes.size() - Pos;
  if (Lead < 0x80) {
    CodePoint = Lead;
    return 1;
  }
  size_t Length;
  unsigned char Low = 0x80, High = 0xBF;
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
    CodePoint = Lead & 0x1F;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    CodePoint = Lead & 0x0F;
    if (Lead == 0xE0) Low = 0xA0;
    if (Lead == 0xED) High = 0x9F;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    CodePoint = Lead & 0x07;
    if (Lead == 0xF0) Low = 0x90;
    if (Lead == 0xF4) High = 0x8F;
  } else {
    return 0;
  }
  if (Left < Length) return 0;
  const unsigned char Second = At(Pos + 1);
  if (Second < Low || Second > High) return 0;
  CodePoint = (CodePoint << 6) | (Second & 0x3F);
  for (size_t i = 2; i < Length; ++i) {
    const unsigned char Next = At(Pos + i);
    if (!IsContinuation(Next)) return 0;
    CodePoint = (CodePoint << 6) | (Next & 0x3F);
  }
  return Length;
}

}  // namespace

bool DecodeUtf8Strict(std::string_view Bytes, std::u16string& Out) {
  // Never more units than bytes: written through a pointer and cut at the end, so decoding
  // line after line into the same string allocates only for a longer line.
  Out.resize(Bytes.size());
  char16_t* Write = Out.data();
  size_t Pos = 0;
  while (Pos < Bytes.size()) {
    const unsigned char Byte = static_cast<unsigned char>(Bytes[Pos]);
    if (Byte < 0x80) {
      *Write++ = Byte;
      ++Pos;
      continue;
    }
    uint32_t CodePoint;
    const size_t Length = DecodeOne(Bytes, Pos, CodePoint);
    if (Length == 0) {
      Out.clear();
      return false;
    }
    Write = PutUtf16(CodePoint, Write);
    Pos += Length;
  }
  Out.resize(static_cast<size_t>(Write - Out.data()));
  return true;
}

std::u16string Utf8ToUtf16(std::string_view Text) {
  std::u16string Out;
  DecodeUtf8Lenient(Text, Out);
  return Out;
}

void DecodeUtf8Lenient(std::string_view Text, std::u16string& Out) {
  // As in the strict decoder: never more units than bytes.
  Out.resize(Text.size());
  char16_t* Write = Out.data();
  size_t Pos = 0;
  while (Pos < Text.size()) {
    uint32_t CodePoint;
    const size_t Length = DecodeOne(Text, Pos, CodePoint);
    if (Length == 0) {
      *Write++ = Replacement;
      ++Pos;
      continue;
    }
    Write = PutUtf16(CodePoint, Write);
    Pos += Length;
  }
  Out.resize(static_cast<size_t>(Write - Out.data()));
}

std::string Utf16ToUtf8(std::u16string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    uint32_t CodePoint = Text[i];
    if (CodePoint >= 0xD800 && CodePoint <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 &&
        Text[i + 1] <= 0xDFFF) {
      CodePoint = 0x10000 + ((CodePoint - 0xD800) << 10) + (Text[i + 1] - 0xDC00);
      ++i;
    } else if (CodePoint >= 0xD800 && CodePoint <= 0xDFFF) {
      CodePoint = Replacement;
    }
    char Bytes[4];
    Out.append(Bytes, PutUtf8(CodePoint, Bytes));
  }
  return Out;
}
