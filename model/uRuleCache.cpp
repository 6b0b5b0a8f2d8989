#include "model/uRuleCache.h"

#include <algorithm>

#include "platform/uTextCodec.h"

namespace {

// The settings loader clamps the count, but a rule table indexed past its end would read
// foreign memory, so the copy never trusts it.
int32_t ClampedRuleCount(int32_t Count) { return std::clamp(Count, 0, MaxColorRules); }

TLogLevel ValidLevel(int32_t Ordinal) {
  return Ordinal >= 0 && Ordinal < LogLevelCount ? static_cast<TLogLevel>(Ordinal) : lCustom;
}

bool SameRule(const TColorStringRule& A, const TColorStringRule& B) {
  return A.Pattern == B.Pattern && A.Enabled == B.Enabled && A.UseLevel == B.UseLevel && A.Level == B.Level &&
         A.Color == B.Color && A.FgColor == B.FgColor;
}

std::string_view EntryLine(const TLogList& List, int32_t Index) {
  const TLogEntry& Entry = List.Items[static_cast<size_t>(Index)];
  if (Entry.TextLength <= 0) return {};
  return std::string_view(List.TextBuffer.Data() + Entry.TextOffset, static_cast<size_t>(Entry.TextLength));
}

int32_t FirstMatchingRule(TRuleCache& Cache, std::string_view Line) {
  const int32_t Count = ClampedRuleCount(Cache.RuleCount);
  // A pure-ASCII line is compared byte-wise with every pattern: lower-casing keeps it ASCII,
  // so a pattern with a unit above 127 cannot occur in it and the others compare the same way
  // decoded or not. Only other lines are decoded, once for all patterns.
  const bool AsciiLine = IsAsciiBytes(Line);
  if (!AsciiLine) {
    DecodeLineBytes(Line, Cache.Scratch, Cache.CodePage);
    NormaliseForMatch(Cache.Scratch);
  }
  const std::u16string_view Decoded(Cache.Scratch);
  for (int32_t i = 0; i < Count; ++i) {
    const std::u16string& Pattern = Cache.RulePatternW[i];
    if (Pattern.empty()) continue;
    const bool Matches = AsciiLine ? IsAsciiW(Pattern) && MatchBytes(Line, Cache.RulePatternUtf8[i])
                                   : Decoded.find(Pattern) != std::u16string_view::npos;
    if (Matches) return i;
  }
  return -1;
}

TLogLevel ComputeEffectiveLevel(TRuleCache& Cache, const TLogList& List, int32_t EntryIndex) {
  TLogLevel Level = Cache.IgnoreLevels ? lCustom : ValidLevel(List.Items[static_cast<size_t>(EntryIndex)].Level);
  const int32_t Rule = RuleForEntry(Cache, List, EntryIndex);
  if (Rule >= 0 && Cache.Rules[Rule].UseLevel) Level = ValidLevel(Cache.Rules[Rule].Level);
  return Level;
}

}  // namespace

void ClearRuleCaches(TRuleCache& Cache) {
  std::vector<uint8_t>().swap(Cache.RuleMatchCache);
  std::vector<int32_t>().swap(Cache.EffectiveLevels);
  Cache.LevelsDoneUpTo = 0;
}

bool RuleCacheIsStale(const TRuleCache& Cache, const TColorRuleSet& Rules) {
  const int32_t Count = ClampedRuleCount(Rules.Count);
  if (Cache.RuleCount != Count || Cache.IgnoreLevels != Rules.DisableDefaultLevels) return true;
  for (int32_t i = 0; i < Count; ++i)
    if (!SameRule(Cache.Rules[i], Rules.Rules[i])) return true;
  return false;
}

bool SyncRuleCache(TRuleCache& Cache, const TColorRuleSet& Rules) {
  if (!RuleCacheIsStale(Cache, Rules)) return false;
  ClearRuleCaches(Cache);
  Cache.RuleCount = ClampedRuleCount(Rules.Count);
  Cache.IgnoreLevels = Rules.DisableDefaultLevels;
  Cache.RulesActive = false;
  Cache.RulesSetLevel = false;
  Cache.RulePatternsAscii = true;
  for (int32_t i = 0; i < MaxColorRules; ++i) {
    Cache.RulePatternW[i].clear();
    Cache.RulePatternUtf8[i].clear();
    if (i >= Cache.RuleCount) continue;
    const TColorStringRule& Rule = Rules.Rules[i];
    Cache.Rules[i] = Rule;
    if (!Rule.Enabled || Rule.Pattern.empty()) continue;
    Cache.RulePatternW[i] = Utf8ToUtf16(Rule.Pattern);
    NormaliseForMatch(Cache.RulePatternW[i]);
    Cache.RulePatternUtf8[i] = Utf16ToUtf8(Cache.RulePatternW[i]);
    if (!IsAsciiW(Cache.RulePatternW[i])) Cache.RulePatternsAscii = false;
    Cache.RulesActive = true;
    if (Rule.UseLevel) Cache.RulesSetLevel = true;
  }
  return true;
}

bool SetRuleCodePage(TRuleCache& Cache, TCodePage CodePage) {
  if (Cache.CodePage == CodePage) return false;
  Cache.CodePage = CodePage;
  ClearRuleCaches(Cache);
  return true;
}

