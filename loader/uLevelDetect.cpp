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

// How a level word may stand in running text.
enum TWordKind : uint8_t {
  wkStrong,    // wherever it stands alone
  wkNumbered,  // the same, and it may carry one digit: debug2, trace8, verbose1
  wkWeak,      // also an ordinary word or an abbreviation: only as a tag ([x], <x>, x:), as the value of
               // a level key, or written in capitals
  wkField,     // a rare abbreviation: only as a format's level field, never searched for in text
};

struct TLevelWord {
  std::string_view Text;  // upper case
  TLogLevel Level;
  TWordKind Kind;
};

// The level names of the usual logging libraries, syslog severities and the abbreviations of
// .NET (fail, dbug), log15 (eror) and Supervisor (debg) included; BlueGene/L's FAILURE.
constexpr TLevelWord LevelWords[] = {
    {"ERROR", lError, wkStrong},      {"ERR", lError, wkWeak},        {"EROR", lError, wkWeak},
    {"FAIL", lError, wkWeak},         {"FAILURE", lError, wkWeak},    {"FATAL", lError, wkStrong},
    {"FTL", lError, wkWeak},          {"CRITICAL", lError, wkStrong}, {"CRIT", lError, wkStrong},
    {"SEVERE", lError, wkStrong},     {"EMERG", lError, wkWeak},      {"EMERGENCY", lError, wkWeak},
    {"ALERT", lError, wkWeak},        {"PANIC", lError, wkWeak},      {"WARNING", lWarn, wkStrong},
    {"WARN", lWarn, wkStrong},        {"WRN", lWarn, wkWeak},         {"INFO", lInfo, wkStrong},
    {"INFORMATION", lInfo, wkStrong}, {"INF", lInfo, wkWeak},         {"NOTICE", lInfo, wkWeak},
    {"NOTE", lInfo, wkWeak},          {"LOG", lInfo, wkWeak},         {"DEBUG", lDebug, wkNumbered},
    {"DBG", lDebug, wkWeak},          {"DBUG", lDebug, wkWeak},       {"DEBG", lDebug, wkField},
    {"TRACE", lTrace, wkNumbered},    {"TRC", lTrace, wkWeak},        {"TRCE", lTrace, wkWeak},
    {"VERBOSE", lTrace, wkNumbered},  {"VRB", lTrace, wkWeak},
};
constexpr size_t MinWordLength = 3, MaxWordLength = 11;

// The level words by length and first letter: most words of a line end their lookup at an
// empty slot, the others compare one or two words.
struct TLevelWordIndex {
  static constexpr int Depth = 3;
  int8_t Slot[MaxWordLength + 1][26][Depth] = {};
  constexpr TLevelWordIndex() {
    for (auto& ByLetter : Slot)
      for (auto& Slots : ByLetter)
        for (int8_t& Index : Slots) Index = -1;
    for (size_t w = 0; w < std::size(LevelWords); ++w) {
      int8_t* Slots = Slot[LevelWords[w].Text.size()][LevelWords[w].Text[0] - 'A'];
      int Free = 0;
      while (Slots[Free] >= 0) ++Free;  // a fourth word of one length and letter does not compile
      Slots[Free] = static_cast<int8_t>(w);
    }
  }
};
constexpr TLevelWordIndex LevelWordIndex;

// The level word that Word spells in any letter case, or null.
const TLevelWord* FindLevelWord(std::string_view Word) {
  if (Word.size() < MinWordLength || Word.size() > MaxWordLength) return nullptr;
  const unsigned First = (static_cast<unsigned char>(Word[0]) & 0xDFu) - 'A';  // bit 5 makes capitals
  if (First >= 26) return nullptr;
  for (const int8_t Index : LevelWordIndex.Slot[Word.size()][First]) {
    if (Index < 0) break;
    const char* const Name = LevelWords[Index].Text.data();
    size_t i = 1;
    while (i < Word.size() && (Word[i] & 0xDF) == Name[i]) ++i;  // only a letter becomes a capital
    if (i == Word.size()) return &LevelWords[Index];
  }
  return nullptr;
}

