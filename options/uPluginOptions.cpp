#include "options/uPluginOptions.h"

#include <commctrl.h>

#include <optional>
#include <string>

#include "options/uOptionColors.h"
#include "options/uOptionPages.h"
#include "options/uOptionsTheme.h"
#include "platform/uPlatformWide.h"
#include "settings/uSettings.h"
#include "settings/uSettingsEdit.h"
#include "toolkit/uDpi.h"
#include "toolkit/uModalLoop.h"
#include "toolkit/uWindowClass.h"

namespace {

constexpr wchar_t Caption[] = L"Skerrin Options";
// The dialog's outer size at 96 DPI, and its font.
constexpr int DialogWidth = 436, DialogHeight = 442;
constexpr int UIFontPoints = 9;

BOOL CALLBACK SetFontOn(HWND Window, LPARAM Font) {
  SendMessageW(Window, WM_SETFONT, static_cast<WPARAM>(Font), FALSE);
  return TRUE;
}

void ApplyUIFont(TOptionsState& S) {
  TFontHolder Font(CreateFontW(-MulDiv(UIFontPoints, S.Dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                               L"Segoe UI"));
  if (!Font) return;
  const auto Handle = reinterpret_cast<LPARAM>(Font.Get());
  SetFontOn(S.Wnd, Handle);
  EnumChildWindows(S.Wnd, SetFontOn, Handle);
  // The previous font is deleted only now that no control uses it any more.
  S.UIFont = std::move(Font);
}

void CloseDialog(TOptionsState& S) {
  if (S.Wnd) DestroyWindow(S.Wnd);
}

void ReportSaveFailure(const TOptionsState& S) {
  const std::wstring Text = L"The settings could not be saved to\n" + WideFromUtf8(SettingsFileName()) +
                            L"\n\nThey apply until the file manager is closed.";
  MessageBoxW(S.Wnd, Text.c_str(), Caption, MB_OK | MB_ICONWARNING);
}

void Confirm(TOptionsState& S) {
  CommitOptions(S);
  S.Accepted = true;
  // A failure must not look like success; the settings are in force all the same.
  if (S.Take && !S.Take(S.Settings)) ReportSaveFailure(S);
  CloseDialog(S);
}

void OnCommand(TOptionsState& S, int Id, int Notification, HWND Control) {
  if (Id == IdOptOk || Id == IdOptCancel) {
    if (Notification != BN_CLICKED) return;
    if (Id == IdOptOk) Confirm(S);
    else CloseDialog(S);
    return;
  }
  if (!HandlePageCommand(S, Id, Notification, Control)) HandleColorCommand(S, Id, Notification);
  // The check box's own toggle and the combo boxes' selection are complete only once the
  // command has been handled.
  if ((Id == IdAutoDetect || Id == IdForceFormat || Id == IdCustomMode) && S.Wnd)
    PostMessageW(S.Wnd, UpdateFormatPageMessage, 0, 0);
}

void OnDpiChanged(TOptionsState& S, WPARAM WParam, const RECT* Suggested) {
  int Dpi = HIWORD(WParam) ? HIWORD(WParam) : LOWORD(WParam);
  if (Dpi == 0) Dpi = DeviceDpi(S.ParentWnd);
  if (Suggested)
    SetWindowPos(S.Wnd, nullptr, Suggested->left, Suggested->top, Suggested->right - Suggested->left,
                 Suggested->bottom - Suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  S.Dpi = Dpi;
  PlaceOptionControls(S);
  ApplyUIFont(S);
  UpdateFontPreview(S);
  RedrawWindow(S.Wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void OnDestroy(HWND Window, TOptionsState& S) {
  S.Subclasses.RemoveAll();
  ForgetOptionChecks(Window);
  S.Wnd = nullptr;
  SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
}

LRESULT CALLBACK OptionsWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  try {
    if (Msg == WM_NCCREATE) {
      auto* Created = static_cast<TOptionsState*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
      SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Created));
      if (Created) Created->Wnd = Window;
    }
    auto* S = reinterpret_cast<TOptionsState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
    if (!S) return DefWindowProcW(Window, Msg, WParam, LParam);
    switch (Msg) {
      case WM_CREATE:
        ApplyDialogTheme(*S);
        return 0;
      case WM_ERASEBKGND:
        EraseOptionsBackground(*S, Window, reinterpret_cast<HDC>(WParam), false);
        return 1;
      case WM_COMMAND:
        OnCommand(*S, LOWORD(WParam), HIWORD(WParam), reinterpret_cast<HWND>(LParam));
        return 0;
      case WM_CLOSE:
        CloseDialog(*S);
        return 0;
      case WM_NOTIFY: {
        const auto* Header = reinterpret_cast<const NMHDR*>(LParam);
        if (Header && Header->hwndFrom == S->TabCtrl && Header->code == TCN_SELCHANGE) {
          ShowOptionsPage(*S, static_cast<int>(SendMessageW(S->TabCtrl, TCM_GETCURSEL, 0, 0)));
          return 0;
        }
        break;
      }
      case WM_DRAWITEM:
        if (DrawOptionItem(*S, *reinterpret_cast<const DRAWITEMSTRUCT*>(LParam))) return TRUE;
        break;
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSTATIC: {
        LRESULT Brush = 0;
        if (AnswerControlColor(*S, Msg, reinterpret_cast<HDC>(WParam), Brush)) return Brush;
        break;
      }
      case UpdateFormatPageMessage:
        UpdateFormatPage(*S);
        return 0;
      case WM_DPICHANGED:
        OnDpiChanged(*S, WParam, reinterpret_cast<const RECT*>(LParam));
        return 0;
      case DM_GETDEFID:
        // Enter means OK wherever the focus is.
        return MAKELRESULT(IdOptOk, DC_HASDEFID);
      case WM_DESTROY:
        OnDestroy(Window, *S);
        return 0;
      default:
        break;
    }
  } catch (...) {
    // Nothing may unwind into the message loop.
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

// Pages hand everything about their controls to the dialog, which serves all pages alike.
LRESULT CALLBACK OptionsPageProc(HWND Page, UINT Msg, WPARAM WParam, LPARAM LParam) {
  try {
    switch (Msg) {
      case WM_ERASEBKGND:
        if (const TOptionsState* S = OptionsStateOf(Page)) {
          EraseOptionsBackground(*S, Page, reinterpret_cast<HDC>(WParam), true);
          return 1;
        }
        break;
      case WM_COMMAND:
      case WM_DRAWITEM:
      case WM_NOTIFY:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORSTATIC:
        if (HWND Dialog = GetParent(Page)) return SendMessageW(Dialog, Msg, WParam, LParam);
        break;
      default:
        break;
    }
  } catch (...) {
    // Nothing may unwind into the message loop.
  }
  return DefWindowProcW(Page, Msg, WParam, LParam);
}

bool RegisterOptionClasses() {
  const bool Dialog = RegisterPluginClass(OptionsWindowClass, OptionsWindowProc, CS_DBLCLKS, nullptr);
  const bool Page = RegisterPluginClass(OptionsPageClass, OptionsPageProc, CS_DBLCLKS, nullptr);
  return Dialog && Page;
}

void CentreOnParent(const TOptionsState& S) {
  RECT Around{};
  if (!S.ParentWnd || !GetWindowRect(S.ParentWnd, &Around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &Around, 0);
  RECT Own{};
  GetWindowRect(S.Wnd, &Own);
  const int Left = Around.left + ((Around.right - Around.left) - (Own.right - Own.left)) / 2;
  const int Top = Around.top + ((Around.bottom - Around.top) - (Own.bottom - Own.top)) / 2;
  SetWindowPos(S.Wnd, nullptr, Left, Top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
}

// The settings the dialog starts from: the ones in force, which are newer than the file where
// it cannot be written; their scheme in force is the one of the opener's look.
TAppSettings StartingSettings(const TAppSettings& Current, THostDark HostDark) {
  TAppSettings Start = Current;
  ApplyThemeColors(Start, HostDark);
  return Start;
}

}  // namespace

void CommitOptions(TOptionsState& S) { CommitOptionValues(ReadOptionControls(S), S.Settings); }

bool ShowOptionsDialog(HWND Parent, const TAppSettings& Current, TLogFormat DetectedFormat, THostDark HostDark,
                       const TTakeSettings& Take) {
  INITCOMMONCONTROLSEX Classes{sizeof(Classes), ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&Classes);
  if (!RegisterOptionClasses()) return false;
  TOptionsState S(StartingSettings(Current, HostDark), Parent, DetectedFormat, HostDark);
  S.Take = Take;
  S.Dpi = DeviceDpi(Parent);
  CreateWindowExW(WS_EX_DLGMODALFRAME, OptionsWindowClass, Caption, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION,
                  CW_USEDEFAULT, CW_USEDEFAULT, Scaled(S, DialogWidth), Scaled(S, DialogHeight), Parent, nullptr,
                  PluginInstance(), &S);
  if (!S.Wnd) return false;
  CreateOptionPages(S);
  CreateDialogButtons(S);
  LayoutOptionPages(S);
  ApplyUIFont(S);
  LoadOptionControls(S);
  ApplyDialogTheme(S);

  std::optional<int> Quit;
  {
    // The whole window the viewer sits in waits, as for any modal dialog of the host, and its
    // keys go back where they went before, such as the viewer's lines.
    const TModalOwner Waiting(Parent ? GetAncestor(Parent, GA_ROOT) : nullptr, true);
    CentreOnParent(S);
    ShowWindow(S.Wnd, SW_SHOW);
    UpdateWindow(S.Wnd);
    if (S.TabCtrl) SetFocus(S.TabCtrl);
    Quit = RunModalLoop(S.Wnd);
  }
  // After a quit request the window is still there; it must not outlive the state.
  if (S.Wnd) DestroyWindow(S.Wnd);
  if (Quit) PostQuitMessage(*Quit);
  return S.Accepted;
}
