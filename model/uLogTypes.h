#pragma once
// Vocabulary shared by the loader, the parsers, the settings and the viewer: levels, formats,
// the roles of user-defined fields, colour rules, and the fixed-size record that describes one
// line.

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

// The ordinals are stored in the INI file and index the colour tables: never reorder.
enum TLogLevel : int32_t { lError, lWarn, lInfo, lDebug, lTrace, lCustom };
constexpr int LogLevelCount = 6;

enum TLogFormat : int32_t {
  lfUnknown,
  lfPlain,
  lfLog4x,
  lfApache,
  lfNginx,
  lfSyslog,
  lfCSV,
  lfJSON,
  lfIIS,
  lfCustom,
  lfRapidScada
};
constexpr int LogFormatCount = 11;

enum TCustomFieldRole : int32_t { cfrIgnore, cfrTimestamp, cfrLevel, cfrSource, cfrThread };
constexpr int CustomFieldRoleCount = 5;
constexpr int CustomFieldSlots = 8;

// Default member values are the settings' defaults for the user-defined format.
struct TCustomFormatConfig {
  int32_t Mode = 0;  // 0: delimited fields, 1: fixed columns
  char Delimiter = '|';
  TCustomFieldRole Fields[CustomFieldSlots] = {cfrTimestamp, cfrLevel, cfrSource};
  int32_t FieldCount = 4;
  int32_t TSStart = 0, TSLen = 0;
  int32_t LvlStart = 0, LvlLen = 0;
  int32_t SrcStart = 0, SrcLen = 0;
  int32_t ThrStart = 0, ThrLen = 0;
  std::string TimestampFmt = "YYYY-MM-DD hh:nn:ss";
  bool operator==(const TCustomFormatConfig&) const = default;
};

// A Windows colour reference, 0x00BBGGRR.
using TColor = int32_t;
// No colour of its own: the automatic one is used (only for a rule's foreground).
constexpr TColor AutoColor = -1;
constexpr int MaxColorRules = 20;

struct TColorStringRule {
  std::string Pattern;  // UTF-8; empty is no rule
  TColor Color = 0;
  TColor FgColor = AutoColor;
  bool Enabled = true;
  bool UseLevel = false;
  TLogLevel Level = lCustom;
  bool operator==(const TColorStringRule&) const = default;
};

// A table of colour rules as their owner holds it: Count of the slots are in use (an owner's
// count outside 0..MaxColorRules is clamped by the reader), and with DisableDefaultLevels the
// lines' own levels are ignored.
struct TColorRuleSet {
  const TColorStringRule (&Rules)[MaxColorRules];
  int32_t Count;
  bool DisableDefaultLevels;
};

// One line of a log. It owns nothing: the text lives in the list's buffer and is referred to by
// offset, so arrays of entries are copied and grown with plain memory copies.
//
// The offset is 64-bit: the text of a log may pass 2 GiB. A line, a line number and a count stay
// 32-bit: 2^31 entries take 96 GiB of entries alone, so a file reaches that many lines only
// where memory ran out long before (at 100 bytes a line, a file of some 200 GB).
struct TLogEntry {
  double Timestamp;     // days since 1899-12-30; 0 = none
  int64_t TextOffset;   // 0-based, into TLogList::TextBuffer
  int32_t TextLength;   // bytes, without line break and trailing CR
  int32_t SourceStart;  // 1-based byte position in the line; 0 = none
  int32_t SourceLength;
  int32_t ThreadStart;  // 1-based byte position in the line; 0 = none
  int32_t ThreadLength;
  TLogLevel Level;
  int32_t LineNumber;  // 1-based physical line
  TLogFormat Format;
};
static_assert(std::is_trivially_copyable_v<TLogEntry>);
static_assert(std::is_standard_layout_v<TLogEntry>);
static_assert(sizeof(TLogEntry) == 48, "memory for a log is decided by this record: it must not grow");

// An entry as a parser receives it: no timestamp, no fields, level not yet recognised.
constexpr TLogEntry EmptyLogEntry() { return TLogEntry{0.0, 0, 0, 0, 0, 0, 0, lCustom, 0, lfUnknown}; }

const char* FormatDisplayName(TLogFormat Format);
const char* RoleDisplayName(TCustomFieldRole Role);
