#include "viewer/uViewerMetrics.h"

#include <algorithm>

#include "toolkit/uDpi.h"
#include "viewer/uHostWindow.h"

int ScaleToDpi(const TSkerrinState& S, int Value) { return ScaleBy(Value, S.Metrics.Dpi, 96); }

int ClampStatusHeight(const TSkerrinState& S, int Height) {
  return std::min(ScaleToDpi(S, StatusMaxHeight), std::max(ScaleToDpi(S, StatusMinHeight), Height));
}

int HostStatusHeightFor(const TSkerrinState& S, int HostHeight) {
  if (HostHeight < ScaleToDpi(S, StatusMinHeight) || HostHeight > ScaleToDpi(S, StatusMaxHeight))
    return ClampStatusHeight(S, ScaleToDpi(S, StatusDefaultHeight));
  return ClampStatusHeight(S, HostHeight - ScaleToDpi(S, StatusBelowHostBar));
}

int StatusFirstPartEnd(int ClientWidth) { return std::max(ClientWidth - StatusCountersWidth, StatusSummaryMinWidth); }

void UpdateDpiMetrics(TSkerrinState& S) {
  S.Metrics.Dpi = S.Window ? DeviceDpi(S.Window) : 96;
  S.Metrics.ToolbarHeight = ScaleToDpi(S, ToolbarStripHeight);
  HWND HostBar = nullptr;
  int H = FindHostStatusBar(HostBar);
  if (H > 0 && HostBar) H = ScaleBy(H, S.Metrics.Dpi, DeviceDpi(HostBar));
  S.Metrics.HostStatusHeight = HostStatusHeightFor(S, H);
  S.Metrics.StatusHeight = S.Metrics.HostStatusHeight;
}

int32_t RowsPerPage(const TSkerrinState& S) {
  RECT Client{};
  if (S.ListWindow) GetClientRect(S.ListWindow, &Client);
  return std::max<int32_t>(1, Client.bottom / std::max<int32_t>(1, S.Metrics.RowHeight));
}
