#pragma once
// The one place that decides between the light and the dark theme, the colour scheme record
// and the two default colour schemes.

#include <cstdint>
#include <optional>

#include "model/uLogTypes.h"

struct TLevelColors {
  TColor Bg;
  TColor Fg;
  bool operator==(const TLevelColors&) const = default;
};

// 14 colours; in memory BgColor, FgColor, then background and foreground per level ordinal.
struct TColorScheme {
  TColor BgColor;
  TColor FgColor;
  TLevelColors Levels[LogLevelCount];
  bool operator==(const TColorScheme&) const = default;
};

// The system's "AppsUseLightTheme" value; nullopt when the key or value is missing or
// unreadable. Replaceable so that the decision can be tested with any system answer.
using TLightThemeQuery = std::optional<uint32_t> (*)();
std::optional<uint32_t> ReadAppsUseLightTheme();

// The host's own dark mode as it gave it with a viewer's flags; nothing where no viewer is
// involved (start-up, the tools), and the system's preference stands in for it.
using THostDark = std::optional<bool>;

void DefaultLightColors(TColorScheme& Scheme);
void DefaultDarkColors(TColorScheme& Scheme);

// Dark exactly when the system says apps should not use the light theme.
bool SystemPrefersDark(TLightThemeQuery Query = ReadAppsUseLightTheme);
// The one light/dark decision, for the viewers, the options dialog and the settings file alike:
// 1 always light, 2 always dark; otherwise the host's mode, or without one the system's
// preference.
bool DecideDarkTheme(int32_t ThemeMode, THostDark Host, TLightThemeQuery Query = ReadAppsUseLightTheme);
