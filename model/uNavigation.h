#pragma once
// Finding the row to move to: the level jumps of the toolbar, text search on the host's behalf,
// go to a line number and go to a date-time. Everything works on the visible rows only and
// only decides; the window gathers the inputs (current row, visible rows, prompt text) and
// applies the answer with SelectRow / CentreRow.
//
// How the window applies a found row:
//   level jump    Following off always;   SelectRow(Row, ScrollToTop false) then CentreRow
//   text search   Following unchanged;    SelectRow(Row, ScrollToTop true)
//   go to line    Following off always;   SelectRow(Row, ScrollToTop true)
//   go to time    Following off always;   SelectRow(Row, ScrollToTop true)
// Not found (-1) leaves the selection as it is, without a message.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uLogTypes.h"
#include "model/uRuleCache.h"

// The rows of one viewer as navigation sees them.
struct TVisibleRows {
  const TLogList& List;
  bool AllVisible;
  const TIndexArray& Visible;
  int32_t VisibleCount;
  // How the viewer decodes lines that are not UTF-8: search and copying read them so too.
  TCodePage CodePage = cpAnsi;

  // -1 for a row outside the view, and for a row whose entry the list no longer holds (a
  // failed reload empties the list before the view is rebuilt).
  int32_t EntryOf(int32_t Row) const;
};

// --- Level jumps ---------------------------------------------------------------------------

// The nearest row after (Forward) or before CurrentRow whose entry's effective level is Level;
// CurrentRow itself is never tested and there is no wrap-around. With no current row (-1) the
// position is taken as just before row 0, so a forward jump also tests row 0 and a backward
// jump finds nothing. -1 when no row qualifies.
int32_t JumpToLevel(const TVisibleRows& Rows, TRuleCache& Rules, int32_t CurrentRow, bool Forward, TLogLevel Level);

// --- Text search ---------------------------------------------------------------------------

// The host's search flags.
constexpr int32_t lcs_findfirst = 1;
constexpr int32_t lcs_matchcase = 2;
constexpr int32_t lcs_wholewords = 4;
constexpr int32_t lcs_backwards = 8;

struct TSearchRequest {
  std::string_view Text;  // UTF-8
  bool MatchCase = false;
  bool WholeWords = false;
  bool Backwards = false;
  bool FindNext = false;  // continue from the current row instead of from the start
};

// The host's search request: FindNext is the absence of lcs_findfirst.
TSearchRequest SearchRequestFromHostFlags(std::string_view Text, int32_t Flags);
// Repeating the last search: its case and whole-word flags, continuing from the current row.
TSearchRequest RepeatSearchRequest(std::string_view LastText, int32_t LastFlags, bool Backwards);

// The search text prepared once per search. "A".."Z" are lower-cased when the case does not
// matter; nothing else is folded.
struct TSearchNeedle {
  std::string Bytes;
  std::u16string Units;
  bool Ascii = true;
  bool MatchCase = false;
  bool WholeWords = false;
};
TSearchNeedle MakeSearchNeedle(std::string_view Text, bool MatchCase, bool WholeWords);

// True when the line holds the needle; with WholeWords, an occurrence that has no word
// character (ASCII letter, digit, "_") right before or right after it. A line that is not pure
// ASCII is compared as text (decoded by DecodeLineBytes into Scratch), so a non-ASCII search
// finds lines stored in an 8-bit code page too.
bool LineMatchesSearch(std::string_view Line, const TSearchNeedle& Needle, std::u16string& Scratch,
                       TCodePage CodePage = cpAnsi);

// The runs of a decoded line that LineMatchesSearch accepts as occurrences of the needle, for
// highlighting; overlapping occurrences make one run.
void FindSearchSpans(std::u16string_view Line, const TSearchNeedle& Needle, TMatchSpans& Spans);

// The first matching row in the search direction: from the start (row 0, or the last row when
// searching backwards), or with FindNext from the row after (before) CurrentRow. No wrap-around.
// -1 when the text is empty, the view is empty or nothing matches.
int32_t SearchText(const TVisibleRows& Rows, int32_t CurrentRow, const TSearchRequest& Request);

// --- Position in percent ------------------------------------------------------------------

// The row at Percent of the view, for the host's "go to percent" command: (VisibleCount - 1) x
// Percent / 100 rounded to nearest, without overflow, kept within the rows. 0 for an empty view.
int32_t RowAtPercent(int32_t VisibleCount, int32_t Percent);

// --- Go to line and date-time --------------------------------------------------------------

// The prompt's text: trimmed (codes up to 32), an optional sign and decimal digits that fit in
// 32 bits. False for anything else, which the window ignores.
bool ParseLineNumber(std::string_view Text, int32_t& Number);
bool ParseLineNumber(std::u16string_view Text, int32_t& Number);

// The first row whose entry's LineNumber is at least Number, so a hidden line leads to the next
// visible one. -1 for Number <= 0 or when every visible line number is smaller.
int32_t GoToLine(const TVisibleRows& Rows, int32_t Number);

// The first row (in row order, not by time) whose entry has a timestamp not earlier than Time.
// Lines without a timestamp are skipped; a line that carries only a time of day is compared
// with the time of day of Time. -1 when no row qualifies.
int32_t GoToDateTime(const TVisibleRows& Rows, double Time);

// The date/time prompt's two controls combined: the date and the time to the second.
bool DateTimeFromPrompt(int Year, int Month, int Day, int Hour, int Minute, int Second, double& Value);
