#include "settings/uSettingsEdit.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "model/uTextScan.h"

namespace {

// A number edit's value brought into the setting's range, or the setting as it was.
int32_t NumberOr(const std::string& Text, int32_t Current, const TSettingRange& Range = AnyNumber) {
  const std::optional<int32_t> Number = OptionNumber(Text);
  return Number ? Range.Apply(*Number, Current) : Current;
}

bool InRange(int32_t Value, int32_t Count) { return Value >= 0 && Value < Count; }

}  // namespace

std::optional<int32_t> OptionNumber(std::string_view Text) {
  if (Text.empty()) return std::nullopt;
  constexpr int64_t Largest = std::numeric_limits<int32_t>::max();
  int64_t Value = 0;
  for (const char C : Text) {
    if (C < '0' || C > '9') return std::nullopt;
    Value = std::min(Largest, Value * 10 + (C - '0'));
  }
  return static_cast<int32_t>(Value);
}

std::string FontNameOrDefault(std::string_view Text) {
  const std::string_view Name = Trim(Text);
  return Name.empty() ? TAppSettings{}.FontName : std::string(Name);
}

void CommitOptionValues(const TOptionControlValues& V, TAppSettings& S) {
  S.DisableDefaultLevels = V.DisableDefaultLevels;
  S.ShowLineNumbers = V.ShowLineNumbers;
  S.LineNumWidth = NumberOr(V.LineNumWidth, S.LineNumWidth, LineNumWidthRange);
  S.WordWrap = V.WordWrap;
  S.HorzScrollbar = V.HorzScrollbar;
  S.CloseOnEscInLister = V.CloseOnEscInLister;
  S.WindowBgColor &= 0xFFFFFF;
  S.BarDarkModeColor &= 0xFFFFFF;
  S.FontName = FontNameOrDefault(V.FontName);
  S.FontSize = NumberOr(V.FontSize, S.FontSize, FontSizeRange);
  S.ThemeMode = ThemeModeRange.Apply(V.ThemeSelection, S.ThemeMode);

  S.AutoDetect = V.AutoDetect;
  S.ForceFormat = static_cast<TLogFormat>(ForceFormatRange.Apply(V.ForceFormatSelection, S.ForceFormat));
  TCustomFormatConfig& C = S.CustomFormat;
  C.Mode = CustomModeRange.Apply(V.ModeSelection, C.Mode);
  if (!V.Delimiter.empty()) C.Delimiter = V.Delimiter.front();
  // The dialog offers all eight role boxes, so all eight count.
  C.FieldCount = CustomFieldSlots;
  for (int i = 0; i < CustomFieldSlots; ++i)
    C.Fields[i] = static_cast<TCustomFieldRole>(FieldRoleRange.Apply(V.FieldSelections[i], C.Fields[i]));
  int32_t* const Positions[8] = {&C.TSStart,  &C.TSLen,  &C.LvlStart, &C.LvlLen,
                                 &C.SrcStart, &C.SrcLen, &C.ThrStart, &C.ThrLen};
  for (int i = 0; i < 8; ++i) *Positions[i] = NumberOr(V.Positions[i], *Positions[i]);

  S.TailEnabled = V.TailEnabled;
  S.TailIntervalMs = NumberOr(V.TailInterval, S.TailIntervalMs, TailIntervalRange);
}

TFormatPageView FormatPageView(bool AutoDetect, int32_t ForceSelection, int32_t ModeSelection) {
  const bool Custom = !AutoDetect && ForceSelection == lfCustom;
  return {!AutoDetect, Custom, Custom && ModeSelection == 0, Custom && ModeSelection != 0};
}

std::string ColorText(TColor Color) {
  const auto C = static_cast<uint32_t>(Color);
  char Text[8];
  std::snprintf(Text, sizeof(Text), "#%.2x%.2x%.2x", static_cast<unsigned>(C & 0xFF),
                static_cast<unsigned>((C >> 8) & 0xFF), static_cast<unsigned>((C >> 16) & 0xFF));
  return Text;
}

const char* RuleLevelName(int32_t Level) {
  static const char* const Names[] = {"ERROR", "WARN", "INFO", "DEBUG", "TRACE"};
  return InRange(Level, 5) ? Names[Level] : "Custom";
}

TColorScheme& EditedScheme(TAppSettings& Settings, int32_t Selection) {
  return Selection == 1 ? Settings.ColorsDark : Settings.ColorsLight;
}

TColor& SchemeRowColor(TColorScheme& Scheme, int32_t Row, bool Foreground) {
  if (!InRange(Row - 1, LogLevelCount)) return Foreground ? Scheme.FgColor : Scheme.BgColor;
  TLevelColors& Pair = Scheme.Levels[Row - 1];
  return Foreground ? Pair.Fg : Pair.Bg;
}

std::string RuleListText(const TColorStringRule& Rule) {
  std::string Text = Rule.Enabled ? "[x] " : "[ ] ";
  Text += Rule.Pattern;
  if (Rule.UseLevel) return Text + " -> " + RuleLevelName(Rule.Level);
  Text += " -> BG " + ColorText(Rule.Color);
  return Text + (Rule.FgColor == AutoColor ? " / FG Auto" : " / FG " + ColorText(Rule.FgColor));
}

std::optional<TColorStringRule> RuleFromEditor(const TRuleEditorValues& E) {
  TColorStringRule Rule;
  Rule.Pattern = Trim(E.Pattern);
  if (Rule.Pattern.empty()) return std::nullopt;
  Rule.Enabled = E.Enabled;
  Rule.UseLevel = E.UseLevel;
  Rule.Color = E.Bg;
  Rule.FgColor = E.FgAuto ? AutoColor : E.Fg;
  Rule.Level = static_cast<TLogLevel>(RuleLevelRange.Apply(E.LevelSelection, lCustom));
  return Rule;
}

TRuleEditorStates RuleEditorStates(bool UseLevel, bool FgAuto) {
  return {!UseLevel, !UseLevel && !FgAuto, !UseLevel, UseLevel};
}

bool AddColorRule(TAppSettings& Settings, const TColorStringRule& Rule) {
  if (!InRange(Settings.ColorRuleCount, MaxColorRules)) return false;
  Settings.ColorRules[Settings.ColorRuleCount++] = Rule;
  return true;
}

bool ReplaceColorRule(TAppSettings& Settings, int32_t Index, const TColorStringRule& Rule) {
  if (!InRange(Index, std::min(Settings.ColorRuleCount, MaxColorRules))) return false;
  Settings.ColorRules[Index] = Rule;
  return true;
}

int32_t DeleteColorRule(TAppSettings& Settings, int32_t Index) {
  const int32_t Count = std::min(Settings.ColorRuleCount, MaxColorRules);
  if (!InRange(Index, Count)) return -1;
  std::move(Settings.ColorRules + Index + 1, Settings.ColorRules + Count, Settings.ColorRules + Index);
  Settings.ColorRuleCount = Count - 1;
  return Settings.ColorRuleCount == 0 ? -1 : std::min(Index, Settings.ColorRuleCount - 1);
}
