#include "model/uViewFilter.h"

#include <algorithm>

namespace {

constexpr const char* ShownLevelNames[LogLevelCount] = {"Errors", "Warnings", "Infos", "Debug", "Trace", "Other lines"};

// Adds (Step 1) or takes back (Step -1) the counts of the entries First .. Last.
void CountRun(TLevelCounters& Counters, TRuleCache& Rules, const TLogList& List, int64_t First, int64_t Last,
              int32_t Step) {
  for (int64_t Index = First; Index <= Last; ++Index) {
    const auto Entry = static_cast<int32_t>(Index);
    CountLevel(Counters, EffectiveLevel(Rules, List, Entry), List.Items[static_cast<size_t>(Entry)].Timestamp, Step);
  }
}

// Hands Scan the cheapest test that answers the query: the plain byte matcher for the common
// single ASCII term keeps the hot loop as tight as a filter without exclusions or levels.
template <typename TScan>
void WithTextTest(const TTextQuery& Query, std::u16string& Scratch, TScan&& Scan) {
  if (KeepsEveryLine(Query)) {
    Scan([](std::string_view) { return true; });
  } else if (Query.Exclude.empty() && Query.Include.BytePath) {
    const std::string_view Ascii(Query.Include.Ascii);
    Scan([Ascii](std::string_view Line) { return MatchBytes(Line, Ascii); });
  } else {
    Scan([&Query, &Scratch](std::string_view Line) { return MatchesTextQuery(Query, Line, Scratch); });
  }
}

int32_t ExtendWholeFile(const TLogList& List, TRuleCache& Rules, int32_t OldCount, const TViewOutput& Out) {
  const int32_t OldRows = Out.VisibleCount;
  Out.Visible.clear();
  Out.VisibleCount = List.Count;
  CountRun(Out.Counters, Rules, List, OldCount, int64_t{List.Count} - 1, 1);
  return std::clamp(OldRows, 0, List.Count);
}

}  // namespace

const char* ShownLevelName(TLogLevel Level) {
  return Level >= 0 && Level < LogLevelCount ? ShownLevelNames[Level] : ShownLevelNames[lCustom];
}

std::string HiddenLevelsHint(TLevelSet Shown) {
  std::string Hint;
  for (int32_t Level = 0; Level < LogLevelCount; ++Level) {
    if (LevelShown(Shown, static_cast<TLogLevel>(Level))) continue;
    Hint += Hint.empty() ? "Hidden: " : ", ";
    Hint += ShownLevelNames[Level];
  }
  return Hint;
}

TLevelSet ToggleOnlyLevel(TLevelSet Shown, TLogLevel Level) {
  const TLevelSet Only = LevelBit(Level);
  return (Shown & AllLevels) == Only ? AllLevels : Only;
}

TViewQuery MakeViewQuery(std::u16string_view FilterW, int32_t ContextNumber, TLevelSet Levels, TCodePage CodePage) {
  TViewQuery Query;
  Query.Text = MakeTextQuery(FilterW, CodePage);
  Query.Context = ContextFromNumber(ContextNumber);
  Query.Levels = Levels & AllLevels;
  return Query;
}

bool ShowsWholeFile(const TViewQuery& Query) {
  return KeepsEveryLine(Query.Text) && (Query.Levels & AllLevels) == AllLevels;
}

void BuildView(const TLogList& List, TRuleCache& Rules, const TViewQuery& Query, const TViewOutput& Out,
               std::u16string& Scratch) {
  Out.AllVisible = ShowsWholeFile(Query);
  Out.Visible.clear();
  Out.VisibleCount = 0;
  Out.Counters = TLevelCounters{};
  ExtendView(List, Rules, Query, 0, Out, Scratch);
}

int32_t ExtendView(const TLogList& List, TRuleCache& Rules, const TViewQuery& Query, int32_t OldCount,
                   const TViewOutput& Out, std::u16string& Scratch) {
  const int32_t Count = std::max(List.Count, 0);
  OldCount = std::clamp(OldCount, 0, Count);
  const bool WholeFile = ShowsWholeFile(Query);
  // A view built for another kind of query cannot be extended; a full build sets the kind.
  if (Out.AllVisible != WholeFile) {
    BuildView(List, Rules, Query, Out, Scratch);
    return 0;
  }
  if (WholeFile) return ExtendWholeFile(List, Rules, OldCount, Out);

  // Rows from Keep on are written again. Matches from Rescan on can reach them; the old view's
  // rows there were cut at its last entry, and its matches stay matches, so its rows there are
  // a subset of the new ones: their counts are taken back and everything is counted afresh.
  const TContextLines Context = Query.Context;
  const int64_t Keep = std::max<int64_t>(0, int64_t{OldCount} - Context.Before);
  const int64_t Rescan = std::max<int64_t>(0, Keep - Context.After);
  const bool AllShown = (Query.Levels & AllLevels) == AllLevels;
  const auto OldRowCount =
      static_cast<size_t>(std::clamp<ptrdiff_t>(Out.VisibleCount, 0, static_cast<ptrdiff_t>(Out.Visible.size())));
  size_t FirstMoved = OldRowCount;

  WithTextTest(Query.Text, Scratch, [&](auto&& PassesText) {
    const auto Uncount = [&](int64_t First, int64_t Last) { CountRun(Out.Counters, Rules, List, First, Last, -1); };
    TRunMerger OldRows{Context, Keep, int64_t{OldCount} - 1};
    for (int64_t Entry = Rescan; Entry < OldCount && Keep < OldCount; ++Entry)
      if (PassesText(EntryLineBytes(List, static_cast<int32_t>(Entry)))) OldRows.Add(Entry, Uncount);
    OldRows.Finish(Uncount);

    const auto VisibleEnd = Out.Visible.begin() + std::min<ptrdiff_t>(std::max(Out.VisibleCount, 0),
                                                                      static_cast<ptrdiff_t>(Out.Visible.size()));
    size_t Written = static_cast<size_t>(std::lower_bound(Out.Visible.begin(), VisibleEnd, Keep) - Out.Visible.begin());
    Out.Visible.resize(Written + static_cast<size_t>(Count - Keep));

    const auto Counted = [&](int64_t First, int64_t Last) { CountRun(Out.Counters, Rules, List, First, Last, 1); };
    // The old rows from Written on are all still rows, so the array never shrinks below them
    // and each is compared before it is overwritten.
    const auto Shown = [&](int64_t First, int64_t Last) {
      for (int64_t Entry = First; Entry <= Last; ++Entry, ++Written) {
        if (Written < FirstMoved && Out.Visible[Written] != Entry) FirstMoved = Written;
        Out.Visible[Written] = static_cast<int32_t>(Entry);
      }
      if (AllShown) Counted(First, Last);
    };
    TRunMerger Rows{Context, Keep, int64_t{Count} - 1};
    TRunMerger CountedRows{Context, Keep, int64_t{Count} - 1};
    for (int32_t Entry = static_cast<int32_t>(Rescan); Entry < Count; ++Entry) {
      if (!PassesText(EntryLineBytes(List, Entry))) continue;
      if (AllShown) {
        Rows.Add(Entry, Shown);
        continue;
      }
      CountedRows.Add(Entry, Counted);
      if (LevelShown(Query.Levels, EffectiveLevel(Rules, List, Entry))) Rows.Add(Entry, Shown);
    }
    Rows.Finish(Shown);
    CountedRows.Finish(Counted);
    Out.Visible.resize(Written);
    Out.VisibleCount = static_cast<int32_t>(Written);
  });
  return static_cast<int32_t>(FirstMoved);
}
