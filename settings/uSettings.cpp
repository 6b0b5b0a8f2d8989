#include "settings/uSettings.h"

#include <algorithm>
#include <string>

#include "platform/uPlatformModule.h"
#include "platform/uPlatformTextFile.h"
#include "settings/uIniFile.h"
#include "settings/uTheme.h"

TAppSettings AppSettings;
std::string ModuleDir;

namespace {

constexpr char DefaultFontName[] = "Courier New";
constexpr char DefaultTimestampFmt[] = "YYYY-MM-DD hh:nn:ss";

struct TSchemeKey {
  const char* Key;
  const char* OldKey;
};
// In the order of the fields in memory: BgColor, FgColor, then background and foreground per
// level.
constexpr TSchemeKey SchemeKeys[2 + 2 * LogLevelCount] = {
    {"BgColor", "BgDefault"}, {"FgColor", "FgDefault"}, {"ErrBg", "Error"},   {"ErrFg", "FgError"},
    {"WarnBg", "Warn"},       {"WarnFg", "FgWarn"},     {"InfoBg", "Info"},   {"InfoFg", "FgInfo"},
    {"DebugBg", "Debug"},     {"DebugFg", "FgDebug"},   {"TraceBg", "Trace"}, {"TraceFg", "FgTrace"},
    {"CustomBg", "Custom"},   {"CustomFg", "FgCustom"}};

TColor& SchemeColor(TColorScheme& Scheme, int Index) {
  if (Index == 0) return Scheme.BgColor;
  if (Index == 1) return Scheme.FgColor;
  TLevelColors& Pair = Scheme.Levels[(Index - 2) / 2];
  return Index % 2 == 0 ? Pair.Bg : Pair.Fg;
}

TColor SchemeColor(const TColorScheme& Scheme, int Index) {
  return SchemeColor(const_cast<TColorScheme&>(Scheme), Index);
}

// The order in which the colours are written: backgrounds, then foregrounds, then the same
// values under the old names, whose own order ends with the two plain colours.
constexpr int NewKeyWriteOrder[] = {0, 1, 2, 4, 6, 8, 10, 12, 3, 5, 7, 9, 11, 13};
constexpr int OldKeyWriteOrder[] = {2, 4, 6, 8, 10, 12, 3, 5, 7, 9, 11, 13, 0, 1};

std::string Trim(std::string_view S) {
  while (!S.empty() && static_cast<unsigned char>(S.front()) <= 32) S.remove_prefix(1);
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= 32) S.remove_suffix(1);
  return std::string(S);
}

std::string RuleSection(int Index) { return "ColorRule" + std::to_string(Index); }

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

void ReadView(const TIniFile& Ini, TAppSettings& S) {
  S.ShowLineNumbers = Ini.ReadBool("View", "ShowLineNumbers", S.ShowLineNumbers);
  S.LineNumWidth = std::clamp(Ini.ReadInteger("View", "LineNumWidth", S.LineNumWidth), 1, 9);
  S.WindowBgColor = Ini.ReadInteger("View", "WindowBgColor", S.WindowBgColor);
  S.BarDarkModeColor = Ini.ReadInteger("View", "BarDarkModeColor", S.BarDarkModeColor);
  S.WordWrap = Ini.ReadBool("View", "WordWrap", S.WordWrap);
  S.HorzScrollbar = Ini.ReadBool("View", "HorzScrollbar", S.HorzScrollbar);
  S.FontName = Trim(Ini.ReadString("View", "FontName", S.FontName));
  if (S.FontName.empty()) S.FontName = DefaultFontName;
  S.FontSize = std::clamp(Ini.ReadInteger("View", "FontSize", S.FontSize), 6, 36);
}

void ReadSchemes(const TIniFile& Ini, TAppSettings& S) {
  if (Ini.SectionExists("ColorsLight")) LoadColorScheme(Ini, "ColorsLight", S.ColorsLight);
  else if (Ini.SectionExists("Colors")) LoadColorScheme(Ini, "Colors", S.ColorsLight);
  if (Ini.SectionExists("ColorsDark")) LoadColorScheme(Ini, "ColorsDark", S.ColorsDark);
}

TColorStringRule ReadRule(const TIniFile& Ini, int Index, TColor DefaultColor) {
  const std::string Section = RuleSection(Index);
  TColorStringRule Rule;
  const std::string Hex = Trim(Ini.ReadString(Section, "PatternUtf8Hex", ""));
  Rule.Pattern = !Hex.empty() ? DecodePatternHex(Hex) : Trim(Ini.ReadString(Section, "Pattern", ""));
  Rule.Color = Ini.ReadInteger(Section, "Color", DefaultColor);
  Rule.FgColor = Ini.ReadInteger(Section, "FgColor", AutoColor);
  Rule.Enabled = Ini.ReadBool(Section, "Enabled", true);
  Rule.UseLevel = Ini.ReadBool(Section, "UseLevel", false);
  const int32_t Level = Ini.ReadInteger(Section, "Level", lCustom);
  Rule.Level = Level >= 0 && Level < LogLevelCount ? static_cast<TLogLevel>(Level) : lCustom;
  return Rule;
}

