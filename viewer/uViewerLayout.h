#pragma once
// Bringing the viewer frame in line with its size, with the settings and with the host's
// theme: the status bar, the list control and the toolbar placed, fonts, brushes and metrics
// renewed.

#include "viewer/uSkerrinState.h"

// Positions the status bar, the list control and the toolbar for the current client size.
void LayoutViewer(TSkerrinState& S);
// Brings every control, font, brush and metric in line with the settings.
void ApplySettingsToWindow(TSkerrinState& S);
// The host's dark-mode flags for this viewer; repaints only when its look changes.
void SetHostTheme(TSkerrinState& S, bool Dark, bool Native);
// New brushes and a repaint of everything in the current look.
void RefreshTheme(TSkerrinState& S);