// The pairs of letters that begin a level word, for rejecting the other words of a line at their
// second letter.
struct TLevelWordStarts {
  bool Pair[26][26] = {};
  constexpr TLevelWordStarts() {
    for (const TLevelWord& W : LevelWords) Pair[W.Text[0] - 'A'][W.Text[1] - 'A'] = true;
  }
};
constexpr TLevelWordStarts LevelWordStarts;

// The bytes that may follow a level word that stands alone; ESC starts a colour's end, a slash a
// process name after a word in capitals (Celery's "INFO/MainProcess"), a backslash an escape of
// JSON text ("disk error\n").
constexpr std::string_view WordEnds = " \t])>}|:,;'\"[!\x1b/\\";

// Level words in the forms a scan must find. Three- and four-letter words are added with the
// byte that ends them (and three-letter words only between blanks, before a colon or "!", in
// brackets or in a colour, as logs write them, and Puppet's "(err)"): added bare, every position
// of ordinary text that holds one of their first three letters would pass the filter.
constexpr void AddLevelWords(TQuadgramFilter& Filter) {
  for (const TLevelWord& W : LevelWords) {
    if (W.Kind == wkField) continue;
    if (W.Text.size() > 4) {
      Filter.Add(W.Text);
    } else if (W.Text.size() == 4) {
      for (const char End : WordEnds) {
        if (End == '!') continue;  // written after three letters only (npm's "ERR!"): a sparser filter
        const char Form[] = {W.Text[0], W.Text[1], W.Text[2], W.Text[3], End};
        Filter.Add(std::string_view(Form, sizeof Form));
      }
    } else {
      for (const char* Ends : {"  ", " :", " !", "[]", "m\x1b"}) {
        const char Form[] = {Ends[0], W.Text[0], W.Text[1], W.Text[2], Ends[1]};
        Filter.Add(std::string_view(Form, sizeof Form));
      }
    }
  }
  Filter.Add("(ERR)");
}

// A filter for the scans of whole lines and the search for a line's own word, another for
// syslog messages, whose words differ: each as sparse as its words allow, since a position that
// passes by chance costs a comparison.
constexpr TQuadgramFilter LineQuadgrams = [] {
  TQuadgramFilter Filter;
  for (const TKeyword& K : Keywords) Filter.Add(K.Text);
  AddLevelWords(Filter);
  return Filter;
}();
constexpr std::string_view SyslogWords[] = {"ERROR", "FAIL", "WARN", "DEBUG"};
constexpr TQuadgramFilter SyslogQuadgrams = [] {
  TQuadgramFilter Filter;
  for (const std::string_view Word : SyslogWords) Filter.Add(Word);
  AddLevelWords(Filter);
  return Filter;
}();

template <typename TFold>
bool MatchesAt(const unsigned char* Bytes, std::string_view Word, TFold Fold) {
  for (size_t k = 0; k < Word.size(); ++k)
    if (Fold(Bytes[k]) != static_cast<unsigned char>(Word[k])) return false;
  return true;
}

bool KeywordStandsAlone(std::string_view Text, size_t Start, std::string_view Keyword);

