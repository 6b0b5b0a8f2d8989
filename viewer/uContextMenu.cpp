#include "viewer/uContextMenu.h"

#include <windows.h>

#include <string>

#include "model/uLineEncoding.h"
#include "model/uViewFilter.h"
#include "toolkit/uPopupMenu.h"
#include "viewer/uHostWindow.h"

namespace {

std::wstring Wide(const std::string& Ascii) { return std::wstring(Ascii.begin(), Ascii.end()); }

// A check item per level; a level's lines are hidden while its item is not checked.
void AddShowMenu(TPopupMenu& Menu, const TSkerrinState& S) {
  TPopupMenu Show;
  for (int Level = 0; Level < LogLevelCount; ++Level) {
    const auto L = static_cast<TLogLevel>(Level);
    Show.AddItem(IdMenuShowFirst + Level, Wide(ShownLevelName(L)).c_str(), LevelShown(S.Filter.ShownLevels, L));
  }
  Menu.AddSubmenu(Show, L"Show");
}

// One radio item per choice; Automatic says which page the host's switch stands for.
void AddEncodingMenu(TPopupMenu& Menu, const TSkerrinState& S) {
  TPopupMenu Encoding;
  for (int32_t Choice = 0; Choice < EncodingChoiceCount; ++Choice) {
    std::string Name = EncodingChoices[Choice].Name;
    if (Choice == EncodingAutomatic) Name += (S.ShowFlags & lcp_ascii) != 0 ? " (OEM/DOS)" : " (ANSI)";
    // Automatic, the three that follow the system, then the code pages by number.
    if (Choice == EncodingAutomatic + 1 || EncodingChoices[Choice].CodePage == 1250) Encoding.AddSeparator();
    Encoding.AddItem(IdMenuEncodingFirst + Choice, Wide(Name).c_str());
  }
  Encoding.CheckRadio(IdMenuEncodingFirst, IdMenuEncodingFirst + EncodingChoiceCount - 1,
                      IdMenuEncodingFirst + S.EncodingChoice);
  Menu.AddSubmenu(Encoding, L"Encoding");
}

}  // namespace

void ShowContextMenu(TSkerrinState& S, int X, int Y) {
  if (!S.Window) return;
  TPopupMenu Menu;
  if (!Menu.Get()) return;
  Menu.AddItem(IdMenuCopy, L"Copy line");
  Menu.AddItem(IdMenuCopyAll, L"Copy all visible");
  Menu.AddSeparator();
  Menu.AddItem(IdMenuLineNumbers, L"Line numbers", S.Settings.ShowLineNumbers);
  Menu.AddItem(IdMenuWordWrap, L"Word wrap", S.Settings.WordWrap);
  Menu.AddSeparator();
  AddShowMenu(Menu, S);
  AddEncodingMenu(Menu, S);
  Menu.AddSeparator();
  Menu.AddItem(IdMenuGoToTime, L"Go to date/time");
  Menu.AddItem(IdMenuGoToLine, L"Go to line");
  if (X == -1 && Y == -1) {
    POINT Cursor{};
    GetCursorPos(&Cursor);
    X = Cursor.x;
    Y = Cursor.y;
  }
  Menu.Track(S.Window, X, Y, false);
}
