#include "viewer/uViewerLook.h"

#include "settings/uTheme.h"
#include "toolkit/uColorPaint.h"

namespace {
constexpr TColor DarkBarText = 0xD4D4D4;
}  // namespace

bool ViewerIsDark(const TSkerrinState& S) {
  // The host reports each viewer's mode with its show flags, so the system is never asked.
  return DecideDarkTheme(S.Settings.ThemeMode, S.HostDark);
}

const TColorScheme& ViewerScheme(const TSkerrinState& S) {
  return ViewerIsDark(S) ? S.Settings.ColorsDark : S.Settings.ColorsLight;
}

TColor ListBackColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? S.Settings.ColorsDark.BgColor : S.Settings.WindowBgColor;
}

TColor ListTextColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? S.Settings.ColorsDark.FgColor : S.Settings.ColorsLight.FgColor;
}

TColor BarBackColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? S.Settings.BarDarkModeColor : static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
}

TColor BarTextColor(const TSkerrinState& S) {
  return ViewerIsDark(S) ? DarkBarText : static_cast<TColor>(GetSysColor(COLOR_BTNTEXT));
}

void RefreshBrushes(TSkerrinState& S) {
  S.Draw.ListBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(ListBackColor(S))));
  S.Draw.BarBrush.Reset(CreateSolidBrush(static_cast<COLORREF>(BarBackColor(S))));
  if (!S.Draw.FieldBrush) S.Draw.FieldBrush.Reset(CreateSolidBrush(DarkField));
}
