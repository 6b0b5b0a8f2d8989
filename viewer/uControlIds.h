#pragma once
// The fixed numbers of the viewer's controls, context-menu commands and timers, and the message
// viewers send each other. The host, the tests and the tools find the controls by these.

#include <windows.h>

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
  IdMoreButton = 1119,  // the toolbar's "more" menu, where a narrow window puts what it has no room for
  IdMenuCopy = 1201,
  IdMenuCopyAll = 1202,
  IdMenuLineNumbers = 1203,
  IdMenuWordWrap = 1204,
  IdMenuGoToTime = 1205,
  IdMenuGoToLine = 1206,
  // The Show submenu: one check item per level, 1210 + the level's ordinal (Errors .. Other lines).
  IdMenuShowFirst = 1210,
  IdMenuShowLast = 1215,
  // The Encoding submenu: 1220 + the number of the choice (Automatic first).
  IdMenuEncodingFirst = 1220,
  // The "more" menu's Format submenu: 1300 + the format box's entry.
  IdMenuFormatFirst = 1300,
};
constexpr UINT_PTR FilterTimerId = 2101;
constexpr UINT_PTR TailTimerId = 2102;
// Takes more of a load's rows once the host's other messages have had their turn.
constexpr UINT_PTR LoadTimerId = 2103;
// Sent by one viewer to the others of the process with a time to select (see uViewerSync).
constexpr UINT SyncMessage = WM_APP + 211;
// Posted to a viewer by the worker of its load when there are rows or progress to take; it
// carries nothing, so one that comes late (the load was replaced, the viewer closed) is harmless.
constexpr UINT LoadProgressMessage = WM_APP + 212;
