#include "loader/uLevelDetect.h"

#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= 32; }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Keyword groups in the order they decide a line's level; a lower group wins.
enum TKeywordGroup : int { kgError, kgWarn, kgInfo, kgDebug, kgTrace, kgHttpMethod, kgNone };

struct TKeyword {
  std::string_view Text;
  TKeywordGroup Group;
};

constexpr TKeyword Keywords[] = {
    {"ERROR", kgError},       {"FATAL", kgError},       {"CRITICAL", kgError},
    {"SEVERE", kgError},      {" ERR ", kgError},       {" EXCEPTION:", kgError},
    {"[EXCEPTION]", kgError}, {"WARN", kgWarn},         {" INFO ", kgInfo},
    {"[INFO]", kgInfo},       {": INFO", kgInfo},       {"|INFO|", kgInfo},
    {" INFO:", kgInfo},       {"INFORMATION", kgInfo},  {"DEBUG", kgDebug},
    {" DBG ", kgDebug},       {"TRACE", kgTrace},       {"VERBOSE", kgTrace},
    {" VRB ", kgTrace},       {"\"GET ", kgHttpMethod}, {"\"POST ", kgHttpMethod},
    {"\"PUT ", kgHttpMethod}, {"\"PATCH ", kgHttpMethod}, {"\"DELETE ", kgHttpMethod},
    {"\"HEAD ", kgHttpMethod}, {"\"OPTIONS ", kgHttpMethod}, {"\"CONNECT ", kgHttpMethod},
    {" GET ", kgHttpMethod},  {" POST ", kgHttpMethod}, {" PUT ", kgHttpMethod},
    {" DELETE ", kgHttpMethod},
};
constexpr int KeywordCount = static_cast<int>(std::size(Keywords));

// The keywords that start with each byte, in table (and so group) order, and a bit for every
// pair of bytes that begins some keyword. One pass over the line then rejects almost every
// position with one bit test, instead of searching the whole line once per keyword.
struct TKeywordBuckets {
  uint8_t Count[256] = {};
  uint8_t Index[256][12] = {};
  uint64_t Pairs[65536 / 64] = {};
  constexpr TKeywordBuckets() {
    for (int k = 0; k < KeywordCount; ++k) {
      const unsigned First = static_cast<unsigned char>(Keywords[k].Text[0]);
      const unsigned Pair = First << 8 | static_cast<unsigned char>(Keywords[k].Text[1]);
      Index[First][Count[First]++] = static_cast<uint8_t>(k);
      Pairs[Pair / 64] |= uint64_t{1} << (Pair % 64);
    }
  }
};
constexpr TKeywordBuckets Buckets;

// The most decisive keyword group present anywhere in Upper. Every keyword has at least four
// bytes, so the last three positions cannot start one.
TKeywordGroup StrongestKeyword(std::string_view Upper) {
  TKeywordGroup Best = kgNone;
  const size_t Size = Upper.size();
  const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Upper.data());
  for (size_t i = 0; i + 3 < Size; ++i) {
    const unsigned Pair = unsigned{Bytes[i]} << 8 | Bytes[i + 1];
    if (!(Buckets.Pairs[Pair / 64] >> (Pair % 64) & 1)) continue;
    const uint8_t* Candidates = Buckets.Index[Bytes[i]];
    for (int c = 0, n = Buckets.Count[Bytes[i]]; c < n; ++c) {
      const TKeyword& K = Keywords[Candidates[c]];
      if (K.Group >= Best) break;  // the rest of the bucket is no stronger
      if (K.Text.size() <= Size - i && std::memcmp(Bytes + i, K.Text.data(), K.Text.size()) == 0) {
        Best = K.Group;
        if (Best == kgError) return Best;
        break;
      }
    }
  }
  return Best;
}

bool StartsAsInfo(std::string_view Upper) {
  return Upper.starts_with("INFO ") || Upper.starts_with("INFO:") || Upper.starts_with("[INFO]");
}

// An integer as written by the access log: optional sign and digits, nothing else.
int IntegerOrZero(std::string_view S) {
  size_t i = 0;
  bool Negative = false;
  if (!S.empty() && (S[0] == '+' || S[0] == '-')) {
    Negative = S[0] == '-';
    i = 1;
  }
  if (i == S.size()) return 0;
  int N = 0;
  for (; i < S.size(); ++i) {
    if (!IsDigit(S[i])) return 0;
    N = N * 10 + (S[i] - '0');
  }
  return Negative ? -N : N;
}

int HttpStatus(std::string_view Text, std::string_view Upper) {
  const size_t Protocol = Upper.find(" HTTP/");
  if (Protocol != std::string_view::npos) {
    const size_t Quote = Text.find("\" ", Protocol);
    if (Quote == std::string_view::npos) return 0;
    size_t i = Quote + 2;
    while (i < Text.size() && Text[i] == ' ') ++i;
    if (i + 3 > Text.size()) return 0;
    return IntegerOrZero(Text.substr(i, 3));
  }
  size_t Start = Text.size();
  while (Start > 0 && IsDigit(Text[Start - 1])) --Start;
  if (Start == Text.size()) return 0;
  return IntegerOrZero(Text.substr(Start, 3));
}

}  // namespace

TLogLevel LevelFromWord(std::string_view Word) {
  while (!Word.empty() && IsBlank(Word.front())) Word.remove_prefix(1);
  while (!Word.empty() && IsBlank(Word.back())) Word.remove_suffix(1);
  char Upper[12];
  if (Word.empty() || Word.size() > sizeof Upper) return lCustom;
  for (size_t i = 0; i < Word.size(); ++i) {
    const char C = Word[i];
    Upper[i] = C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C;
  }
  struct TWord {
    std::string_view Text;
    TLogLevel Level;
  };
  static constexpr TWord Words[] = {
      {"ERROR", lError}, {"ERR", lError},   {"FATAL", lError},         {"CRITICAL", lError},
      {"CRIT", lError},  {"WARN", lWarn},   {"WARNING", lWarn},        {"INFO", lInfo},
      {"INFORMATION", lInfo}, {"DEBUG", lDebug}, {"DBG", lDebug},      {"TRACE", lTrace},
      {"VERBOSE", lTrace}, {"VRB", lTrace},
  };
  const std::string_view U(Upper, Word.size());
  for (const TWord& W : Words)
    if (U == W.Text) return W.Level;
  return lCustom;
}

TLogLevel DetectLevel(std::string_view Text, std::string_view Upper) {
  // Positions in Text and Upper must correspond; a mismatch would read past the shorter one.
  const size_t Length = Text.size() < Upper.size() ? Text.size() : Upper.size();
  Text = Text.substr(0, Length);
  Upper = Upper.substr(0, Length);
  const TKeywordGroup Group = StrongestKeyword(Upper);
  switch (Group) {
    case kgError: return lError;
    case kgWarn: return lWarn;
    case kgInfo: return lInfo;
    default: break;
  }
  if (StartsAsInfo(Upper)) return lInfo;
  if (Group == kgDebug) return lDebug;
  if (Group == kgTrace) return lTrace;
  if (Group != kgHttpMethod) return lCustom;
  const int Status = HttpStatus(Text, Upper);
  if (Status >= 500) return lError;
  if (Status >= 400) return lWarn;
  return lInfo;
}
