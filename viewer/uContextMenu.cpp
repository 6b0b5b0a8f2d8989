#include "viewer/uContextMenu.h"

#include <windows.h>

namespace {

class TPopupMenu {
 public:
  TPopupMenu() : Menu(CreatePopupMenu()) {}
  ~TPopupMenu() {
    if (Menu) DestroyMenu(Menu);
  }
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;
  HMENU Get() const { return Menu; }

 private:
  HMENU Menu;
};

void AddItem(HMENU Menu, int Id, const wchar_t* Text, bool Checked = false) {
  AppendMenuW(Menu, MF_STRING | (Checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(Id), Text);
}

}  // namespace

void ShowContextMenu(TSkerrinState& S, int X, int Y) {
  if (!S.Window) return;
  TPopupMenu Menu;
  if (!Menu.Get()) return;
  AddItem(Menu.Get(), IdMenuCopy, L"Copy line");
  AddItem(Menu.Get(), IdMenuCopyAll, L"Copy all visible");
  AppendMenuW(Menu.Get(), MF_SEPARATOR, 0, nullptr);
  AddItem(Menu.Get(), IdMenuLineNumbers, L"Line numbers", S.Settings.ShowLineNumbers);
  AddItem(Menu.Get(), IdMenuWordWrap, L"Word wrap", S.Settings.WordWrap);
  AppendMenuW(Menu.Get(), MF_SEPARATOR, 0, nullptr);
  AddItem(Menu.Get(), IdMenuGoToTime, L"Go to date/time");
  AddItem(Menu.Get(), IdMenuGoToLine, L"Go to line");
  if (X == -1 && Y == -1) {
    POINT Cursor{};
    GetCursorPos(&Cursor);
    X = Cursor.x;
    Y = Cursor.y;
  }
  // Without the foreground the menu would not close when the user clicks elsewhere.
  SetForegroundWindow(S.Window);
  TrackPopupMenu(Menu.Get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, X, Y, 0, S.Window, nullptr);
  // The menu's selection was posted as a command; this makes sure the menu closes at once.
  PostMessageW(S.Window, WM_NULL, 0, 0);
}
