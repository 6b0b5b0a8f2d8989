#pragma once
// A popup menu that one owner builds, shows and destroys: the viewer's context menu and its
// toolbar's "more" menu.

#include <windows.h>

#include <cstdint>

class TPopupMenu {
 public:
  TPopupMenu() : Menu(CreatePopupMenu()) {}
  ~TPopupMenu() {
    if (Menu) DestroyMenu(Menu);
  }
  TPopupMenu(const TPopupMenu&) = delete;
  TPopupMenu& operator=(const TPopupMenu&) = delete;
  HMENU Get() const { return Menu; }

  void AddItem(int Id, const wchar_t* Text, bool Checked = false);
  void AddSeparator();
  // Marks Id, among the items First .. Last, as the one chosen.
  void CheckRadio(int First, int Last, int Id);
  // Sub becomes part of this menu and is destroyed with it.
  void AddSubmenu(TPopupMenu& Sub, const wchar_t* Text);
  // Shows the menu at a screen point for Owner, which is brought to the foreground first
  // (otherwise the menu does not close when the user clicks elsewhere). With ReturnCommand the
  // chosen command is the result (0 for none); otherwise it is posted to Owner as WM_COMMAND.
  int Track(HWND Owner, int X, int Y, bool ReturnCommand);

 private:
  HMENU Menu;
};
