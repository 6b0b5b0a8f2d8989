#pragma once
// Matching of lines against the filter text and the colour-rule patterns, the filter text's
// terms, the places of the matches inside a line, the context number, and the computation of a
// viewer's visible rows from the text alone. Nothing here allocates per line: the byte path
// works on the stored UTF-8 directly, the Unicode path reuses one scratch buffer.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/uLogModel.h"
#include "platform/uPlatformText.h"

// Entry index of each visible row, ascending.
using TIndexArray = std::vector<int32_t>;

// The stored bytes of an entry's line; Index must be an entry of the list.
inline std::string_view EntryLineBytes(const TLogList& List, int32_t Index) {
  const int32_t Length = List.Items[static_cast<size_t>(Index)].TextLength;
  if (Length <= 0) return {};
  return std::string_view(List.EntryText(Index), static_cast<size_t>(Length));
}

constexpr char16_t OhmSign = u'\u2126';
constexpr char16_t CapitalOmega = u'\u03A9';

// Added to a code page: every line is decoded in that page, valid UTF-8 or not. The user chose
// the page for an 8-bit log, in which a short line of letters can be valid UTF-8 by accident.
constexpr TCodePage cpForced = 0x80000000u;

// A line's bytes as UTF-16: strict UTF-8 when the bytes are valid and give text, otherwise the
// code page (cpUtf8: UTF-8 with U+FFFD for each invalid byte); with cpForced always the code
// page; empty for no bytes. Drawing, filtering, search, copying and the colour rules of one
// viewer pass the same code page, so that all of them see the same text. The second form
// reuses Out's capacity.
std::u16string DecodeLineBytes(const char* Bytes, int32_t Length, TCodePage CodePage = cpAnsi);
void DecodeLineBytes(std::string_view Bytes, std::u16string& Out, TCodePage CodePage = cpAnsi);

// Ohm signs become capital omegas (not every platform lower-cases the Ohm sign), then the
// whole text is lower-cased in place.
void NormaliseForMatch(std::u16string& Text);
std::u16string NormalisedForMatch(std::u16string_view Text);

// True when every UTF-16 unit is 0..127.
bool IsAsciiW(std::u16string_view Text);
// True when no byte is 0x80 or above.
bool IsAsciiBytes(std::string_view Bytes);

// The needle of a filter. The byte path is taken when the typed text is pure ASCII: then Ascii
// holds it with "A".."Z" lower-cased. Unicode always holds the normalised text, which is what
// is looked for in a decoded line.
struct TFilterNeedle {
  bool BytePath = true;
  std::string Ascii;
  std::u16string Unicode;
};
// FilterLowerW is FilterW after NormaliseForMatch.
TFilterNeedle ChooseNeedle(std::u16string_view FilterW, std::u16string_view FilterLowerW);

// Byte path: Needle must already be lower-case ASCII. "A".."Z" are folded on both sides, every
// other byte must be equal. An empty needle matches everything; a non-empty one never matches
// a line shorter than itself.
bool MatchBytes(std::string_view Line, std::string_view Needle);
// Unicode path: the line is decoded into Scratch and normalised there, then searched for the
// (already normalised) needle.
bool MatchUnicode(std::string_view Line, std::u16string_view Needle, std::u16string& Scratch,
                  TCodePage CodePage = cpAnsi);
bool MatchLine(const TFilterNeedle& Needle, std::string_view Line, std::u16string& Scratch,
               TCodePage CodePage = cpAnsi);

// --- The filter text's terms ---------------------------------------------------------------
//
// "error !timeout !retry" keeps the lines that contain "error" and none of "timeout" and
// "retry". The text splits where a "!" follows a space or starts the text; the spaces before
// such a "!" only separate. The first piece, unless it starts with "!", is the include text;
// every "!" piece is one exclusion text. Everything else is searched for as typed, inner and
// trailing spaces included, so a text without a "!" at its start or after a space means what
// it always meant. "\!" in those two places stands for a literal "!" (elsewhere a backslash is
// just a backslash); a "!" with nothing after it excludes nothing.
struct TFilterTerms {
  std::u16string Include;  // empty: every line
  std::vector<std::u16string> Exclude;
};
TFilterTerms ParseFilterText(std::u16string_view Text);

// The terms prepared for matching, once per rebuild: each term takes the byte path when it is
// ASCII, and lines that are not UTF-8 are decoded in CodePage.
struct TTextQuery {
  bool HasInclude = false;
  TFilterNeedle Include;
  std::vector<TFilterNeedle> Exclude;
  TCodePage CodePage = cpAnsi;
};
TTextQuery MakeTextQuery(std::u16string_view FilterW, TCodePage CodePage = cpAnsi);
// True when the query keeps every line.
bool KeepsEveryLine(const TTextQuery& Query);
// The line holds the include text (or there is none) and no exclusion text.
bool MatchesTextQuery(const TTextQuery& Query, std::string_view Line, std::u16string& Scratch);

// --- Where a line matches ------------------------------------------------------------------

// A run of UTF-16 units of a decoded line, as it is drawn.
struct TMatchSpan {
  int32_t Start;
  int32_t Length;
};
// Reused from line to line, so that drawing allocates nothing per row.
using TMatchSpans = std::vector<TMatchSpan>;

