#include "settings/uSettings.h"

#include <string>

#include "platform/uPlatformModule.h"
#include "platform/uPlatformTextFile.h"
#include "settings/uIniFile.h"

TAppSettings AppSettings;
std::string ModuleDir;

void ResetColorRules(TAppSettings& S) {
  S.ColorRuleCount = 0;
  for (TColorStringRule& Rule : S.ColorRules) {
    Rule = TColorStringRule{};
    Rule.Color = S.Colors.BgColor;
  }
}

void ApplyThemeColors(TAppSettings& S, THostDark Host, TLightThemeQuery Query) {
  S.Colors = DecideDarkTheme(S.ThemeMode, Host, Query) ? S.ColorsDark : S.ColorsLight;
}

void SetDefaultSettings() { SetDefaultSettings(AppSettings); }

void SetDefaultSettings(TAppSettings& S) {
  S = TAppSettings{};
  DefaultLightColors(S.ColorsLight);
  DefaultDarkColors(S.ColorsDark);
  // Without the host's word the system's preference picks the scheme in force; whoever knows
  // the host's mode applies it again.
  ApplyThemeColors(S, std::nullopt);
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

bool ReadSettingsFile(std::string_view FileName, TAppSettings& Into) {
  try {
    SetDefaultSettings(Into);
    std::string Text;
    if (!TextFileExists(FileName) || !ReadTextFile(FileName, Text)) return false;
    TIniFile Ini;
    Ini.Parse(Text);
    // Read into a copy so that a failure half-way leaves the defaults, not a mixture.
    TAppSettings Loaded = Into;
    ReadSettingKeys(Ini, Loaded);
    Into = std::move(Loaded);
    ApplyThemeColors(Into, std::nullopt);
    return true;
  } catch (...) {
    return false;
  }
}

bool LoadSettingsFrom(std::string_view FileName) { return ReadSettingsFile(FileName, AppSettings); }

bool SaveSettingsTo(std::string_view FileName, const TAppSettings& Settings, THostDark Host) {
  try {
    TIniFile Ini;
    if (TextFileExists(FileName)) {
      // Writing without the old contents would drop everything the user keeps there.
      std::string Old;
      if (!ReadTextFile(FileName, Old)) return false;
      Ini.Parse(Old);
    }
    ForEachStoredKey(Settings, DecideDarkTheme(Settings.ThemeMode, Host),
                     [&](const TStoredKey& Key) { Ini.WriteString(Key.Section, Key.Key, Key.Text); });
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

bool SaveSettings(const TAppSettings& Settings, THostDark Host) {
  try {
    return SaveSettingsTo(SettingsFileName(), Settings, Host);
  } catch (...) {
    return false;
  }
}