// Rules with an empty pattern are dropped and the rest move up, so that the rules in use are
// always the slots below ColorRuleCount, however the file was edited by hand.
void ReadRules(const TIniFile& Ini, TAppSettings& S) {
  const int32_t Count = std::clamp(Ini.ReadInteger("ColorRules", "Count", 0), 0, MaxColorRules);
  S.DisableDefaultLevels = Ini.ReadBool("ColorRules", "DisableDefaultLevels", S.DisableDefaultLevels);
  S.ColorRuleCount = 0;
  for (int i = 0; i < Count; ++i) {
    TColorStringRule Rule = ReadRule(Ini, i, S.Colors.BgColor);
    if (!Rule.Pattern.empty()) S.ColorRules[S.ColorRuleCount++] = std::move(Rule);
  }
}

void ReadFormat(const TIniFile& Ini, TAppSettings& S) {
  S.AutoDetect = Ini.ReadBool("Format", "AutoDetect", S.AutoDetect);
  const int32_t Force = Ini.ReadInteger("Format", "ForceFormat", S.ForceFormat);
  if (Force >= 0 && Force < LogFormatCount) S.ForceFormat = static_cast<TLogFormat>(Force);

  TCustomFormatConfig& C = S.CustomFormat;
  const char* Sec = "CustomFormat";
  const int32_t Mode = Ini.ReadInteger(Sec, "Mode", C.Mode);
  if (Mode == 0 || Mode == 1) C.Mode = Mode;
  const int32_t Delimiter = Ini.ReadInteger(Sec, "Delimiter", static_cast<unsigned char>(C.Delimiter));
  C.Delimiter = static_cast<char>(static_cast<unsigned char>(Delimiter & 0xFF));
  C.FieldCount = std::clamp(Ini.ReadInteger(Sec, "FieldCount", C.FieldCount), 1, CustomFieldSlots);
  for (int i = 0; i < CustomFieldSlots; ++i) {
    const int32_t Role = Ini.ReadInteger(Sec, "Field" + std::to_string(i), C.Fields[i]);
    C.Fields[i] = Role >= 0 && Role < CustomFieldRoleCount ? static_cast<TCustomFieldRole>(Role) : cfrIgnore;
  }
  C.TSStart = Ini.ReadInteger(Sec, "TSStart", C.TSStart);
  C.TSLen = Ini.ReadInteger(Sec, "TSLen", C.TSLen);
  C.LvlStart = Ini.ReadInteger(Sec, "LvlStart", C.LvlStart);
  C.LvlLen = Ini.ReadInteger(Sec, "LvlLen", C.LvlLen);
  C.SrcStart = Ini.ReadInteger(Sec, "SrcStart", C.SrcStart);
  C.SrcLen = Ini.ReadInteger(Sec, "SrcLen", C.SrcLen);
  C.ThrStart = Ini.ReadInteger(Sec, "ThrStart", C.ThrStart);
  C.ThrLen = Ini.ReadInteger(Sec, "ThrLen", C.ThrLen);
  C.TimestampFmt = Trim(Ini.ReadString(Sec, "TimestampFmt", C.TimestampFmt));
  if (C.TimestampFmt.empty()) C.TimestampFmt = DefaultTimestampFmt;
}

void ReadRest(const TIniFile& Ini, TAppSettings& S) {
  S.TailEnabled = Ini.ReadBool("Tail", "Enabled", S.TailEnabled);
  S.Follow = Ini.ReadBool("Tail", "Follow", S.Follow);
  S.TailIntervalMs = std::clamp(Ini.ReadInteger("Tail", "IntervalMs", S.TailIntervalMs), 200, 30000);
  S.CloseOnEscInLister = Ini.ReadBool("View", "CloseOnEscInLister", S.CloseOnEscInLister);
  S.WindowLeft = Ini.ReadInteger("Window", "Left", S.WindowLeft);
  S.WindowTop = Ini.ReadInteger("Window", "Top", S.WindowTop);
  S.WindowWidth = Ini.ReadInteger("Window", "Width", S.WindowWidth);
  S.WindowHeight = Ini.ReadInteger("Window", "Height", S.WindowHeight);
  S.WindowMaximized = Ini.ReadBool("Window", "Maximized", S.WindowMaximized);
  S.LastDir = Ini.ReadString("Files", "LastDir", S.LastDir);
}

