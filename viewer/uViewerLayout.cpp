#include "viewer/uViewerLayout.h"

#include <commctrl.h>

#include <algorithm>

#include "viewer/uLineRender.h"
#include "viewer/uListControl.h"
#include "viewer/uListRows.h"
#include "viewer/uStatusBar.h"
#include "viewer/uToolbar.h"
#include "viewer/uViewerLook.h"
#include "viewer/uViewerMetrics.h"

namespace {

void SetCheck(HWND Box, bool On) {
  if (Box) SendMessageW(Box, BM_SETCHECK, On ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Our status bar is at least as high as the host's and fits the line font.
void FitStatusHeightToFont(TSkerrinState& S) {
  if (!S.StatusBar || !S.Fonts.Font) return;
  TWindowDC DC(S.StatusBar);
  if (!DC.Get()) return;
  TSelectScope Select(DC.Get(), S.Fonts.Font.Get());
  TEXTMETRICW Text{};
  if (!GetTextMetricsW(DC.Get(), &Text)) return;
  const int Needed = static_cast<int>(Text.tmHeight) + ScaleToDpi(S, StatusTextPadding);
  S.Metrics.StatusHeight = ClampStatusHeight(S, std::max<int>(S.Metrics.HostStatusHeight, Needed));
}

}  // namespace

void LayoutViewer(TSkerrinState& S) {
  if (!S.Window) return;
  RECT Client{};
  GetClientRect(S.Window, &Client);
  const int W = Client.right, H = Client.bottom;
  const int StatusH = ClampStatusHeight(S, S.Metrics.StatusHeight);
  if (S.StatusBar) {
    SendMessageW(S.StatusBar, SB_SETMINHEIGHT, StatusH, 0);
    SendMessageW(S.StatusBar, WM_SIZE, 0, 0);
    MoveWindow(S.StatusBar, 0, H - StatusH, W, StatusH, TRUE);
  }
  const int Top = S.Metrics.ToolbarHeight;
  if (S.ListWindow) MoveWindow(S.ListWindow, 0, Top, W, std::max(0, H - StatusH - Top), TRUE);
  LayoutToolbar(S, W);
  if (S.StatusBar) {
    int Parts[2] = {StatusFirstPartEnd(W), -1};
    SendMessageW(S.StatusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(Parts));
  }
  if (S.Rows) S.Rows->LayoutChanged();
  UpdateStatus(S);
}

void ApplySettingsToWindow(TSkerrinState& S) {
  CreateListControl(S);
  const TToolbarControls& Bar = S.Bar;
  SetCheck(Bar.LineNumBox, S.Settings.ShowLineNumbers);
  SetCheck(Bar.FollowBox, S.Tail.Following);
  SetCheck(Bar.TailBox, S.Settings.TailEnabled);
  SetCheck(Bar.SyncBox, S.Sync.SyncEnabled);
  FillFormatBox(S);
  if (Bar.LookEdit && GetWindowTextLengthW(Bar.LookEdit) == 0) SetWindowTextW(Bar.LookEdit, L"0");
  ApplyToolbarFont(S);
  CreateLineFont(S);
  const auto Font = reinterpret_cast<WPARAM>(S.Fonts.Font.Get());
  if (S.StatusBar && S.Fonts.Font) SendMessageW(S.StatusBar, WM_SETFONT, Font, TRUE);
  FitStatusHeightToFont(S);
  RefreshBrushes(S);
  if (S.ListWindow && S.Fonts.Font) SendMessageW(S.ListWindow, WM_SETFONT, Font, FALSE);
  UpdateRowMetrics(S);
  UpdateStatus(S);
  if (S.ListWindow) InvalidateRect(S.ListWindow, nullptr, TRUE);
  InvalidateRect(S.Window, nullptr, TRUE);
}

void SetHostTheme(TSkerrinState& S, bool Dark, bool Native) {
  const bool WasDark = ViewerIsDark(S);
  const bool WasNative = S.HostDarkNative;
  S.HostDark = Dark;
  S.HostDarkNative = Native;
  if (ViewerIsDark(S) != WasDark || S.HostDarkNative != WasNative) RefreshTheme(S);
}

void RefreshTheme(TSkerrinState& S) {
  RefreshBrushes(S);
  UpdateStatus(S);
  for (HWND W : {S.ListWindow, S.StatusBar})
    if (W) RedrawWindow(W, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  if (S.Window) RedrawWindow(S.Window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}
