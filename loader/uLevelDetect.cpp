#include "loader/uLevelDetect.h"

#include <cstdint>
#include <iterator>

#include "loader/uQuadgramFilter.h"
#include "model/uTextScan.h"

namespace {

// Keyword groups in the order they decide a line's level; a lower group wins.
enum TKeywordGroup : int { kgError, kgWarn, kgInfo, kgDebug, kgTrace, kgHttpMethod, kgNone };

struct TKeyword {
  std::string_view Text;
  TKeywordGroup Group;
};

constexpr TKeyword Keywords[] = {
    {"ERROR", kgError},        {"FATAL", kgError},           {"CRITICAL", kgError},        {"SEVERE", kgError},
    {" ERR ", kgError},        {" EXCEPTION:", kgError},     {"[EXCEPTION]", kgError},     {"WARN", kgWarn},
    {" INFO ", kgInfo},        {"[INFO]", kgInfo},           {": INFO", kgInfo},           {"|INFO|", kgInfo},
    {" INFO:", kgInfo},        {"INFORMATION", kgInfo},      {"DEBUG", kgDebug},           {" DBG ", kgDebug},
    {"TRACE", kgTrace},        {"VERBOSE", kgTrace},         {" VRB ", kgTrace},           {"\"GET ", kgHttpMethod},
    {"\"POST ", kgHttpMethod}, {"\"PUT ", kgHttpMethod},     {"\"PATCH ", kgHttpMethod},   {"\"DELETE ", kgHttpMethod},
    {"\"HEAD ", kgHttpMethod}, {"\"OPTIONS ", kgHttpMethod}, {"\"CONNECT ", kgHttpMethod}, {" GET ", kgHttpMethod},
    {" POST ", kgHttpMethod},  {" PUT ", kgHttpMethod},      {" DELETE ", kgHttpMethod},
};
constexpr int KeywordCount = static_cast<int>(std::size(Keywords));

// ASCII letters to upper case; every other byte as it is. Keywords hold no lower-case letters,
// so a line compared through this table matches exactly where its upper-case copy would.
struct TFoldTable {
  unsigned char Upper[256] = {};
  constexpr TFoldTable() {
    for (int b = 0; b < 256; ++b) Upper[b] = static_cast<unsigned char>(b >= 'a' && b <= 'z' ? b - 32 : b);
  }
};
constexpr TFoldTable FoldTable;

// Reads a text already in upper case.
struct TAsIs {
  unsigned char operator()(unsigned char B) const { return B; }
};
// Reads a text as if it were in upper case.
struct TFolded {
  unsigned char operator()(unsigned char B) const { return FoldTable.Upper[B]; }
};

// The keywords that start with each byte, in table (and so group) order.
struct TKeywordBuckets {
  uint8_t Count[256] = {};
  uint8_t Index[256][12] = {};
  constexpr TKeywordBuckets() {
    for (int k = 0; k < KeywordCount; ++k) {
      const unsigned First = static_cast<unsigned char>(Keywords[k].Text[0]);
      Index[First][Count[First]++] = static_cast<uint8_t>(k);
    }
  }
};
constexpr TKeywordBuckets Buckets;

constexpr TQuadgramFilter KeywordQuadgrams = [] {
  TQuadgramFilter Filter;
  for (const TKeyword& K : Keywords) Filter.Add(K.Text);
  return Filter;
}();

template <typename TFold>
bool MatchesAt(const unsigned char* Bytes, std::string_view Word, TFold Fold) {
  for (size_t k = 0; k < Word.size(); ++k)
    if (Fold(Bytes[k]) != static_cast<unsigned char>(Word[k])) return false;
  return true;
}

// The strongest group among the keywords that start at Start; Best is the strongest so far.
template <typename TFold>
TKeywordGroup StrongestAt(const unsigned char* Bytes, size_t Size, size_t Start, TKeywordGroup Best, TFold Fold) {
  if (Size - Start < 4) return Best;  // no keyword is shorter
  const unsigned char First = Fold(Bytes[Start]), Second = Fold(Bytes[Start + 1]);
  const uint8_t* Candidates = Buckets.Index[First];
  for (int c = 0, n = Buckets.Count[First]; c < n; ++c) {
    const TKeyword& K = Keywords[Candidates[c]];
    if (K.Group >= Best) break;  // the rest of the bucket is no stronger
    if (static_cast<unsigned char>(K.Text[1]) != Second) continue;
    if (K.Text.size() <= Size - Start && MatchesAt(Bytes + Start + 2, K.Text.substr(2), Fold)) return K.Group;
  }
  return Best;
}

// The most decisive keyword group present anywhere in the text as Fold reads it. Every keyword
// has at least four bytes, as the quadgram scan needs.
template <typename TFold>
TKeywordGroup StrongestKeyword(std::string_view Text, TFold Fold) {
  TKeywordGroup Best = kgNone;
  const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Text.data());
  KeywordQuadgrams.ForEachCandidate(Text, [&](size_t Start) {
    Best = StrongestAt(Bytes, Text.size(), Start, Best, Fold);
    return Best == kgError;
  });
  return Best;
}