void ReadAll(const TIniFile& Ini, TAppSettings& S) {
  ReadView(Ini, S);
  const int32_t Mode = Ini.ReadInteger("Theme", "Mode", S.ThemeMode);
  S.ThemeMode = Mode >= 0 && Mode <= 2 ? Mode : 0;
  ReadSchemes(Ini, S);
  ReadRules(Ini, S);
  ReadFormat(Ini, S);
  ReadRest(Ini, S);
}

void WriteAll(TIniFile& Ini, const TAppSettings& S, bool Dark) {
  Ini.WriteBool("View", "ShowLineNumbers", S.ShowLineNumbers);
  Ini.WriteInteger("View", "LineNumWidth", S.LineNumWidth);
  Ini.WriteInteger("View", "WindowBgColor", S.WindowBgColor);
  Ini.WriteInteger("View", "BarDarkModeColor", S.BarDarkModeColor);
  Ini.WriteBool("View", "WordWrap", S.WordWrap);
  Ini.WriteBool("View", "HorzScrollbar", S.HorzScrollbar);
  Ini.WriteString("View", "FontName", S.FontName);
  Ini.WriteInteger("View", "FontSize", S.FontSize);
  Ini.WriteInteger("Theme", "Mode", S.ThemeMode);

  SaveColorScheme(Ini, "ColorsLight", S.ColorsLight);
  SaveColorScheme(Ini, "ColorsDark", S.ColorsDark);
  SaveColorScheme(Ini, "Colors", Dark ? S.ColorsDark : S.ColorsLight);

  const int32_t Count = std::clamp(S.ColorRuleCount, 0, MaxColorRules);
  Ini.WriteInteger("ColorRules", "Count", Count);
  Ini.WriteBool("ColorRules", "DisableDefaultLevels", S.DisableDefaultLevels);
  for (int i = 0; i < Count; ++i) {
    const TColorStringRule& R = S.ColorRules[i];
    const std::string Sec = RuleSection(i);
    Ini.WriteString(Sec, "Pattern", R.Pattern);
    Ini.WriteString(Sec, "PatternUtf8Hex", EncodePatternHex(R.Pattern));
    Ini.WriteInteger(Sec, "Color", R.Color);
    Ini.WriteInteger(Sec, "FgColor", R.FgColor);
    Ini.WriteBool(Sec, "Enabled", R.Enabled);
    Ini.WriteBool(Sec, "UseLevel", R.UseLevel);
    Ini.WriteInteger(Sec, "Level", R.Level);
  }

  Ini.WriteBool("Format", "AutoDetect", S.AutoDetect);
  Ini.WriteInteger("Format", "ForceFormat", S.ForceFormat);
  const TCustomFormatConfig& C = S.CustomFormat;
  const char* Sec = "CustomFormat";
  Ini.WriteInteger(Sec, "Mode", C.Mode);
  Ini.WriteInteger(Sec, "Delimiter", static_cast<unsigned char>(C.Delimiter));
  Ini.WriteInteger(Sec, "FieldCount", C.FieldCount);
  for (int i = 0; i < CustomFieldSlots; ++i) Ini.WriteInteger(Sec, "Field" + std::to_string(i), C.Fields[i]);
  Ini.WriteInteger(Sec, "TSStart", C.TSStart);
  Ini.WriteInteger(Sec, "TSLen", C.TSLen);
  Ini.WriteInteger(Sec, "LvlStart", C.LvlStart);
  Ini.WriteInteger(Sec, "LvlLen", C.LvlLen);
  Ini.WriteInteger(Sec, "SrcStart", C.SrcStart);
  Ini.WriteInteger(Sec, "SrcLen", C.SrcLen);
  Ini.WriteInteger(Sec, "ThrStart", C.ThrStart);
  Ini.WriteInteger(Sec, "ThrLen", C.ThrLen);
  Ini.WriteString(Sec, "TimestampFmt", C.TimestampFmt);

  Ini.WriteBool("Tail", "Enabled", S.TailEnabled);
  Ini.WriteBool("Tail", "Follow", S.Follow);
  Ini.WriteInteger("Tail", "IntervalMs", S.TailIntervalMs);
  Ini.WriteBool("View", "CloseOnEscInLister", S.CloseOnEscInLister);
  Ini.WriteInteger("Window", "Left", S.WindowLeft);
  Ini.WriteInteger("Window", "Top", S.WindowTop);
  Ini.WriteInteger("Window", "Width", S.WindowWidth);
  Ini.WriteInteger("Window", "Height", S.WindowHeight);
  Ini.WriteBool("Window", "Maximized", S.WindowMaximized);
  Ini.WriteString("Files", "LastDir", S.LastDir);
}

}  // namespace

void ResetColorRules() { ResetColorRules(AppSettings); }

