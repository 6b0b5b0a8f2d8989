#pragma once
// The process-wide settings record and its INI file "Skerrin.ini" beside the plug-in.

#include <functional>
#include <string>
#include <string_view>

#include "settings/uSettingKeys.h"
#include "settings/uSettingsRecord.h"
#include "settings/uTheme.h"

// The one settings record of the process, alive from library load to unload: read once by the
// start-up and shared by every viewer.
extern TAppSettings AppSettings;
// The plug-in's directory with its trailing separator; set once by the start-up.
extern std::string ModuleDir;

// Colors = ColorsDark when the dark look is in force for the record's theme mode and the host's
// mode, else ColorsLight.
void ApplyThemeColors(TAppSettings& Settings, THostDark Host, TLightThemeQuery Query = ReadAppsUseLightTheme);

void SetDefaultSettings();
void SetDefaultSettings(TAppSettings& Settings);
void ResetColorRules(TAppSettings& Settings);
std::string SettingsFileName();
// Defaults, then the file's values; a missing or unreadable file leaves the defaults.
// Never throws, never shows anything.
void LoadSettings();
// Writes every setting of Settings, keeping whatever else the file holds; Host decides with the
// record's theme mode which scheme the old section "Colors" gets. The file is replaced in one
// step: if anything fails, the old file stays as it was and the result is false. Never throws,
// never shows anything.
bool SaveSettings(const TAppSettings& Settings, THostDark Host);
// The same with an explicit file instead of the one beside the plug-in; false on failure.
bool LoadSettingsFrom(std::string_view FileName);
// The defaults and then the file's values into a record of the caller's, leaving the process's
// record alone; false (Into holds the defaults) when the file is missing or unreadable.
bool ReadSettingsFile(std::string_view FileName, TAppSettings& Into);
bool SaveSettingsTo(std::string_view FileName, const TAppSettings& Settings, THostDark Host);

// How the owner of the settings in force takes settings that the user confirmed in the options
// dialog: it puts them in force and stores them, and answers whether the file was written.
using TTakeSettings = std::function<bool(const TAppSettings& Confirmed)>;