// The strongest group among the keywords that start at Start; Best is the strongest so far.
// Bounded takes only keywords that stand as words (KeywordStandsAlone). Out of line: inlined
// into a line's scan, it costs that scan's loop registers on every line for its rare calls.
template <bool Bounded, typename TFold>
[[gnu::noinline]] TKeywordGroup StrongestAt(const unsigned char* Bytes, size_t Size, size_t Start, TKeywordGroup Best, TFold Fold) {
  if (Size - Start < 4) return Best;  // no keyword is shorter
  const unsigned char First = Fold(Bytes[Start]), Second = Fold(Bytes[Start + 1]);
  const uint8_t* Candidates = Buckets.Index[First];
  for (int c = 0, n = Buckets.Count[First]; c < n; ++c) {
    const TKeyword& K = Keywords[Candidates[c]];
    if (K.Group >= Best) break;  // the rest of the bucket is no stronger
    if (static_cast<unsigned char>(K.Text[1]) != Second) continue;
    if (K.Text.size() <= Size - Start && MatchesAt(Bytes + Start + 2, K.Text.substr(2), Fold) &&
        (!Bounded || KeywordStandsAlone(std::string_view(reinterpret_cast<const char*>(Bytes), Size), Start, K.Text)))
      return K.Group;
  }
  return Best;
}

