#pragma once
// Matching of lines against the filter text and the colour-rule patterns, the context number,
// and the computation of a viewer's visible rows. Nothing here allocates per line: the byte
// path works on the stored UTF-8 directly, the Unicode path reuses one scratch buffer.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/uLogModel.h"

// Entry index of each visible row, ascending.
using TIndexArray = std::vector<int32_t>;

constexpr char16_t OhmSign = u'\u2126';
constexpr char16_t CapitalOmega = u'\u03A9';

// A line's bytes as UTF-16: strict UTF-8 when the bytes are valid and give text, otherwise the
// system ANSI code page; empty for no bytes. The second form reuses Out's capacity.
std::u16string DecodeLineBytes(const char* Bytes, int32_t Length);
void DecodeLineBytes(std::string_view Bytes, std::u16string& Out);

// Ohm signs become capital omegas (not every platform lower-cases the Ohm sign), then the
// whole text is lower-cased in place.
void NormaliseForMatch(std::u16string& Text);
std::u16string NormalisedForMatch(std::u16string_view Text);

// True when every UTF-16 unit is 0..127.
bool IsAsciiW(std::u16string_view Text);
// True when no byte is 0x80 or above.
bool IsAsciiBytes(std::string_view Bytes);

// The needle of a filter. The byte path is taken when the typed text is pure ASCII: then Ascii
// holds it with "A".."Z" lower-cased; otherwise Unicode holds the normalised text.
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
bool MatchUnicode(std::string_view Line, std::u16string_view Needle, std::u16string& Scratch);
bool MatchLine(const TFilterNeedle& Needle, std::string_view Line, std::u16string& Scratch);

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
