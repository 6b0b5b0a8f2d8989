#include "settings/uTheme.h"

#include "platform/uPlatformColors.h"
#include "platform/uPlatformRegistry.h"

namespace {

constexpr TColor Rgb(int R, int G, int B) { return R | (G << 8) | (B << 16); }

}  // namespace

std::optional<uint32_t> ReadAppsUseLightTheme() {
  return ReadCurrentUserDword("Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", "AppsUseLightTheme");
}

void DefaultLightColors(TColorScheme& Scheme) {
  Scheme.BgColor = SystemWindowColor();
  Scheme.FgColor = SystemWindowTextColor();
  Scheme.Levels[lError] = {Rgb(255, 170, 170), 0};
  Scheme.Levels[lWarn] = {Rgb(255, 170, 0), 0};
  Scheme.Levels[lInfo] = {Rgb(255, 255, 0), 0};
  Scheme.Levels[lDebug] = {Rgb(240, 240, 240), 0};
  Scheme.Levels[lTrace] = {Rgb(208, 232, 255), 0};
  Scheme.Levels[lCustom] = {Rgb(255, 255, 225), 0};
}

void DefaultDarkColors(TColorScheme& Scheme) {
  Scheme.BgColor = Rgb(40, 40, 40);
  Scheme.FgColor = Rgb(212, 212, 212);
  Scheme.Levels[lError] = {Rgb(64, 32, 16), Rgb(255, 170, 170)};
  Scheme.Levels[lWarn] = {Rgb(72, 56, 16), Rgb(255, 204, 128)};
  Scheme.Levels[lInfo] = {Rgb(64, 64, 24), Rgb(255, 255, 128)};
  Scheme.Levels[lDebug] = {Rgb(56, 56, 56), Rgb(192, 192, 192)};
  Scheme.Levels[lTrace] = {Rgb(40, 48, 64), Rgb(160, 192, 208)};
  Scheme.Levels[lCustom] = {Rgb(48, 48, 48), Rgb(192, 192, 192)};
}

bool SystemPrefersDark(TLightThemeQuery Query) {
  const std::optional<uint32_t> AppsUseLightTheme = Query();
  return AppsUseLightTheme && *AppsUseLightTheme == 0;
}

bool DecideDarkTheme(int32_t ThemeMode, THostDark Host, TLightThemeQuery Query) {
  if (ThemeMode == 1) return false;
  if (ThemeMode == 2) return true;
  return Host.has_value() ? *Host : SystemPrefersDark(Query);
}
