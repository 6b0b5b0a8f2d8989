#pragma once
// The settings record: every setting with its default, and the range each number is brought
// into, whether it comes from the settings file or from the options dialog.

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "model/uLogTypes.h"
#include "settings/uTheme.h"

// The checker takes the names the compiler gives the defaulted comparison's parameters for ours.
struct TAppSettings {  // NOLINT(bugprone-reserved-identifier)
  bool ShowLineNumbers = true;
  int32_t LineNumWidth = 5;
  TColor WindowBgColor = 0xFFFFFF;
  TColor BarDarkModeColor = 0x202020;
  bool WordWrap = false;
  bool HorzScrollbar = false;
  std::string FontName = "Courier New";
  int32_t FontSize = 9;
  int32_t ThemeMode = 0;  // 0 auto, 1 always light, 2 always dark
  TColorScheme ColorsLight{};
  TColorScheme ColorsDark{};
  TColorScheme Colors{};  // the scheme in force
  TColorStringRule ColorRules[MaxColorRules];
  int32_t ColorRuleCount = 0;
  bool DisableDefaultLevels = false;
  bool AutoDetect = true;
  TLogFormat ForceFormat = lfPlain;
  TCustomFormatConfig CustomFormat;
  bool TailEnabled = false;
  bool Follow = true;
  int32_t TailIntervalMs = 1000;
  bool CloseOnEscInLister = true;
  int32_t WindowLeft = 100;
  int32_t WindowTop = 80;
  int32_t WindowWidth = 960;
  int32_t WindowHeight = 650;
  bool WindowMaximized = false;
  std::string LastDir;

  bool operator==(const TAppSettings&) const = default;
};

// The values a numeric setting may take, and what becomes of one outside them: brought to the
// nearer end, replaced by a fixed value, or ignored so that the setting keeps what it had.
struct TSettingRange {
  enum TRule { Clamp, Replace, Keep };
  int32_t Low = std::numeric_limits<int32_t>::min();
  int32_t High = std::numeric_limits<int32_t>::max();
  TRule Rule = Clamp;
  int32_t Replacement = 0;

  constexpr bool Holds(int32_t Value) const { return Value >= Low && Value <= High; }
  constexpr int32_t Clamped(int32_t Value) const { return std::clamp(Value, Low, High); }
  // Value as the setting takes it, where Current is what the setting holds now.
  constexpr int32_t Apply(int32_t Value, int32_t Current) const {
    if (Holds(Value)) return Value;
    return Rule == Clamp ? Clamped(Value) : Rule == Replace ? Replacement : Current;
  }
};

inline constexpr TSettingRange AnyNumber{};
inline constexpr TSettingRange LineNumWidthRange{1, 9};
inline constexpr TSettingRange FontSizeRange{6, 36};
inline constexpr TSettingRange ThemeModeRange{0, 2, TSettingRange::Replace, 0};
inline constexpr TSettingRange RuleCountRange{0, MaxColorRules};
inline constexpr TSettingRange RuleLevelRange{0, LogLevelCount - 1, TSettingRange::Replace, lCustom};
inline constexpr TSettingRange ForceFormatRange{0, LogFormatCount - 1, TSettingRange::Keep};
inline constexpr TSettingRange CustomModeRange{0, 1, TSettingRange::Keep};
inline constexpr TSettingRange FieldCountRange{1, CustomFieldSlots};
inline constexpr TSettingRange FieldRoleRange{0, CustomFieldRoleCount - 1, TSettingRange::Replace, cfrIgnore};
// Too short a period would load the host's GUI thread, too long a one looks like a frozen
// viewer.
inline constexpr TSettingRange TailIntervalRange{200, 30000};

// The colour rules of the settings, as a viewer's rule cache follows them.
inline TColorRuleSet ColorRulesOf(const TAppSettings& Settings) {
  return {Settings.ColorRules, Settings.ColorRuleCount, Settings.DisableDefaultLevels};
}
