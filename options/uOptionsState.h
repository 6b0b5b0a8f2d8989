#pragma once
// One open options dialog: the working copy of the settings it edits, its windows, fonts and
// brushes, and the identifiers of its controls.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "model/uLogTypes.h"
#include "platform/uNoCopy.h"
#include "settings/uSettings.h"
#include "toolkit/uSubclass.h"
#include "toolkit/uWinHolders.h"

enum : int {
  IdOptOk = 1,
  IdOptCancel = 2,
  IdOptTabs = 3000,
  IdOptStatus = 3001,
  // View page
  IdShowLineNumbers = 3101,
  IdLineNumWidth = 3102,
  IdWordWrap = 3103,
  IdHorzScrollbar = 3104,
  IdFontCombo = 3105,
  IdFontSize = 3106,
  IdFontDrop = 3107,
  IdAppearance = 3108,
  IdFontPreview = 3109,
  IdCloseOnEsc = 3110,
  IdWindowBgButton = 3111,
  IdWindowBgSwatch = 3112,
  IdBarDarkButton = 3113,
  IdBarDarkSwatch = 3114,
  IdFontSizeUpDown = 3115,
  // Colors page: one row per scheme entry
  IdSchemeBgButton = 3200,
  IdSchemeFgButton = 3210,
  IdSchemeChoice = 3220,
  IdSchemeBgSwatch = 3230,
  IdSchemeFgSwatch = 3240,
  SchemeRows = 7,
  // Format page
  IdAutoDetect = 3301,
  IdForceFormat = 3302,
  IdCustomMode = 3303,
  IdDelimiter = 3304,
  IdTSStart = 3306,  // to 3313: the start and length of each column
  IdCustomModeLabel = 3314,
  IdDelimiterLabel = 3315,
  IdFieldRolesLabel = 3317,
  IdPositionLabels = 3318,  // to 3321
  IdFieldLabel = 3340,      // + i
  IdFieldRole = 3350,       // + i
  // Tail page
  IdTailEnabled = 3401,
  IdTailInterval = 3402,
  // Color Rules page
  IdRuleList = 3501,
  IdRulePattern = 3502,
  IdRuleBg = 3503,
  IdRuleFg = 3504,
  IdRuleEnabled = 3505,
  IdRuleUseLevel = 3506,
  IdRuleLevel = 3507,
  IdRuleAdd = 3508,
  IdRuleUpdate = 3509,
  IdRuleDelete = 3510,
  IdRuleFgAuto = 3511,
  IdUserRulesOnly = 3512,
};
constexpr int OptionPageCount = 5;
// Sent to itself by the dialog so that the Format page is brought up to date once more after a
// command of its own has been handled.
constexpr UINT UpdateFormatPageMessage = WM_APP + 101;

inline constexpr wchar_t OptionsWindowClass[] = L"WLXLogOptionsWindow";
inline constexpr wchar_t OptionsPageClass[] = L"WLXLogOptionsPage";

// The kinds of control the dialog is made of. The tab control's items, check boxes, push
// buttons, combo items and swatches are drawn by the dialog; number edits take digits only.
enum class TControlKind { Tabs, Check, Button, Static, NumberEdit, Edit, ListCombo, Swatch, ListBox, UpDown };

// A control of the dialog, its kind, which decides how it is drawn, and where it lies at 96 DPI,
// so that any change of DPI places it afresh from the same numbers instead of compounding
// roundings.
struct TOptionControl {
  HWND Window;
  TControlKind Kind;
  RECT At96;
};

class TOptionsState : TNoCopy {
 public:
  TOptionsState(const TAppSettings& Settings, HWND Parent, TLogFormat Detected, THostDark HostDark);

  HWND ParentWnd = nullptr;
  HWND Wnd = nullptr;
  bool Accepted = false;
  TLogFormat DetectedFormat = lfUnknown;
  TAppSettings Settings;
  HWND TabCtrl = nullptr;
  HWND Pages[OptionPageCount] = {};
  HWND StatusLabel = nullptr;
  TFontHolder PreviewFont;
  TFontHolder UIFont;
  TColor SwatchBg[SchemeRows] = {};
  TColor SwatchFg[SchemeRows] = {};
  TColor RuleBg = 0;
  TColor RuleFg = AutoColor;
  int32_t Dpi = 96;
  bool Dark = false;
  // The host's mode as the opener has it, which the automatic look follows.
  THostDark HostDark;
  // The opener's part of OK: it puts the confirmed settings in force and stores them.
  TTakeSettings Take;
  WNDPROC TabPrevProc = nullptr;
  TBrushHolder DialogBrush;
  TBrushHolder FieldBrush;
  std::vector<TOptionControl> Controls;
  // The tab control's subclass, taken off when the dialog window goes.
  TSubclassStack Subclasses;
};

// The dialog's record, from the dialog window or from one of its pages.
TOptionsState* OptionsStateOf(HWND Window);
// The control with Id anywhere in the dialog.
HWND OptionControl(const TOptionsState& S, int Id);
int Scaled(const TOptionsState& S, int Value);

// Check boxes are owner-drawn push buttons that keep their state in a window property.
bool IsOptionChecked(HWND Box);
void SetOptionChecked(HWND Box, bool Checked);
bool IsOptionChecked(const TOptionsState& S, int Id);
void SetOptionChecked(const TOptionsState& S, int Id, bool Checked);

// A control on Parent at (X, Y) with the size W x H at 96 DPI, placed for S.Dpi and
// remembered with its kind for drawing and for later changes of DPI. Extra adds styles of its own.
HWND AddOptionControl(TOptionsState& S, HWND Parent, TControlKind Kind, int Id, const wchar_t* Text, int X, int Y,
                      int W, int H, DWORD Extra = 0);
// The kind a control of the dialog was made as; Static for a window that is none of them.
TControlKind OptionControlKind(const TOptionsState& S, HWND Control);

// A control's text as UTF-8, and set from UTF-8.
std::string ControlTextUtf8(HWND Control);
void SetControlText(HWND Control, const std::string& Utf8);
// The selected entry of a combo box, -1 for none.
int ComboSelection(HWND Combo);
void AddComboEntries(HWND Combo, std::initializer_list<const wchar_t*> Entries);
void SetControlEnabled(HWND Control, bool Enabled);
// Takes the check boxes' properties off every control of the dialog before it goes.
void ForgetOptionChecks(HWND Dialog);
