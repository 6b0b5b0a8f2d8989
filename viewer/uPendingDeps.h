#pragma once
// Stand-ins for the process-wide theme functions until the settings unit provides them.

void SetHostDarkMode(bool Known, bool Dark);
bool IsDarkTheme();
void ApplyThemeColors();