template <typename TFold>
size_t FindFolded(std::string_view Text, std::string_view Word, TFold Fold) {
  const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Text.data());
  for (size_t i = 0; i + Word.size() <= Text.size(); ++i)
    if (MatchesAt(Bytes + i, Word, Fold)) return i;
  return std::string_view::npos;
}

template <typename TFold>
bool StartsAsInfo(std::string_view Text, TFold Fold) {
  const auto StartsWith = [&](std::string_view Word) {
    return Text.size() >= Word.size() && MatchesAt(reinterpret_cast<const unsigned char*>(Text.data()), Word, Fold);
  };
  return StartsWith("INFO ") || StartsWith("INFO:") || StartsWith("[INFO]");
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

// Upper is Text as Fold reads it; only the protocol is searched in it, the rest is read from
// Text (digits, quotes and blanks are the same in both).
template <typename TFold>
int HttpStatus(std::string_view Text, std::string_view Upper, TFold Fold) {
  const size_t Protocol = FindFolded(Upper, " HTTP/", Fold);
  if (Protocol != std::string_view::npos) {
    const size_t Quote = FindText(Text, "\" ", Protocol);
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

template <typename TFold>
TLogLevel LevelOf(std::string_view Text, std::string_view Upper, TFold Fold) {
  const TKeywordGroup Group = StrongestKeyword(Upper, Fold);
  switch (Group) {
    case kgError:
      return lError;
    case kgWarn:
      return lWarn;
    case kgInfo:
      return lInfo;
    default:
      break;
  }
  if (StartsAsInfo(Upper, Fold)) return lInfo;
  if (Group == kgDebug) return lDebug;
  if (Group == kgTrace) return lTrace;
  if (Group != kgHttpMethod) return lCustom;
  const int Status = HttpStatus(Text, Upper, Fold);
  if (Status >= 500) return lError;
  if (Status >= 400) return lWarn;
  return lInfo;
}

}  // namespace

TLogLevel LevelFromWord(std::string_view Word) {
  Word = Trim(Word);
  char Upper[12];
  if (Word.empty() || Word.size() > sizeof Upper) return lCustom;
  for (size_t i = 0; i < Word.size(); ++i)
    Upper[i] = static_cast<char>(FoldTable.Upper[static_cast<unsigned char>(Word[i])]);
  const std::string_view U(Upper, Word.size());
  const auto Is = [U](std::string_view Level) { return SameText(U, Level); };
  // By length first: this runs for nearly every line, and most words are no level at all.
  switch (U.size()) {
    case 3:
      return Is("ERR") ? lError : Is("DBG") ? lDebug : Is("VRB") ? lTrace : lCustom;
    case 4:
      return Is("CRIT") ? lError : Is("WARN") ? lWarn : Is("INFO") ? lInfo : lCustom;
    case 5:
      return Is("ERROR") || Is("FATAL") ? lError : Is("DEBUG") ? lDebug : Is("TRACE") ? lTrace : lCustom;
    case 7:
      return Is("WARNING") ? lWarn : Is("VERBOSE") ? lTrace : lCustom;
    case 8:
      return Is("CRITICAL") ? lError : lCustom;
    case 11:
      return Is("INFORMATION") ? lInfo : lCustom;
    default:
      return lCustom;
  }
}

TLogLevel DetectLevel(std::string_view Text, std::string_view Upper) {
  // Positions in Text and Upper must correspond; a mismatch would read past the shorter one.
  const size_t Length = Text.size() < Upper.size() ? Text.size() : Upper.size();
  return LevelOf(Text.substr(0, Length), Upper.substr(0, Length), TAsIs());
}

TLogLevel DetectLevelIgnoringCase(std::string_view Text) { return LevelOf(Text, Text, TFolded()); }
