#include "viewer/uPrompt.h"

#include <commctrl.h>

#include <optional>

#include "model/uNavigation.h"
#include "toolkit/uDpi.h"
#include "toolkit/uModalLoop.h"
#include "toolkit/uWinHolders.h"
#include "toolkit/uWindowClass.h"
#include "toolkit/uWindowText.h"

namespace {

constexpr int IdOk = 1;
constexpr int IdCancel = 2;

HBRUSH PromptBackground() { return reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)); }

// One modal popup: its font, its scaling and the loop that runs it.
struct TPopup {
  HWND Owner;
  int Dpi;
  TUiFont Font;
  HWND Window = nullptr;

  explicit TPopup(HWND Owner) : Owner(Owner), Dpi(DeviceDpi(Owner)), Font(TUiFont::NormalGuiFont()) {}
  TPopup(const TPopup&) = delete;
  TPopup& operator=(const TPopup&) = delete;
  ~TPopup() {
    if (Window && IsWindow(Window)) DestroyWindow(Window);
  }

  int Scale(int Value) const { return ScaleBy(Value, Dpi, 96); }

  bool Create(const wchar_t* ClassName, const wchar_t* Title, int Width, int Height, void* State) {
    Window = CreateWindowExW(WS_EX_DLGMODALFRAME, ClassName, Title, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                             Scale(Width), Scale(Height), Owner, nullptr, PluginInstance(), State);
    return Window != nullptr;
  }

  HWND Child(const wchar_t* Class, const wchar_t* Text, DWORD Style, DWORD ExStyle, int Id, int X, int Y, int Width,
             int Height) const {
    HWND Control = CreateWindowExW(ExStyle, Class, Text, WS_CHILD | WS_VISIBLE | Style, Scale(X), Scale(Y),
                                   Scale(Width), Scale(Height), Window,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), PluginInstance(), nullptr);
    if (Control) SendMessageW(Control, WM_SETFONT, reinterpret_cast<WPARAM>(Font.Get()), FALSE);
    return Control;
  }

  void AddButtons(int Y) const {
    Child(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, IdOk, 250, Y, 75, 24);
    Child(L"BUTTON", L"Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, IdCancel, 335, Y, 75, 24);
  }

  // Shows the popup beside its disabled owner and runs until it is closed.
  void Run(HWND FirstFocus) {
    std::optional<int> Quit;
    {
      RECT OwnerRect{};
      if (Owner) GetWindowRect(Owner, &OwnerRect);
      const TModalOwner Waiting(Owner, false);
      SetWindowPos(Window, nullptr, OwnerRect.left + Scale(40), OwnerRect.top + Scale(40), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER);
      ShowWindow(Window, SW_SHOW);
      if (FirstFocus) SetFocus(FirstFocus);
      Quit = RunModalLoop(Window);
    }
    if (IsWindow(Window)) DestroyWindow(Window);
    Window = nullptr;
    if (Quit) PostQuitMessage(*Quit);
  }
};

template <typename TState>
TState* StateOf(HWND Window, UINT Msg, LPARAM LParam) {
  if (Msg == WM_NCCREATE) {
    auto* Create = reinterpret_cast<CREATESTRUCTW*>(LParam);
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Create->lpCreateParams));
  }
  return reinterpret_cast<TState*>(GetWindowLongPtrW(Window, GWLP_USERDATA));
}

bool ReadPicker(HWND Picker, SYSTEMTIME& Time) {
  return Picker && SendMessageW(Picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&Time)) == GDT_VALID;
}

// What OK takes from each prompt.
void Accept(TPromptTextState& State) {
  State.Text = WindowTextU16(State.Edit);
  State.Accepted = true;
}

void Accept(TDateTimePromptState& State) {
  SYSTEMTIME Date{}, Time{};
  double Value = 0;
  if (ReadPicker(State.DatePicker, Date) && ReadPicker(State.TimePicker, Time) &&
      DateTimeFromPrompt(Date.wYear, Date.wMonth, Date.wDay, Time.wHour, Time.wMinute, Time.wSecond, Value)) {
    State.Value = Value;
    State.Accepted = true;
  }
}

// Both prompts: Enter means OK, closing means Cancel; OK accepts and closes.
template <typename TState>
LRESULT CALLBACK PromptProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  try {
    auto* State = StateOf<TState>(Window, Msg, LParam);
    switch (Msg) {
      case DM_GETDEFID:
        return MAKELRESULT(IdOk, DC_HASDEFID);
      case WM_CLOSE:
        DestroyWindow(Window);
        return 0;
      case WM_COMMAND: {
        if (HIWORD(WParam) != 0) break;
        const bool Ok = LOWORD(WParam) == IdOk && State;
        if (!Ok && LOWORD(WParam) != IdCancel) break;
        if (Ok) Accept(*State);
        DestroyWindow(Window);
        return 0;
      }
      default:
        break;
    }
  } catch (...) {
    // Nothing may unwind into the message loop.
  }
  return DefWindowProcW(Window, Msg, WParam, LParam);
}

HWND CreatePicker(const TPopup& Popup, DWORD Style, const wchar_t* Format, int X, int Width) {
  HWND Picker = Popup.Child(DATETIMEPICK_CLASSW, L"", WS_TABSTOP | Style, WS_EX_CLIENTEDGE, 0, X, 34, Width, 24);
  if (!Picker) return nullptr;
  SendMessageW(Picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(Format));
  SYSTEMTIME Now{};
  GetLocalTime(&Now);
  SendMessageW(Picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&Now));
  return Picker;
}

}  // namespace

bool PromptText(HWND Owner, const wchar_t* Title, const wchar_t* Label, const std::u16string& Initial,
                std::u16string& Text) {
  if (!RegisterPluginClass(PromptClassName, PromptProc<TPromptTextState>, 0, PromptBackground())) return false;
  TPromptTextState State;
  TPopup Popup(Owner);
  if (!Popup.Create(PromptClassName, Title, 430, 150, &State)) return false;
  Popup.Child(L"STATIC", Label, 0, 0, -1, 10, 10, 400, 18);
  State.Edit = Popup.Child(L"EDIT", reinterpret_cast<const wchar_t*>(Initial.c_str()), WS_TABSTOP | ES_AUTOHSCROLL,
                           WS_EX_CLIENTEDGE, 100, 10, 34, 400, 24);
  if (State.Edit) SendMessageW(State.Edit, EM_SETSEL, 0, -1);
  Popup.AddButtons(72);
  Popup.Run(State.Edit);
  if (!State.Accepted) return false;
  Text = State.Text;
  return true;
}

bool PromptDateTime(HWND Owner, double& Value) {
  INITCOMMONCONTROLSEX Controls{sizeof(Controls), ICC_DATE_CLASSES};
  InitCommonControlsEx(&Controls);
  if (!RegisterPluginClass(DateTimePromptClassName, PromptProc<TDateTimePromptState>, 0, PromptBackground()))
    return false;
  TDateTimePromptState State;
  TPopup Popup(Owner);
  if (!Popup.Create(DateTimePromptClassName, L"Go to date/time", 430, 170, &State)) return false;
  Popup.Child(L"STATIC", L"Select date and time:", 0, 0, -1, 10, 10, 380, 18);
  State.DatePicker = CreatePicker(Popup, DTS_SHORTDATEFORMAT, L"yyyy-MM-dd", 10, 170);
  State.TimePicker = CreatePicker(Popup, DTS_TIMEFORMAT, L"HH:mm:ss", 190, 120);
  Popup.AddButtons(96);
  Popup.Run(State.DatePicker);
  if (!State.Accepted) return false;
  Value = State.Value;
  return true;
}
