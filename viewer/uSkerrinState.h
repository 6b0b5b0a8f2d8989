#pragma once
// Everything about one viewer window, grouped by what uses it. Owned by the viewer window
// (user-data slot), created by CreateSkerrinWindow and freed in the window's teardown.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loader/uLogLoader.h"
#include "loader/uLogTail.h"
#include "model/uRuleCache.h"
#include "model/uNavigation.h"
#include "model/uTimestampIndex.h"
#include "model/uViewFilter.h"
#include "settings/uSettings.h"
#include "toolkit/uSubclass.h"
#include "toolkit/uWinHolders.h"
#include "viewer/uControlIds.h"
#include "viewer/uRowControl.h"

constexpr UINT FilterDebounceMs = 120;

inline constexpr wchar_t ViewerClassName[] = L"WLXSkerrin64Window";
inline constexpr wchar_t WrapViewClassName[] = L"WLXSkerrin64WrapView";

// Lengths that follow the screen's DPI, in pixels at the viewer's DPI.
struct TViewerMetrics {
  int32_t RowHeight = 18;
  int32_t TextHeight = 14;  // of the line font: one line of wrapped text
  int32_t CharWidth = 8;
  int32_t Dpi = 96;
  int32_t ToolbarHeight = 34;
  int32_t HostStatusHeight = 22;
  int32_t StatusHeight = 22;
};

struct TViewerFonts {
  TFontHolder Font;  // the line font
  TUiFont UiFont;    // the toolbar's
};

// The rows on show (what RowsOf lends to the portable functions as TVisibleRows).
struct TViewRows {
  bool AllVisible = true;  // row i shows entry i; Visible is not used
  TIndexArray Visible;
  int32_t VisibleCount = 0;
  bool TimestampIndexDirty = true;
};

struct TFilterText {
  std::u16string FilterW;  // as typed
  // What the rows on show were built with: made once per rebuild, and what appended lines are
  // tested against until the next one (text typed meanwhile waits for its pause).
  TViewQuery Query;
  // The levels the Show menu and the counters' clicks leave visible; as the filter text, for as
  // long as the file is shown.
  TLevelSet ShownLevels = AllLevels;
  std::u16string Scratch;  // decoding buffer of the Unicode path, reused line after line
};

struct TViewerTail {
  bool Following = true;
  bool TailActive = false;
  bool InTailTick = false;
  // How far the followed file has been read and which file it is; also the one record of the
  // log's last line number and longest line as the log grows.
  TTailState File;
};

// What the two owner-drawn status parts carry as their data: the left text and the counters.
struct TStatusTexts {
  std::string StatusText;  // UTF-8
  std::u16string StatusTextW;
  std::u16string StatusCountersW;
};

// The host's last search, which the list's repeat key continues, and its text as the rows
// highlight it until the filter or the search changes.
struct TSearchMemory {
  std::string LastSearchText;
  int32_t LastSearchFlags = 0;
  bool Highlighting = false;
  TSearchNeedle Highlight;
};

// Taking part in the timestamp synchronisation between viewers (off until the Sync box is
// ticked; not a setting), the last click on a row for spotting a double-click, and the index of
// the visible rows by time.
struct TSyncState {
  bool SyncEnabled = false;
  bool ApplyingSync = false;   // selecting a row on another viewer's request
  uint64_t LastClickTick = 0;  // 0: none
  int32_t LastClickRow = -1;
  int32_t LastClickX = 0;
  int32_t LastClickY = 0;
  TTimestampIndexes Index;
};

// Where the user is in the view, by entry, so that it can be found again after the rows or the
// list control changed: the selected lines (in row order), the caret's line, the first visible
// line, and whether the list had the keyboard focus.
struct TViewPlace {
  std::vector<int32_t> SelectedEntries;
  int32_t CaretEntry = -1;
  int32_t TopEntry = -1;
  bool ListFocused = false;
};