// The most decisive keyword group present anywhere in the text as Fold reads it. Every keyword
// has at least four bytes, as the quadgram scan needs.
template <typename TFold>
TKeywordGroup StrongestKeyword(std::string_view Text, TFold Fold) {
  TKeywordGroup Best = kgNone;
  const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Text.data());
  LineQuadgrams.ForEachCandidate(Text, [&](size_t Start) {
    Best = StrongestAt<false>(Bytes, Text.size(), Start, Best, Fold);
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
  if (Text.empty() || (Fold(static_cast<unsigned char>(Text[0])) != 'I' && Text[0] != '[')) return false;
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

// The level the keywords of a whole line give, its strongest group found already.
template <typename TFold>
TLogLevel LevelOfKeywords(std::string_view Text, std::string_view Upper, TKeywordGroup Group, TFold Fold) {
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

template <typename TFold>
TLogLevel LevelOf(std::string_view Text, std::string_view Upper, TFold Fold) {
  return LevelOfKeywords(Text, Upper, StrongestKeyword(Upper, Fold), Fold);
}

// --- level words in running text ----------------------------------------------------------------

// The level word a line names for itself stands near its start, before the message.
constexpr size_t OwnWordWindow = 128;

bool IsLetter(char C) { return (C | 0x20) >= 'a' && (C | 0x20) <= 'z'; }
// Letters, digits, the underscore and the bytes of UTF-8 sequences continue a word.
bool IsWordByte(char C) { return IsLetter(C) || IsDigit(C) || C == '_' || static_cast<unsigned char>(C) >= 0x80; }

bool IsOneOf(char C, std::string_view Set) { return FindByte(Set, C) != std::string_view::npos; }

bool MatchesLower(std::string_view Text, size_t At, std::string_view LowerWord) {
  if (Text.size() - At < LowerWord.size()) return false;
  for (size_t k = 0; k < LowerWord.size(); ++k)
    if (LowerAscii(Text[At + k]) != LowerWord[k]) return false;
  return true;
}

// Text[M] ends a terminal colour, ESC [ digits and semicolons m: what follows stands alone.
bool EndsColour(std::string_view Text, size_t M) {
  if (Text[M] != 'm') return false;
  size_t i = M;
  while (i > 0 && (IsDigit(Text[i - 1]) || Text[i - 1] == ';')) --i;
  return i >= 2 && Text[i - 1] == '[' && Text[i - 2] == '\x1b';
}

// "Stack trace:" heads a stack trace; the word names no level there.
bool AfterStack(std::string_view Text, size_t At) { return At >= 6 && MatchesLower(Text, At - 6, "stack "); }

// The characters that join words into one name: a dotted or slashed name, a path, an identifier.
bool IsJoiner(char C) { return C == '.' || C == '/' || C == '\\' || C == '-' || C == '_'; }

// Before Text[End] (an "=") stands a key that names the level: level=warn, lvl=info, Heroku's
// at=error.
bool LevelKeyBefore(std::string_view Text, size_t End) {
  size_t Start = End;
  while (Start > 0 && (IsLetter(Text[Start - 1]) || Text[Start - 1] == '.' || Text[Start - 1] == '_')) --Start;
  if (Start > 0 && IsWordByte(Text[Start - 1])) return false;
  const std::string_view Key = Text.substr(Start, End - Start);
  return SameIgnoringCase(Key, "LEVEL") || SameIgnoringCase(Key, "LVL") || SameIgnoringCase(Key, "SEVERITY") ||
         SameIgnoringCase(Key, "LOGLEVEL") || SameIgnoringCase(Key, "AT");
}

bool InsideQuotes(std::string_view Text, size_t At) {
  bool Inside = false;
  for (size_t Quote = FindByte(Text.substr(0, At), '"'); Quote != std::string_view::npos;
       Quote = FindByte(Text.substr(0, At), '"', Quote + 1))
    Inside = !Inside;
  return Inside;
}

// The level of the level word that starts at At, when it stands alone there: not part of a
// longer word, a path, a hyphenated or dotted name, a key of key=value text or (when SkipQuoted)
// a quoted text. A dotted prefix is allowed where the word is in capitals (local.ERROR:).
TLogLevel StandaloneLevelWord(std::string_view Text, size_t At, bool SkipQuoted) {
  size_t End = At;
  while (End < Text.size() && End - At <= MaxWordLength && IsLetter(Text[End])) ++End;
  const size_t Length = End - At;
  const TLevelWord* Word = FindLevelWord(Text.substr(At, Length));
  if (Word == nullptr || Word->Kind == wkField) return lCustom;
  if (Word->Kind == wkNumbered && End < Text.size() && IsDigit(Text[End])) ++End;
  bool Capitals = true;
  for (size_t i = At; i < At + Length; ++i) Capitals = Capitals && Text[i] <= 'Z';

  const char Before = At > 0 ? Text[At - 1] : ' ';  // the start of the text stands for a blank
  const char After = End < Text.size() ? Text[End] : ' ';
  if (!IsOneOf(After, WordEnds) || (After == '/' && !Capitals)) return lCustom;
  if (Word->Level == lTrace && AfterStack(Text, At)) return lCustom;
  // "=ERROR REPORT==== 15-Jan-2024::10:22:35 ===": Erlang's reports start with their level.
  const bool KeyValue = (Before == '=' && (At == 1 || LevelKeyBefore(Text, At - 1))) ||
                        (Before == '"' && At >= 2 && Text[At - 2] == '=' && LevelKeyBefore(Text, At - 2));
  if (!KeyValue) {
    // [Server thread/INFO]: the last part of a bracketed tag
    const bool InTag = Before == '/' && After == ']';
    if (!IsOneOf(Before, " \t[(<{|:,;'\"])>.") && !InTag && !(At > 0 && EndsColour(Text, At - 1))) return lCustom;
    if (Before == '.' && !Capitals) return lCustom;
    if (SkipQuoted && InsideQuotes(Text, At)) return lCustom;
  }
  const bool Tagged = After == ':' || (IsOneOf(Before, "[(<:") && IsOneOf(After, "])>"));  // [core:notice]
  if (Word->Kind == wkWeak && !Tagged && !KeyValue && !Capitals) return lCustom;
  return Word->Level;
}

// The level of the word that starts at Start, or just after the blank or bracket at Start,
// when it is a level word that stands alone.
TLogLevel StandaloneLevelWordNear(std::string_view Text, size_t Start, bool SkipQuoted) {
  size_t At = Start;
  if (!IsWordByte(Text[At]) && At + 1 < Text.size()) ++At;
  if (At + 1 >= Text.size() || !IsLetter(Text[At]) || !IsLetter(Text[At + 1]) ||
      (At > 0 && IsWordByte(Text[At - 1]) && !EndsColour(Text, At - 1)))
    return lCustom;
  if (!LevelWordStarts.Pair[(Text[At] & 0xDF) - 'A'][(Text[At + 1] & 0xDF) - 'A']) return lCustom;
  return StandaloneLevelWord(Text, At, SkipQuoted);
}

// The last word of a text that ends inside the window, when it has three or four letters: the
// filter holds such words only with the byte that follows them.
TLogLevel StandaloneLastWord(std::string_view Text, bool SkipQuoted) {
  if (Text.size() > OwnWordWindow + 4 || Text.empty() || !IsLetter(Text.back())) return lCustom;
  if (Text.size() >= 5 && IsLetter(Text[Text.size() - 5])) return lCustom;  // a longer word
  size_t At = Text.size();
  while (At > 0 && Text.size() - At < 5 && IsLetter(Text[At - 1])) --At;
  const size_t Length = Text.size() - At;
  if (Length < 3 || Length > 4 || At >= OwnWordWindow || (At > 0 && IsLetter(Text[At - 1]))) return lCustom;
  return StandaloneLevelWordNear(Text, At, SkipQuoted);
}

// One pass of Filter over the first ScanLength bytes of Text: returns the level of the first
// standalone level word that starts within the window, ending the pass there. Also(Start) sees
// every position offered before and returns true to end the pass early.
template <typename TAlso>
TLogLevel ScanOwnWord(const TQuadgramFilter& Filter, std::string_view Text, size_t ScanLength, bool SkipQuoted,
                      TAlso&& Also) {
  TLogLevel Own = lCustom;
  bool Ended = false;
  Filter.ForEachCandidate(Text.substr(0, ScanLength), [&](size_t Start) {
    if (Start < OwnWordWindow) {
      Own = StandaloneLevelWordNear(Text, Start, SkipQuoted);
      if (Own != lCustom) return true;
    }
    Ended = Also(Start);
    return Ended;
  });
  if (Own == lCustom && !Ended) Own = StandaloneLastWord(Text, SkipQuoted);
  return Own;
}

// Whether a word starts at Start rather than inside a word or a joined name.
bool StartsAWord(std::string_view Text, size_t Start) {
  if (Start == 0) return true;
  const char Before = Text[Start - 1];
  return !IsWordByte(Before) && !(IsJoiner(Before) && Start > 1 && IsWordByte(Text[Start - 2]));
}

// Whether a word ends at End: no word, key or joined name goes on. A backslash is JSON's escape
// there ("disk error\n"), not a path's.
bool EndsAWord(std::string_view Text, size_t End) {
  if (End >= Text.size()) return true;
  const char After = Text[End];
  return !IsWordByte(After) && After != '=' &&
         !(IsJoiner(After) && After != '\\' && End + 1 < Text.size() && IsWordByte(Text[End + 1]));
}

// "fail" and the words it begins that report a failure: failed, failure(s), fails, failing.
bool FailureWordAt(std::string_view Text, size_t At) {
  if (!MatchesLower(Text, At, "fail") || !StartsAWord(Text, At)) return false;
  size_t End = At + 4;
  for (const std::string_view Ending : {"ed", "ures", "ure", "ing", "s"}) {
    if (MatchesLower(Text, End, Ending)) {
      End += Ending.size();
      break;
    }
  }
  return EndsAWord(Text, End);
}

// A keyword found in running text counts where it stands as a word: not inside a longer word
// (TERRORS, OnError, Traceback), a dotted or slashed name, a path or an identifier
// (errors.example.net, nginx/error.log, error_count), nor as a key (errors=0), nor the trace of
// "stack trace". Plurals count (3 errors, WARNINGS), and so do INFORMATIONAL and DEBUG2.
// Out of line: the scans that call it for their rare matches stay small.
[[gnu::noinline]] bool KeywordStandsAlone(std::string_view Text, size_t Start, std::string_view Keyword) {
  if (IsLetter(Keyword.front()) && !StartsAWord(Text, Start)) return false;
  if (Keyword == "TRACE" && AfterStack(Text, Start)) return false;
  if (!IsLetter(Keyword.back())) return true;
  size_t End = Start + Keyword.size();
  if (Keyword == "WARN" && MatchesLower(Text, End, "ing")) End += 3;
  else if (Keyword == "INFORMATION" && MatchesLower(Text, End, "al")) End += 2;
  else if ((Keyword == "DEBUG" || Keyword == "TRACE" || Keyword == "VERBOSE") && End < Text.size() &&
           IsDigit(Text[End]))
    ++End;
  if (End < Text.size() && LowerAscii(Text[End]) == 's') ++End;
  return EndsAWord(Text, End);
}

}  // namespace

TLogLevel LevelFromWord(std::string_view Word) {
  Word = Trim(Word);
  if (Word.empty()) return lCustom;
  if (const TLevelWord* W = FindLevelWord(Word)) return W->Level;
  // debug2, trace8
  const TLevelWord* Numbered = IsDigit(Word.back()) ? FindLevelWord(Word.substr(0, Word.size() - 1)) : nullptr;
  return Numbered != nullptr && Numbered->Kind == wkNumbered ? Numbered->Level : lCustom;
}

TLogLevel DetectLevel(std::string_view Text, std::string_view Upper) {
  // Positions in Text and Upper must correspond; a mismatch would read past the shorter one.
  const size_t Length = Text.size() < Upper.size() ? Text.size() : Upper.size();
  return LevelOf(Text.substr(0, Length), Upper.substr(0, Length), TAsIs());
}

TLogLevel DetectLevelIgnoringCase(std::string_view Text) { return LevelOf(Text, Text, TFolded()); }

TLogLevel OwnLevelWord(std::string_view Text, bool SkipQuoted) {
  // Quadgrams that begin inside the window cover every word that starts there.
  const size_t ScanLength = Text.size() < OwnWordWindow + 4 ? Text.size() : OwnWordWindow + 4;
  return ScanOwnWord(LineQuadgrams, Text, ScanLength, SkipQuoted, [](size_t) { return false; });
}

TLogLevel LineLevel(std::string_view Text) {
  const unsigned char* Bytes = reinterpret_cast<const unsigned char*>(Text.data());
  TKeywordGroup Group = kgNone;
  const TLogLevel Own = ScanOwnWord(LineQuadgrams, Text, Text.size(), true, [&](size_t Start) {
    Group = StrongestAt<true>(Bytes, Text.size(), Start, Group, TFolded());
    return Group == kgError && Start >= OwnWordWindow;
  });
  return Own != lCustom ? Own : LevelOfKeywords(Text, Text, Group, TFolded());
}

TLogLevel SyslogMessageLevel(std::string_view Message) {
  // One reference to the scan's state: a closure of several was built on the stack with wide
  // stores and read back narrowly, which stalled every message.
  struct TSeen {
    std::string_view Message;
    bool Error = false, Warn = false, Debug = false;
  } Seen{Message};
  const TLogLevel Own = ScanOwnWord(SyslogQuadgrams, Message, Message.size(), true, [&Seen](size_t At) {
    const std::string_view M = Seen.Message;
    switch (LowerAscii(M[At])) {
      case 'e':
        Seen.Error = Seen.Error || (MatchesLower(M, At, "error") && KeywordStandsAlone(M, At, "ERROR"));
        break;
      case 'f':
        Seen.Error = Seen.Error || FailureWordAt(M, At);
        break;
      case 'w':
        Seen.Warn = Seen.Warn || (MatchesLower(M, At, "warn") && KeywordStandsAlone(M, At, "WARN"));
        break;
      case 'd':
        Seen.Debug = Seen.Debug || (MatchesLower(M, At, "debug") && KeywordStandsAlone(M, At, "DEBUG"));
        break;
      default:
        break;
    }
    return Seen.Error && At >= OwnWordWindow;
  });
  if (Own != lCustom) return Own;
  return Seen.Error ? lError : Seen.Warn ? lWarn : Seen.Debug ? lDebug : lInfo;
}
