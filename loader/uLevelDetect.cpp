#include "loader/uLevelDetect.h"

#include <cstring>

namespace {

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= 32; }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Keyword groups in the order they decide a line's level; a lower group wins.
enum TKeywordGroup : int { kgError, kgWarn, kgInfo, kgDebug, kgTrace, kgHttpMethod, kgNone };

struct TKeyword {
  const char* Text;
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

// Only bytes that start some keyword are worth a closer look; the table keeps the scan of a
// line to one pass instead of one search per keyword.
struct TFirstByteTable {
  bool Starts[256] = {};
  constexpr TFirstByteTable() {
    for (const TKeyword& K : Keywords) Starts[static_cast<unsigned char>(K.Text[0])] = true;
  }
};
constexpr TFirstByteTable FirstBytes;

// The most decisive keyword group present anywhere in Upper.
TKeywordGroup StrongestKeyword(std::string_view Upper) {
  TKeywordGroup Best = kgNone;
  for (size_t i = 0; i < Upper.size(); ++i) {
    if (!FirstBytes.Starts[static_cast<unsigned char>(Upper[i])]) continue;
    const std::string_view Rest = Upper.substr(i);
    for (const TKeyword& K : Keywords) {
      if (K.Group >= Best) break;  // grouped in table order: nothing better follows
      if (K.Text[0] == Rest[0] && Rest.starts_with(K.Text)) {
        Best = K.Group;
        break;
      }
    }
    if (Best == kgError) break;
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