int32_t RuleForEntry(TRuleCache& Cache, const TLogList& List, int32_t EntryIndex) {
  if (!Cache.RulesActive) return -1;
  if (EntryIndex < 0 || EntryIndex >= List.Count) return -1;
  const size_t Index = static_cast<size_t>(EntryIndex);
  if (Index >= Cache.RuleMatchCache.size()) {
    const size_t Length = Cache.RuleMatchCache.size();
    const size_t Grown = Length > 2047 ? Length * 2 : 4096;
    Cache.RuleMatchCache.resize(std::max(Grown, static_cast<size_t>(List.Count)), RuleNotComputed);
  }
  uint8_t& Slot = Cache.RuleMatchCache[Index];
  if (Slot == RuleNotComputed) {
    const int32_t Rule = FirstMatchingRule(Cache, EntryLine(List, EntryIndex));
    Slot = Rule < 0 ? RuleNone : static_cast<uint8_t>(Rule);
  }
  return Slot == RuleNone ? -1 : Slot;
}

void ForgetEntry(TRuleCache& Cache, int32_t EntryIndex) {
  if (EntryIndex < 0) return;
  if (static_cast<size_t>(EntryIndex) < Cache.RuleMatchCache.size())
    Cache.RuleMatchCache[static_cast<size_t>(EntryIndex)] = RuleNotComputed;
  Cache.LevelsDoneUpTo = std::min(Cache.LevelsDoneUpTo, EntryIndex);
}

void UpdateEffectiveLevels(TRuleCache& Cache, const TLogList& List) {
  if (!Cache.RulesSetLevel) return;
  const size_t Count = static_cast<size_t>(std::max(List.Count, 0));
  if (Cache.EffectiveLevels.size() < Count)
    Cache.EffectiveLevels.resize(std::max({Cache.EffectiveLevels.size() * 2, size_t{4096}, Count}));
  for (int32_t i = std::max(Cache.LevelsDoneUpTo, 0); i < List.Count; ++i)
    Cache.EffectiveLevels[static_cast<size_t>(i)] = ComputeEffectiveLevel(Cache, List, i);
  Cache.LevelsDoneUpTo = List.Count;
}

TLogLevel EffectiveLevel(TRuleCache& Cache, const TLogList& List, int32_t EntryIndex) {
  if (EntryIndex < 0 || EntryIndex >= List.Count) return lCustom;
  if (Cache.RulesSetLevel) {
    if (EntryIndex < Cache.LevelsDoneUpTo && static_cast<size_t>(EntryIndex) < Cache.EffectiveLevels.size())
      return ValidLevel(Cache.EffectiveLevels[static_cast<size_t>(EntryIndex)]);
    return ComputeEffectiveLevel(Cache, List, EntryIndex);
  }
  if (Cache.IgnoreLevels) return lCustom;
  return ValidLevel(List.Items[static_cast<size_t>(EntryIndex)].Level);
}

namespace {

// Counts one entry. Without rules that set levels the entry's own level counts: read in place,
// as this runs over every row of the file after each load and filter.
void CountEntry(TLevelCounters& Counters, TRuleCache& Cache, const TLogList& List, int32_t Entry) {
  if (Entry < 0 || Entry >= List.Count) return;
  const TLogEntry& Item = List.Items[static_cast<size_t>(Entry)];
  const bool OwnLevels = !Cache.RulesSetLevel && !Cache.IgnoreLevels;
  CountLevel(Counters, OwnLevels ? ValidLevel(Item.Level) : EffectiveLevel(Cache, List, Entry), Item.Timestamp);
}

}  // namespace

TLevelCounters CountVisibleLevels(TRuleCache& Cache, const TLogList& List, bool AllVisible, const TIndexArray& Visible,
                                  int32_t VisibleCount) {
  TLevelCounters Counters;
  const int32_t Rows =
      AllVisible ? std::min(VisibleCount, List.Count) : std::min(VisibleCount, static_cast<int32_t>(Visible.size()));
  for (int32_t Row = 0; Row < Rows; ++Row)
    CountEntry(Counters, Cache, List, AllVisible ? Row : Visible[static_cast<size_t>(Row)]);
  return Counters;
}

void CountAppendedEntries(TLevelCounters& Counters, TRuleCache& Cache, const TLogList& List, int32_t From, int32_t To) {
  for (int32_t Entry = std::max(From, 0); Entry < To; ++Entry) CountEntry(Counters, Cache, List, Entry);
}

void CountLevel(TLevelCounters& Counters, TLogLevel Level, double Timestamp, int32_t Step) {
  int32_t* Count;
  double* Last;
  switch (Level) {
    case lError:
      Count = &Counters.ErrorCount;
      Last = &Counters.LastErrorTime;
      break;
    case lWarn:
      Count = &Counters.WarnCount;
      Last = &Counters.LastWarnTime;
      break;
    case lInfo:
      Count = &Counters.InfoCount;
      Last = &Counters.LastInfoTime;
      break;
    default:
      return;
  }
  *Count += Step;
  if (Step > 0 && Timestamp > *Last) *Last = Timestamp;
}
