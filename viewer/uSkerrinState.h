#pragma once
// Everything about one viewer window: its controls, fonts, brushes, loaded log, view of visible
// rows, selection of the wrap view and the subclasses it installed. Owned by the viewer window
// (user-data slot), created by CreateSkerrinWindow and freed in the window's teardown.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loader/uLogLoader.h"
#include "loader/uLogTail.h"
#include "model/uLogFilter.h"
#include "model/uRuleCache.h"
#include "settings/uSettings.h"
#include "viewer/uSubclass.h"
#include "viewer/uWinHolders.h"

// Fixed identifiers of the viewer's controls, commands and timers.
enum : int {
  IdList = 1001,
  IdPrevError = 1101,
  IdNextError = 1102,
  IdPrevWarn = 1103,
  IdNextWarn = 1104,
  IdPrevInfo = 1105,
  IdNextInfo = 1106,
  IdTailBox = 1107,
  IdFollowBox = 1108,
  IdFilterEdit = 1109,
  IdClearFilter = 1110,
  IdOptions = 1111,
  IdLineNumBox = 1112,
  IdStatusBar = 1114,
  IdLookEdit = 1115,
  IdLookUpDown = 1116,
  IdFormatCombo = 1117,
  IdSyncBox = 1118,
  IdMenuCopy = 1201,
  IdMenuCopyAll = 1202,
  IdMenuLineNumbers = 1203,
  IdMenuWordWrap = 1204,
  IdMenuGoToTime = 1205,
  IdMenuGoToLine = 1206,
};
constexpr UINT_PTR FilterTimerId = 2101;
constexpr UINT_PTR TailTimerId = 2102;
constexpr UINT FilterDebounceMs = 120;
constexpr UINT SyncMessage = WM_APP + 211;

// Host show flags read by the viewer.
constexpr int lcp_forceshow = 16;
constexpr int lcp_darkmode = 128;
constexpr int lcp_darkmodenative = 256;

class TSkerrinState {
 public:
  TSkerrinState();
  virtual ~TSkerrinState();
  TSkerrinState(const TSkerrinState&) = delete;
  TSkerrinState& operator=(const TSkerrinState&) = delete;

  // identity
  HWND Window = nullptr;
  HWND ParentWindow = nullptr;
  HWND ListWindow = nullptr;
  int32_t ShowFlags = 0;
  bool InListerWindow = false;
  std::string FileName;
  bool HostDark = false;
  bool HostDarkNative = false;

  // fonts and metrics
  TFontHolder Font;
  HFONT UiFont = nullptr;
  bool OwnsUiFont = false;
  int32_t RowHeight = 18;
  int32_t CharWidth = 8;
  int32_t Dpi = 96;
  int32_t ToolbarHeight = 34;
  int32_t HostStatusHeight = 22;
  int32_t StatusHeight = 22;

  // log and view
  std::unique_ptr<TLoadedLog> Log;
  TIndexArray Visible;
  int32_t VisibleCount = 0;
  bool AllVisible = true;
  std::u16string FilterW;
  std::u16string FilterLowerW;
  int32_t ErrorCount = 0, WarnCount = 0, InfoCount = 0;
  double LastErrorTime = 0, LastWarnTime = 0, LastInfoTime = 0;
  int32_t LongestLine = 0;
  int32_t LastLineNumber = 0;
  bool TimestampIndexDirty = true;

  // colour rules: the viewer's copy, the per-entry match cache and the effective levels
  TRuleCache RuleCache;

  // tail
  bool Following = true;
  bool TailActive = false;
  // --- tail and status bar (uTailView, uStatusBar) ---
  TTailState Tail;
  bool InTailTick = false;
  std::string StatusText;
  // What the two owner-drawn status parts carry as their data: the left text and the counters.
  std::u16string StatusTextW;
  std::u16string StatusCountersW;
  // --- end tail and status bar ---

  // search
  std::string LastSearchText;
  int32_t LastSearchFlags = 0;

  // sync
  bool SyncEnabled = false;
  bool ApplyingSync = false;

  // list control
  bool ListIsListbox = true;
  bool WrapViewActive = false;
  int32_t WrapTop = 0;
  int32_t WrapCaret = -1;
  int32_t WrapAnchor = -1;
  std::vector<uint8_t> WrapSelection;
  int32_t WrapSelectionCapacity = 0;
  std::vector<int32_t> WrapHeights;
  std::vector<int32_t> WrapHeightStamps;
  int32_t WrapGeneration = 1;
  int32_t WrapWidth = -1;

  // toolbar controls
  HWND PrevErrorButton = nullptr, NextErrorButton = nullptr;
  HWND PrevWarnButton = nullptr, NextWarnButton = nullptr;
  HWND PrevInfoButton = nullptr, NextInfoButton = nullptr;
  HWND TailBox = nullptr, TailLabel = nullptr;
  HWND FollowBox = nullptr, FollowLabel = nullptr;
  HWND LineNumBox = nullptr, LineNumLabel = nullptr;
  HWND SyncBox = nullptr, SyncLabel = nullptr;
  HWND OptionsButton = nullptr;
  HWND FormatCombo = nullptr;
  HWND FilterLabel = nullptr;
  HWND FilterEdit = nullptr;
  HWND ClearFilterButton = nullptr;
  HWND LookEdit = nullptr;
  HWND LookUpDown = nullptr;
  HWND ToolTip = nullptr;
  HWND StatusBar = nullptr;

  // subclassing
  TWindowSubclass FilterEditPrevProc;
  TWindowSubclass ListPrevProc;
  TWindowSubclass ClearFilterPrevProc;
  TWindowSubclass ParentPrevProc;
  bool ParentSubclassed = false;

  // drawing resources
  TBrushHolder ListBrush;
  TBrushHolder BarBrush;
  TMemoryDC MeasureDC;
  HGDIOBJ MeasureDCFontBefore = nullptr;

  // Reusable buffers for decoding one line while drawing, measuring or filtering.
  std::u16string LineBuffer;
  std::u16string FilterScratch;
  std::u16string DrawBuffer;
};

// The record of a viewer window, from its user-data slot; null for any other window.
TSkerrinState* StateFromWindow(HWND Window);
