#pragma once
// The viewer's copy of the colour rules, the per-entry cache of the first matching rule, the
// effective level of each entry, and the per-level counters of the visible rows. A viewer's
// state embeds one TRuleCache; the rules are passed in so that tests need no global record.

#include <cstdint>
#include <string>
#include <vector>

#include "model/uLogFilter.h"
#include "model/uLogModel.h"
#include "model/uLogTypes.h"

constexpr uint8_t RuleNotComputed = 0xFE;
constexpr uint8_t RuleNone = 0xFF;

struct TRuleCache {
  TColorStringRule Rules[MaxColorRules];
  int32_t RuleCount = 0;
  bool IgnoreLevels = false;
  // Normalised pattern of each active rule; empty for an inactive slot.
  std::u16string RulePatternW[MaxColorRules];
  std::string RulePatternUtf8[MaxColorRules];
  bool RulesActive = false;
  bool RulesSetLevel = false;
  bool RulePatternsAscii = true;
  // One byte per entry: RuleNotComputed, RuleNone, or the index of the first matching rule.
  std::vector<uint8_t> RuleMatchCache;
  // TLogLevel ordinals, kept only while RulesSetLevel is true.
  std::vector<int32_t> EffectiveLevels;
  int32_t LevelsDoneUpTo = 0;
  // How lines that are not pure ASCII are decoded before the patterns are looked for.
  TCodePage CodePage = cpAnsi;
  // Decoding buffer of the Unicode path, reused for every line.
  std::u16string Scratch;
};

// Forgets every per-entry result (a reload): both caches emptied, LevelsDoneUpTo 0.
void ClearRuleCaches(TRuleCache& Cache);

// True when the copy differs from the given rules, their count or DisableDefaultLevels.
bool RuleCacheIsStale(const TRuleCache& Cache, const TColorRuleSet& Rules);
// Brings the copy and the patterns in line with Rules; when anything changed the per-entry
// caches are dropped. Returns true when it did so.
bool SyncRuleCache(TRuleCache& Cache, const TColorRuleSet& Rules);

// Lines are decoded in CodePage from now on; when it differs from the page in use the per-entry
// caches are dropped. Returns true when it did so.
bool SetRuleCodePage(TRuleCache& Cache, TCodePage CodePage);

// The first active rule matching the entry's text (-1 for none or an index outside the list),
// computed once per entry and cached.
int32_t RuleForEntry(TRuleCache& Cache, const TLogList& List, int32_t EntryIndex);

// An entry whose text changed (a line completed after it was shown): its rule and effective
// level are computed again when next asked for.
void ForgetEntry(TRuleCache& Cache, int32_t EntryIndex);

// Computes the effective levels of entries LevelsDoneUpTo .. Count - 1 when a rule sets levels.
void UpdateEffectiveLevels(TRuleCache& Cache, const TLogList& List);

// The level that counters, navigation and colours use: a rule's level, else lCustom when levels
// are ignored, else the entry's own. Entries not yet covered by UpdateEffectiveLevels are
// computed on the spot.
TLogLevel EffectiveLevel(TRuleCache& Cache, const TLogList& List, int32_t EntryIndex);

struct TLevelCounters {
  int32_t ErrorCount = 0;
  int32_t WarnCount = 0;
  int32_t InfoCount = 0;
  double LastErrorTime = 0;
  double LastWarnTime = 0;
  double LastInfoTime = 0;
};

// One line of Level added to the counters: errors, warnings and infos count, other levels not.
// Step -1 takes a count back and leaves the latest times, which is right only for lines that
// are then counted again.
void CountLevel(TLevelCounters& Counters, TLogLevel Level, double Timestamp, int32_t Step = 1);

// Errors, warnings and infos among the visible rows, and the latest timestamp of each.
TLevelCounters CountVisibleLevels(TRuleCache& Cache, const TLogList& List, bool AllVisible, const TIndexArray& Visible,
                                  int32_t VisibleCount);
// Adds entries From .. To - 1, each shown as a row of its own (the unfiltered view grew), to
// the counters.
void CountAppendedEntries(TLevelCounters& Counters, TRuleCache& Cache, const TLogList& List, int32_t From, int32_t To);
