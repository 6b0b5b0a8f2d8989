#include "loader/uCustomParser.h"

#include <algorithm>

#include "loader/uLevelDetect.h"
#include "model/uTextScan.h"
#include "loader/uTimestamp.h"

void AssignCustomField(std::string_view Line, const TCustomFormatConfig& Config, TCustomFieldRole Role, int32_t Start,
                       int32_t Len, bool AllowIso, TLogEntry& Entry) {
  if (Len <= 0) return;
  // 64-bit bounds: Start and Len come from the settings file and may be near the int limits.
  const int64_t LineLength = static_cast<int64_t>(Line.size());
  int64_t First = std::max<int64_t>(Start, 1);
  int64_t Last = std::min<int64_t>(static_cast<int64_t>(Start) + Len - 1, LineLength);
  while (First <= Last && IsBlank(Line[First - 1])) ++First;
  while (Last >= First && IsBlank(Line[Last - 1])) --Last;
  if (First > Last) return;

  const std::string_view Text = Line.substr(First - 1, Last - First + 1);
  switch (Role) {
    case cfrTimestamp: {
      double Value = 0;
      if (!Config.TimestampFmt.empty()) {
        if (ParseWithPattern(Text, Config.TimestampFmt, Value)) Entry.Timestamp = Value;
      } else if (AllowIso && ParseIsoTimestamp(Text, Value)) {
        Entry.Timestamp = Value;
      }
      break;
    }
    case cfrLevel:
      Entry.Level = LevelFromWord(Text);
      break;
    case cfrSource:
      Entry.SourceStart = static_cast<int32_t>(First);
      Entry.SourceLength = static_cast<int32_t>(Text.size());
      break;
    case cfrThread:
      Entry.ThreadStart = static_cast<int32_t>(First);
      Entry.ThreadLength = static_cast<int32_t>(Text.size());
      break;
    default:
      break;
  }
}

// The configuration is read through a const reference rather than copied per line: a copy
// would allocate for the pattern string on every line of the file.
void ParseCustomLine(std::string_view Line, TLogEntry& Entry, const TCustomFormatConfig& Config) {
  Entry.Format = lfCustom;
  Entry.Level = lCustom;
  Entry.Timestamp = 0;
  Entry.SourceStart = Entry.SourceLength = 0;
  Entry.ThreadStart = Entry.ThreadLength = 0;

  if (Config.Mode != 0) {
    if (Config.TSStart > 0 && Config.TSLen > 0)
      AssignCustomField(Line, Config, cfrTimestamp, Config.TSStart, Config.TSLen, true, Entry);
    if (Config.LvlStart > 0 && Config.LvlLen > 0)
      AssignCustomField(Line, Config, cfrLevel, Config.LvlStart, Config.LvlLen, false, Entry);
    if (Config.SrcStart > 0 && Config.SrcLen > 0)
      AssignCustomField(Line, Config, cfrSource, Config.SrcStart, Config.SrcLen, false, Entry);
    if (Config.ThrStart > 0 && Config.ThrLen > 0)
      AssignCustomField(Line, Config, cfrThread, Config.ThrStart, Config.ThrLen, false, Entry);
    return;
  }

  const int Count = std::clamp<int32_t>(Config.FieldCount, 0, CustomFieldSlots);
  size_t FieldStart = 0;
  for (int i = 0; i < Count; ++i) {
    size_t FieldEnd = FindByte(Line, Config.Delimiter, FieldStart);
    if (FieldEnd == std::string_view::npos) FieldEnd = Line.size();
    AssignCustomField(Line, Config, Config.Fields[i], static_cast<int32_t>(FieldStart + 1),
                      static_cast<int32_t>(FieldEnd - FieldStart), false, Entry);
    if (FieldEnd >= Line.size()) break;  // that was the last field of the line
    FieldStart = FieldEnd + 1;
  }
}
