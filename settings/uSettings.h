#pragma once
// The process-wide settings record and its INI file "Skerrin.ini" beside the plug-in.

#include <cstdint>
#include <string>
#include <string_view>

#include "model/uLogTypes.h"
#include "settings/uTheme.h"

struct TAppSettings {
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
};

// The colour rules of the settings, as a viewer's rule cache follows them.
inline TColorRuleSet ColorRulesOf(const TAppSettings& Settings) {
  return {Settings.ColorRules, Settings.ColorRuleCount, Settings.DisableDefaultLevels};
}

// The one settings record of the process, alive from library load to unload.
extern TAppSettings AppSettings;
// The plug-in's directory with its trailing separator; set once by the start-up.
extern std::string ModuleDir;

class TIniFile;

// The process-wide theme decision from AppSettings and the host's reports (see uTheme).
bool IsDarkTheme(TLightThemeQuery Query = ReadAppsUseLightTheme);
// Colors = ColorsDark when the dark theme is in force, else ColorsLight.
void ApplyThemeColors(TLightThemeQuery Query = ReadAppsUseLightTheme);
// The same for another record, by its own theme mode and the host's reports.
void ApplyThemeColors(TAppSettings& Settings, TLightThemeQuery Query = ReadAppsUseLightTheme);

void SetDefaultSettings();
void SetDefaultSettings(TAppSettings& Settings);
void ResetColorRules();
void ResetColorRules(TAppSettings& Settings);
std::string SettingsFileName();
// Defaults, then the file's values; a missing or unreadable file leaves the defaults.
// Never throws, never shows anything.
void LoadSettings();
// Writes every setting, keeping whatever else the file holds. The file is replaced in one step:
// if anything fails, the old file stays as it was and the result is false. Never throws, never
// shows anything.
bool SaveSettings();
// The same with an explicit file instead of the one beside the plug-in; false on failure.
bool LoadSettingsFrom(std::string_view FileName);
// The defaults and then the file's values into a record of the caller's, leaving the process's
// record alone; false (Into holds the defaults) when the file is missing or unreadable.
bool ReadSettingsFile(std::string_view FileName, TAppSettings& Into);
bool SaveSettingsTo(std::string_view FileName);

// The 14 colours of one section; a new key wins over its old name, a colour with neither keeps
// its value.
void LoadColorScheme(const TIniFile& Ini, std::string_view Section, TColorScheme& Scheme);
// The 14 colours under their keys and again under their old names.
void SaveColorScheme(TIniFile& Ini, std::string_view Section, const TColorScheme& Scheme);

std::string EncodePatternHex(std::string_view Bytes);
std::string DecodePatternHex(std::string_view Hex);
