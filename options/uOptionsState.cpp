#include "options/uOptionsState.h"

#include <commctrl.h>

#include "platform/uPlatformWide.h"
#include "platform/uTextCodec.h"
#include "toolkit/uDpi.h"
#include "toolkit/uWindowClass.h"
#include "toolkit/uWindowText.h"

namespace {
constexpr wchar_t CheckedProperty[] = L"WLXLogOptChecked";
constexpr INT_PTR CheckedValue = 2;
constexpr INT_PTR UncheckedValue = 1;
}  // namespace

TOptionsState::TOptionsState(const TAppSettings& Settings, HWND Parent, TLogFormat Detected, THostDark HostDark)
    : ParentWnd(Parent),
      DetectedFormat(Detected),
      Settings(Settings),
      RuleBg(Settings.Colors.BgColor),
      HostDark(HostDark) {}

TOptionsState* OptionsStateOf(HWND Window) {
  wchar_t Class[64] = L"";
  for (HWND W = Window; W; W = GetParent(W)) {
    GetClassNameW(W, Class, 64);
    if (lstrcmpiW(Class, OptionsWindowClass) == 0)
      return reinterpret_cast<TOptionsState*>(GetWindowLongPtrW(W, GWLP_USERDATA));
  }
  return nullptr;
}

HWND OptionControl(const TOptionsState& S, int Id) {
  if (!S.Wnd) return nullptr;
  if (HWND Direct = GetDlgItem(S.Wnd, Id)) return Direct;
  for (HWND Page : S.Pages)
    if (HWND Control = Page ? GetDlgItem(Page, Id) : nullptr) return Control;
  return nullptr;
}

int Scaled(const TOptionsState& S, int Value) { return ScaleBy(Value, S.Dpi, 96); }

bool IsOptionChecked(HWND Box) {
  return Box && reinterpret_cast<INT_PTR>(GetPropW(Box, CheckedProperty)) == CheckedValue;
}

void SetOptionChecked(HWND Box, bool Checked) {
  if (!Box) return;
  SetPropW(Box, CheckedProperty, reinterpret_cast<HANDLE>(Checked ? CheckedValue : UncheckedValue));
  InvalidateRect(Box, nullptr, TRUE);
}

bool IsOptionChecked(const TOptionsState& S, int Id) { return IsOptionChecked(OptionControl(S, Id)); }

void SetOptionChecked(const TOptionsState& S, int Id, bool Checked) { SetOptionChecked(OptionControl(S, Id), Checked); }

namespace {

struct TKindStyle {
  const wchar_t* Class;
  DWORD Style;
  DWORD ExStyle;
};

TKindStyle StyleOf(TControlKind Kind) {
  switch (Kind) {
    case TControlKind::Tabs:
      return {WC_TABCONTROLW, WS_CLIPSIBLINGS | WS_TABSTOP | TCS_OWNERDRAWFIXED, 0};
    case TControlKind::UpDown:
      return {UPDOWN_CLASSW, UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0};
    case TControlKind::Check:
    case TControlKind::Button:
      return {L"BUTTON", BS_OWNERDRAW, 0};
    case TControlKind::NumberEdit:
      return {L"EDIT", ES_NUMBER | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::Edit:
      return {L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case TControlKind::ListCombo:
      return {L"COMBOBOX", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0};
    case TControlKind::Swatch:
      return {L"STATIC", SS_OWNERDRAW, 0};
    case TControlKind::ListBox:
      return {L"LISTBOX", WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0};
    case TControlKind::Static:
      break;
  }
  return {L"STATIC", SS_LEFT, 0};
}

}  // namespace

HWND AddOptionControl(TOptionsState& S, HWND Parent, TControlKind Kind, int Id, const wchar_t* Text, int X, int Y,
                      int W, int H, DWORD Extra) {
  if (!Parent) return nullptr;
  const TKindStyle K = StyleOf(Kind);
  HWND Control = CreateWindowExW(K.ExStyle, K.Class, Text ? Text : L"", WS_CHILD | WS_VISIBLE | K.Style | Extra,
                                 Scaled(S, X), Scaled(S, Y), Scaled(S, W), Scaled(S, H), Parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), PluginInstance(), nullptr);
  if (Control) S.Controls.push_back({Control, Kind, {X, Y, X + W, Y + H}});
  if (Control && Kind == TControlKind::Check) SetOptionChecked(Control, false);
  return Control;
}

TControlKind OptionControlKind(const TOptionsState& S, HWND Control) {
  for (const TOptionControl& C : S.Controls)
    if (C.Window == Control) return C.Kind;
  return TControlKind::Static;
}

std::string ControlTextUtf8(HWND Control) {
  if (!Control) return {};
  return Utf16ToUtf8(WindowTextU16(Control));
}

void SetControlText(HWND Control, const std::string& Utf8) {
  if (Control) SetWindowTextW(Control, WideFromUtf8(Utf8).c_str());
}

int ComboSelection(HWND Combo) { return Combo ? static_cast<int>(SendMessageW(Combo, CB_GETCURSEL, 0, 0)) : -1; }

void AddComboEntries(HWND Combo, std::initializer_list<const wchar_t*> Entries) {
  if (!Combo) return;
  SendMessageW(Combo, CB_RESETCONTENT, 0, 0);
  for (const wchar_t* Entry : Entries) SendMessageW(Combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Entry));
}

void SetControlEnabled(HWND Control, bool Enabled) {
  if (Control && (IsWindowEnabled(Control) != FALSE) != Enabled) EnableWindow(Control, Enabled);
}

namespace {
BOOL CALLBACK ForgetCheck(HWND Window, LPARAM) {
  RemovePropW(Window, CheckedProperty);
  return TRUE;
}
}  // namespace

void ForgetOptionChecks(HWND Dialog) {
  if (Dialog) EnumChildWindows(Dialog, ForgetCheck, 0);
}
