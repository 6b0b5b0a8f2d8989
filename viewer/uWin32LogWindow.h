#pragma once
// The viewer window that the plug-in places inside the host's lister window: its classes,
// creation, layout, DPI metrics, colours, message dispatch and teardown.

#include <windows.h>

#include <string>

#include "settings/uSettings.h"
#include "viewer/uSkerrinState.h"

inline constexpr wchar_t ViewerClassName[] = L"WLXSkerrin64Window";
inline constexpr wchar_t WrapViewClassName[] = L"WLXSkerrin64WrapView";

// The module of the plug-in itself (not the host program).
HINSTANCE PluginInstance();

bool RegisterViewerClasses();
// Registers a window class of the plug-in, replacing one left by an earlier load of the library.
bool RegisterPluginClass(const wchar_t* Name, WNDPROC Procedure, UINT Style, HBRUSH Background);
// The window's DPI, else the screen's; 0 when neither can be read.
int DeviceDpi(HWND Window);
HWND CreateSkerrinWindow(HWND Parent, const std::string& FileName, int ShowFlags);

void UpdateDpiMetrics(TSkerrinState& S);
void CreateListControl(TSkerrinState& S);
void LayoutViewer(TSkerrinState& S);
void ApplySettingsToWindow(TSkerrinState& S);
void UpdateStatus(TSkerrinState& S);

int ScaleToDpi(const TSkerrinState& S, int Value);
// Rounded Value * Numerator / Denominator, as the platform's MulDiv.
int ScaleBy(int Value, int Numerator, int Denominator);
bool ViewerIsDark(const TSkerrinState& S);
TColor ListBackColor(const TSkerrinState& S);
TColor ListTextColor(const TSkerrinState& S);
TColor BarBackColor(const TSkerrinState& S);
TColor BarTextColor(const TSkerrinState& S);
// The colour scheme in force for this viewer.
const TColorScheme& ViewerScheme(const TSkerrinState& S);

LRESULT CALLBACK ViewerWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

// Status bar parts: the first ends here for a client width (unscaled values).
int StatusFirstPartEnd(int ClientWidth);
// Status bar height for a host status bar of HostHeight pixels (0: none found), at the viewer's DPI.
int HostStatusHeightFor(const TSkerrinState& S, int HostHeight);
