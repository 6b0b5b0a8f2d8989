#pragma once
// The rows of a view as the filter box, the context number and the shown levels decide them,
// with the level counters that go with them: built from scratch, or extended by lines appended
// to the list. The filter text is parsed once per build, never per line.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uLogTypes.h"
#include "model/uRuleCache.h"

// --- Shown levels --------------------------------------------------------------------------

// One bit per level ordinal. lCustom is "Other lines": every line whose effective level is none
// of the five named ones.
using TLevelSet = uint8_t;
constexpr TLevelSet LevelBit(TLogLevel Level) { return static_cast<TLevelSet>(1u << Level); }
constexpr TLevelSet AllLevels = static_cast<TLevelSet>((1u << LogLevelCount) - 1);
constexpr bool LevelShown(TLevelSet Shown, TLogLevel Level) { return (Shown & LevelBit(Level)) != 0; }

// A level as the Show menu and the hint name it: "Errors", "Warnings", "Infos", "Debug",
// "Trace", "Other lines".
const char* ShownLevelName(TLogLevel Level);
// "Hidden: Debug, Trace" in level order; empty when every level is shown.
std::string HiddenLevelsHint(TLevelSet Shown);
// A click on a level's counter: that level alone, or every level when it already was alone.
TLevelSet ToggleOnlyLevel(TLevelSet Shown, TLogLevel Level);

// --- What decides the rows -----------------------------------------------------------------

struct TViewQuery {
  TTextQuery Text;
  TContextLines Context;
  TLevelSet Levels = AllLevels;
};
TViewQuery MakeViewQuery(std::u16string_view FilterW, int32_t ContextNumber, TLevelSet Levels,
                         TCodePage CodePage = cpAnsi);
// No text term and every level shown: row i is entry i.
bool ShowsWholeFile(const TViewQuery& Query);

// --- Building the rows ---------------------------------------------------------------------
//
// A line is a match when it passes the text query and its effective level is shown; the rows
// are the matches widened by the context, so context lines show whatever their level. The
// counters count the errors, warnings and infos (with the latest timestamp of each) among the
// rows the view would have with every level shown: hiding levels leaves them as they are, while
// the text filter narrows them as it narrows the rows.

// Where a build writes: the viewer's own fields.
struct TViewOutput {
  bool& AllVisible;  // true: row i is entry i, Visible is empty
  TIndexArray& Visible;
  int32_t& VisibleCount;
  TLevelCounters& Counters;
};

// Every row from scratch. Visible is sized to the entry count once and then cut.
void BuildView(const TLogList& List, TRuleCache& Rules, const TViewQuery& Query, const TViewOutput& Out,
               std::u16string& Scratch);

// The same result as BuildView, for a list that has grown from OldCount entries since Out was
// built with the same query; the entries before OldCount must be as they were (a line that was
// completed in place needs BuildView). Only the new entries, and the context's reach back into
// the old ones, are tested again. Returns the first row that shows another entry than before:
// the old row count when the old rows all stayed in place and rows were only added after them
// (context before a new match can slip rows in between old ones).
int32_t ExtendView(const TLogList& List, TRuleCache& Rules, const TViewQuery& Query, int32_t OldCount,
                   const TViewOutput& Out, std::u16string& Scratch);
