// Temporary stand-ins for the settings unit, removed when it is merged.
#include <windows.h>

#include "settings/uSettings.h"
#include "viewer/uPendingDeps.h"

namespace {
TColorScheme LightScheme() {
  TColorScheme S{};
  S.BgColor = static_cast<TColor>(GetSysColor(COLOR_WINDOW));
  S.FgColor = static_cast<TColor>(GetSysColor(COLOR_WINDOWTEXT));
  const TColor Bg[] = {11184895, 43775, 65535, 15790320, 16771280, 14811135};
  for (int I = 0; I < LogLevelCount; ++I) S.Levels[I] = {Bg[I], 0};
  return S;
}
TColorScheme DarkScheme() {
  TColorScheme S{};
  S.BgColor = 2631720;
  S.FgColor = 13948116;
  const TLevelColors L[] = {{1056832, 11184895}, {1062984, 8441087}, {1589312, 8454143},
                            {3684408, 12632256}, {4206632, 13680800}, {3158064, 12632256}};
  for (int I = 0; I < LogLevelCount; ++I) S.Levels[I] = L[I];
  return S;
}
TAppSettings Defaults() {
  TAppSettings S;
  S.ColorsLight = LightScheme();
  S.ColorsDark = DarkScheme();
  S.Colors = S.ColorsLight;
  return S;
}
bool HostDark = false;
}  // namespace

TAppSettings AppSettings = Defaults();
std::string ModuleDir;
void LoadSettings() {}
void SaveSettings() {}
void SetHostDarkMode(bool, bool Dark) { HostDark = Dark; }
bool IsDarkTheme() { return HostDark; }
void ApplyThemeColors() {}
