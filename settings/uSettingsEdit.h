#pragma once
// The rules by which the options dialog turns what its controls hold into settings, and the
// edits it makes to the colour schemes and rules. Kept apart from the window code so that every
// rule holds the same on both platforms and can be checked without a window.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/uSettings.h"

// A number edit's text as an unsigned decimal number (saturated at the largest int32_t);
// nothing for any other text, so that the setting keeps its value.
std::optional<int32_t> OptionNumber(std::string_view Text);
// The font the user named, "Courier New" when the name is blank.
std::string FontNameOrDefault(std::string_view Text);

// The state of the dialog's controls at OK: check states, texts (UTF-8, but the delimiter's in
// the system code page, whose bytes the log holds) and selections (-1 for none). Colours, schemes
// and rules are not among them: the pages edit those in place.
struct TOptionControlValues {
  bool ShowLineNumbers = false;
  std::string LineNumWidth;
  bool WordWrap = false;
  bool HorzScrollbar = false;
  bool CloseOnEscInLister = false;
  std::string FontName;
  std::string FontSize;
  int32_t ThemeSelection = -1;
  bool DisableDefaultLevels = false;
  bool AutoDetect = false;
  int32_t ForceFormatSelection = -1;
  int32_t ModeSelection = -1;
  std::string Delimiter;
  int32_t FieldSelections[CustomFieldSlots] = {-1, -1, -1, -1, -1, -1, -1, -1};
  // TSStart, TSLen, LvlStart, LvlLen, SrcStart, SrcLen, ThrStart, ThrLen
  std::string Positions[8];
  bool TailEnabled = false;
  std::string TailInterval;
};

// Reads the controls' values into Settings with the dialog's limits; a number edit that holds
// no number leaves its field as it was.
void CommitOptionValues(const TOptionControlValues& Values, TAppSettings& Settings);

// Which Format page controls apply: the forced format only without detection, the custom
// format's mode only for the custom format, then the delimiter and field roles or the column
// positions, by the mode chosen (no choice counts as positions).
struct TFormatPageView {
  bool ForceEnabled;
  bool CustomMode;
  bool Delimited;
  bool Positional;
};
TFormatPageView FormatPageView(bool AutoDetect, int32_t ForceSelection, int32_t ModeSelection);

// "#rrggbb", as the colour buttons and the rule list show a colour.
std::string ColorText(TColor Color);
// "ERROR" ... "TRACE", and "Custom" for lCustom and any other value.
const char* RuleLevelName(int32_t Level);
// The scheme that the Colors page edits: the dark one for selection 1, else the light one.
TColorScheme& EditedScheme(TAppSettings& Settings, int32_t Selection);
// Row 0 of the Colors page is the plain text, rows 1 to 6 the levels from lError on.
TColor& SchemeRowColor(TColorScheme& Scheme, int32_t Row, bool Foreground);

// One line of the rule list: "[x] pattern -> BG #rrggbb / FG Auto" and its variants.
std::string RuleListText(const TColorStringRule& Rule);

// What the rule editor holds; Pattern in UTF-8.
struct TRuleEditorValues {
  std::string Pattern;
  bool Enabled = true;
  bool UseLevel = false;
  bool FgAuto = true;
  TColor Bg = 0;
  TColor Fg = AutoColor;
  int32_t LevelSelection = lCustom;
};
// The rule the editor describes; nothing when its pattern is blank.
std::optional<TColorStringRule> RuleFromEditor(const TRuleEditorValues& Editor);
// Which editor controls can be used: a rule that takes a level takes its colours from it.
struct TRuleEditorStates {
  bool BgButton;
  bool FgButton;
  bool FgAutoBox;
  bool LevelCombo;
};
TRuleEditorStates RuleEditorStates(bool UseLevel, bool FgAuto);

// Appends a rule; false (nothing changed) when all slots are in use.
bool AddColorRule(TAppSettings& Settings, const TColorStringRule& Rule);
// Replaces rule Index; false when Index is not a rule in use.
bool ReplaceColorRule(TAppSettings& Settings, int32_t Index, const TColorStringRule& Rule);
// Removes rule Index, the later ones moving up. The result is the row to select afterwards
// (the same index, or the new last one), -1 when no rule is left or Index was not in use.
int32_t DeleteColorRule(TAppSettings& Settings, int32_t Index);