// The file's load on a worker thread while it runs (uViewLoad). The worker reaches the viewer
// only through the load's own protocol and a message it posts to the viewer window; everything
// here belongs to the window's thread.
struct TViewerLoad {
  std::unique_ptr<TBackgroundLoad> Running;  // null when no load runs
  int64_t BytesRead = 0;                     // of FileSize, as last taken: the progress shown
  int64_t FileSize = 0;
  bool TakeFocus = false;    // the row the load selects takes the keyboard focus
  int32_t SelectedRow = -1;  // the row the load selected when its first rows came, or -1
  int32_t ExpectedRows = 0;  // the rows the list control was last told to expect
  // When the window may take more rows: the load leaves the host's thread time for its own.
  std::chrono::steady_clock::time_point NextTake;
  // A reload that keeps the user's place puts Place back once its lines are in.
  bool RestorePlace = false;
  TViewPlace Place;
};

struct TToolbarControls {
  HWND PrevErrorButton = nullptr, NextErrorButton = nullptr;
  HWND PrevWarnButton = nullptr, NextWarnButton = nullptr;
  HWND PrevInfoButton = nullptr, NextInfoButton = nullptr;
  HWND TailBox = nullptr, TailLabel = nullptr;
  HWND FollowBox = nullptr, FollowLabel = nullptr;
  HWND LineNumBox = nullptr, LineNumLabel = nullptr;
  HWND SyncBox = nullptr, SyncLabel = nullptr;
  HWND OptionsButton = nullptr;
  HWND FormatCombo = nullptr;
  HWND MoreButton = nullptr;  // shown when the window is too narrow for everything
  int32_t GroupsShown = 0;    // of the toolbar's groups, left to right, the ones it has room for
  HWND FilterLabel = nullptr;
  HWND FilterEdit = nullptr;
  HWND ClearFilterButton = nullptr;
  HWND LookEdit = nullptr;
  HWND LookUpDown = nullptr;
  HWND ToolTip = nullptr;
};

struct TDrawResources {
  TBrushHolder ListBrush;
  TBrushHolder BarBrush;
  TBrushHolder FieldBrush;  // the format box's field in the dark look
  TMemoryDC MeasureDC;
  HGDIOBJ MeasureDCFontBefore = nullptr;
  // Reusable buffers for decoding and composing one line while drawing or measuring, and for
  // placing its highlights.
  std::u16string LineBuffer;
  std::u16string DrawBuffer;
  std::u16string MatchBuffer;
  TMatchSpans FilterSpans;
  TMatchSpans SearchSpans;
  std::vector<int> Extents;
};

class TSkerrinState {
 public:
  explicit TSkerrinState(TAppSettings& Settings);
  virtual ~TSkerrinState();
  TSkerrinState(const TSkerrinState&) = delete;
  TSkerrinState& operator=(const TSkerrinState&) = delete;

  // The settings the viewer shows and changes (the process's one record).
  TAppSettings& Settings;

  // identity: the frame's windows and what the host said
  HWND Window = nullptr;
  HWND ParentWindow = nullptr;
  HWND ListWindow = nullptr;  // the listbox, or the wrap view
  HWND StatusBar = nullptr;
  int32_t ShowFlags = 0;
  // The Encoding menu's choice for lines that are not UTF-8 (an index of EncodingChoices).
  int32_t EncodingChoice = 0;
  bool InListerWindow = false;
  std::string FileName;
  bool HostDark = false;
  bool HostDarkNative = false;

  TViewerMetrics Metrics;
  TViewerFonts Fonts;

  // Shared with a load in progress, which may outlive the viewer by a moment (see uViewLoad).
  std::shared_ptr<TLoadedLog> Log;
  TViewerLoad Load;
  TViewRows View;
  TFilterText Filter;
  // The viewer's copy of the colour rules, the per-entry match cache and the effective levels.
  TRuleCache RuleCache;
  TLevelCounters Counters;

  TViewerTail Tail;
  TStatusTexts Status;
  TSearchMemory Search;
  TSyncState Sync;
  // The rows of ListWindow, made with it and gone with it (null exactly while it is).
  std::unique_ptr<TRowControl> Rows;
  TToolbarControls Bar;
  TSubclassStack Subclasses;
  TDrawResources Draw;
};

// Stops the viewer's load, if one runs, and lets go of its log (Log is null afterwards), so
// that the next log has the room it took.
void LetGoOfLog(TSkerrinState& S);

// The record of a viewer window, from its user-data slot; null for any other window.
TSkerrinState* StateFromWindow(HWND Window);
