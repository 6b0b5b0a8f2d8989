#pragma once
// The one place that decides between the light and the dark theme, the colour scheme record
// and the two default colour schemes.

#include <cstdint>
#include <optional>

#include "model/uLogTypes.h"

struct TLevelColors {
  TColor Bg;
  TColor Fg;
};

// 14 colours; in memory BgColor, FgColor, then background and foreground per level ordinal.
struct TColorScheme {
  TColor BgColor;
  TColor FgColor;
  TLevelColors Levels[LogLevelCount];
};

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
bool DecideDarkTheme(int32_t ThemeMode, bool HostKnown, bool HostDark, TLightThemeQuery Query = ReadAppsUseLightTheme);
void SetHostDarkMode(bool Known, bool Dark);
