#pragma once
// The one place that decides between the light and the dark theme, and the two default
// colour schemes.

#include <cstdint>
#include <optional>

#include "settings/uSettings.h"

// The system's "AppsUseLightTheme" value; nullopt when the key or value is missing or
// unreadable. Replaceable so that the decision can be tested with any system answer.
using TLightThemeQuery = std::optional<uint32_t> (*)();
std::optional<uint32_t> ReadAppsUseLightTheme();

// What the host last reported about its own dark mode; Known stays false until the first
// report.
extern bool HostDarkKnown;
extern bool ReportedHostDark;

void DefaultLightColors(TColorScheme& Scheme);
void DefaultDarkColors(TColorScheme& Scheme);

// Dark exactly when the system says apps should not use the light theme.
bool SystemPrefersDark(TLightThemeQuery Query = ReadAppsUseLightTheme);
// 1 always light, 2 always dark; otherwise the host's last report, or before any report the
// system's preference.
bool DecideDarkTheme(int32_t ThemeMode, bool HostKnown, bool HostDark,
                     TLightThemeQuery Query = ReadAppsUseLightTheme);
// The process-wide decision from AppSettings and the host's reports.
bool IsDarkTheme(TLightThemeQuery Query = ReadAppsUseLightTheme);
void SetHostDarkMode(bool Known, bool Dark);
// Colors = ColorsDark when the dark theme is in force, else ColorsLight.
void ApplyThemeColors(TLightThemeQuery Query = ReadAppsUseLightTheme);