// Calls Found(Start) for every occurrence of Needle in Hay, left to right, overlapping ones
// included, until Found returns false. With Fold, "A".."Z" of Hay are lower-cased before the
// comparison (Needle must be folded already); with WholeWords only occurrences between non-word
// characters count (word characters: ASCII letters and digits, "_").
template <typename TChar, typename TFound>
void ForEachOccurrence(std::basic_string_view<TChar> Hay, std::basic_string_view<TChar> Needle, bool Fold,
                       bool WholeWords, TFound&& Found) {
  const auto FoldUnit = [Fold](TChar Unit) {
    return Fold && Unit >= TChar('A') && Unit <= TChar('Z') ? static_cast<TChar>(Unit + 32) : Unit;
  };
  const auto IsWordChar = [](TChar Unit) {
    return (Unit >= TChar('0') && Unit <= TChar('9')) || (Unit >= TChar('A') && Unit <= TChar('Z')) ||
           (Unit >= TChar('a') && Unit <= TChar('z')) || Unit == TChar('_');
  };
  if (Needle.empty() || Hay.size() < Needle.size()) return;
  const size_t Last = Hay.size() - Needle.size();
  for (size_t Start = 0; Start <= Last; ++Start) {
    size_t k = 0;
    while (k < Needle.size() && FoldUnit(Hay[Start + k]) == Needle[k]) ++k;
    if (k != Needle.size()) continue;
    if (WholeWords) {
      const size_t End = Start + Needle.size();
      if ((Start > 0 && IsWordChar(Hay[Start - 1])) || (End < Hay.size() && IsWordChar(Hay[End]))) continue;
    }
    if (!Found(Start)) return;
  }
}

// Appends the run [Start, Start + Length) to Spans, merged with the last run when they overlap
// or touch; runs must come in ascending order of Start.
void AddMatchSpan(TMatchSpans& Spans, size_t Start, size_t Length);

// The runs of a decoded line that hold the query's include text, compared exactly as the filter
// compares (ASCII folding for an ASCII term, the Unicode normalisation otherwise); overlapping
// occurrences make one run. Empty without an include text. Scratch serves the normalisation.
void FindFilterSpans(std::u16string_view Line, const TTextQuery& Query, TMatchSpans& Spans, std::u16string& Scratch);

// Lines shown before and after each match; at most one of them is non-zero.
struct TContextLines {
  int32_t Before = 0;
  int32_t After = 0;
};
// The text of the context box: trimmed (codes up to 32), an optional sign and decimal digits
// that fit in 32 bits; anything else is 0.
int32_t ParseContextNumber(std::u16string_view Text);
int32_t ParseContextNumber(std::string_view Text);
// Positive N: N lines after; negative -N: N lines before.
TContextLines ContextFromNumber(int32_t Number);

// Widens matches by the context and merges the ranges as the matches come, in ascending order,
// into runs of entry indexes that neither overlap nor touch. Runs are clipped to Low .. High.
// 64-bit bounds: a huge context must not wrap.
struct TRunMerger {
  TContextLines Context;
  int64_t Low = 0;
  int64_t High = -1;
  int64_t RunFirst = 0;
  int64_t RunLast = -1;  // RunLast < RunFirst: no run open

  // Emit(First, Last) receives each completed run.
  template <typename TEmit>
  void Add(int64_t Match, TEmit&& Emit) {
    const int64_t First = std::max(Low, Match - Context.Before);
    const int64_t Last = std::min(High, Match + Context.After);
    if (Last < First) return;
    if (RunLast < RunFirst) {
      RunFirst = First;
      RunLast = Last;
    } else if (First > RunLast + 1) {
      Emit(RunFirst, RunLast);
      RunFirst = First;
      RunLast = Last;
    } else if (Last > RunLast) {
      RunLast = Last;
    }
  }
  template <typename TEmit>
  void Finish(TEmit&& Emit) {
    if (RunLast >= RunFirst) Emit(RunFirst, RunLast);
    RunLast = RunFirst - 1;
  }
};

// The entries of List that match Needle, widened by Context and merged so that each index
// appears once, in ascending order. Visible is sized to List.Count once and then cut to the
// rows written; the return value is that number (VisibleCount). Scratch serves the Unicode path.
int32_t BuildFilteredRows(const TLogList& List, const TFilterNeedle& Needle, TContextLines Context,
                          TIndexArray& Visible, std::u16string& Scratch);

// The whole filtering step of a rebuild: with an empty FilterW every entry is visible
// (AllVisible true, Visible emptied, VisibleCount = List.Count); otherwise the filtered rows.
void ApplyFilter(const TLogList& List, std::u16string_view FilterW, std::u16string_view FilterLowerW,
                 int32_t ContextNumber, bool& AllVisible, TIndexArray& Visible, int32_t& VisibleCount,
                 std::u16string& Scratch);

// Row -> entry index: -1 outside 0 .. VisibleCount - 1, the row itself when AllVisible, else
// Visible[Row] (and -1 should Visible be shorter than VisibleCount).
int32_t VisibleToEntry(bool AllVisible, const TIndexArray& Visible, int32_t VisibleCount, int32_t Row);
// Entry index -> row showing it, or -1 when the entry is not visible.
int32_t EntryToVisibleRow(bool AllVisible, const TIndexArray& Visible, int32_t VisibleCount, int32_t EntryIndex);
