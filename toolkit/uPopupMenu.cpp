#include "toolkit/uPopupMenu.h"

void TPopupMenu::AddItem(int Id, const wchar_t* Text, bool Checked) {
  if (Menu) AppendMenuW(Menu, MF_STRING | (Checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(Id), Text);
}

void TPopupMenu::AddSeparator() {
  if (Menu) AppendMenuW(Menu, MF_SEPARATOR, 0, nullptr);
}

void TPopupMenu::CheckRadio(int First, int Last, int Id) {
  if (Menu)
    CheckMenuRadioItem(Menu, static_cast<UINT>(First), static_cast<UINT>(Last), static_cast<UINT>(Id), MF_BYCOMMAND);
}

void TPopupMenu::AddSubmenu(TPopupMenu& Sub, const wchar_t* Text) {
  if (!Menu || !Sub.Menu) return;
  if (AppendMenuW(Menu, MF_POPUP, reinterpret_cast<UINT_PTR>(Sub.Menu), Text)) Sub.Menu = nullptr;
}

int TPopupMenu::Track(HWND Owner, int X, int Y, bool ReturnCommand) {
  if (!Menu || !Owner) return 0;
  SetForegroundWindow(Owner);
  const UINT Flags =
      TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | (ReturnCommand ? TPM_RETURNCMD | TPM_NONOTIFY : 0);
  const int Command = static_cast<int>(TrackPopupMenu(Menu, Flags, X, Y, 0, Owner, nullptr));
  // A menu shown for a window in the background closes at once only after a message reaches it.
  PostMessageW(Owner, WM_NULL, 0, 0);
  return ReturnCommand ? Command : 0;
}