void ResetColorRules(TAppSettings& S) {
  S.ColorRuleCount = 0;
  for (TColorStringRule& Rule : S.ColorRules) {
    Rule = TColorStringRule{};
    Rule.Color = S.Colors.BgColor;
  }
}

bool IsDarkTheme(TLightThemeQuery Query) {
  return DecideDarkTheme(AppSettings.ThemeMode, HostDarkKnown, ReportedHostDark, Query);
}

void ApplyThemeColors(TLightThemeQuery Query) { ApplyThemeColors(AppSettings, Query); }

void ApplyThemeColors(TAppSettings& S, TLightThemeQuery Query) {
  const bool Dark = DecideDarkTheme(S.ThemeMode, HostDarkKnown, ReportedHostDark, Query);
  S.Colors = Dark ? S.ColorsDark : S.ColorsLight;
}

void SetDefaultSettings() { SetDefaultSettings(AppSettings); }

void SetDefaultSettings(TAppSettings& S) {
  S = TAppSettings{};
  DefaultLightColors(S.ColorsLight);
  DefaultDarkColors(S.ColorsDark);
  ApplyThemeColors(S);
  ResetColorRules(S);
}

std::string SettingsFileName() {
  std::string Dir = ModuleDir.empty() ? HostProgramDir() : ModuleDir;
#ifdef _WIN32
  constexpr char Separator = '\\';
#else
  constexpr char Separator = '/';
#endif
  if (!Dir.empty() && Dir.back() != '/' && Dir.back() != '\\') Dir += Separator;
  return Dir + "Skerrin.ini";
}

void LoadColorScheme(const TIniFile& Ini, std::string_view Section, TColorScheme& Scheme) {
  for (int i = 0; i < 2 + 2 * LogLevelCount; ++i) {
    TColor& Color = SchemeColor(Scheme, i);
    Color = Ini.ReadInteger(Section, SchemeKeys[i].Key, Ini.ReadInteger(Section, SchemeKeys[i].OldKey, Color));
  }
}

void SaveColorScheme(TIniFile& Ini, std::string_view Section, const TColorScheme& Scheme) {
  for (int i : NewKeyWriteOrder) Ini.WriteInteger(Section, SchemeKeys[i].Key, SchemeColor(Scheme, i));
  for (int i : OldKeyWriteOrder) Ini.WriteInteger(Section, SchemeKeys[i].OldKey, SchemeColor(Scheme, i));
}

bool ReadSettingsFile(std::string_view FileName, TAppSettings& Into) {
  try {
    SetDefaultSettings(Into);
    std::string Text;
    if (!TextFileExists(FileName) || !ReadTextFile(FileName, Text)) return false;
    TIniFile Ini;
    Ini.Parse(Text);
    // Read into a copy so that a failure half-way leaves the defaults, not a mixture.
    TAppSettings Loaded = Into;
    ReadAll(Ini, Loaded);
    Into = std::move(Loaded);
    ApplyThemeColors(Into);
    return true;
  } catch (...) {
    return false;
  }
}

bool LoadSettingsFrom(std::string_view FileName) { return ReadSettingsFile(FileName, AppSettings); }

bool SaveSettingsTo(std::string_view FileName) {
  try {
    ApplyThemeColors();
    TIniFile Ini;
    if (TextFileExists(FileName)) {
      // Writing without the old contents would drop everything the user keeps there.
      std::string Old;
      if (!ReadTextFile(FileName, Old)) return false;
      Ini.Parse(Old);
    }
    WriteAll(Ini, AppSettings, IsDarkTheme());
    return ReplaceTextFile(FileName, Ini.Text());
  } catch (...) {
    return false;
  }
}

void LoadSettings() {
  try {
    LoadSettingsFrom(SettingsFileName());
  } catch (...) {
  }
}

bool SaveSettings() {
  try {
    return SaveSettingsTo(SettingsFileName());
  } catch (...) {
    return false;
  }
}

std::string EncodePatternHex(std::string_view Bytes) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Hex;
  Hex.reserve(Bytes.size() * 2);
  for (const char C : Bytes) {
    const auto B = static_cast<unsigned char>(C);
    Hex += Digits[B >> 4];
    Hex += Digits[B & 15];
  }
  return Hex;
}

std::string DecodePatternHex(std::string_view Hex) {
  if (Hex.size() % 2 != 0) return {};
  std::string Bytes;
  Bytes.reserve(Hex.size() / 2);
  for (size_t i = 0; i < Hex.size(); i += 2) {
    const int High = HexDigit(Hex[i]);
    const int Low = HexDigit(Hex[i + 1]);
    if (High < 0 || Low < 0) return {};
    Bytes += static_cast<char>(High << 4 | Low);
  }
  return Bytes;
}
