// The viewer's status bar, copying, context menu, prompts and navigation, driven through the
// plug-in's exports and the messages the user's actions produce.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/uPlatformWide.h"
#include "uTestSupport.h"
#include "win/uWinTestSupport.h"

namespace {

using TLines = std::vector<std::wstring>;

std::wstring Row(int Entry) {
  static const TLines Rows = SplitCrLf(WideFromUtf8(TenLevelLines));
  return Rows[static_cast<size_t>(Entry)];
}

std::wstring ThousandsSeparator() {
  wchar_t Text[8] = L"";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, Text, 8);
  return Text;
}

class ViewerFeatures : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(SharedPlugin().Handle(), nullptr); }
};

TEST_F(ViewerFeatures, StatusPartsSummariseTheFileAndCountTheVisibleLevels) {
  std::string Big = TenLevelLines;
  int Fillers = 0;
  while (Big.size() < 1000) Big += "2024-01-01 10:01:00 INFO filler line number " + std::to_string(Fillers++) + "\r\n";
  TTempLog Log(Big, L"skerrin_st\u00E4tus.log");
  TPluginViewer V(Log.Path());
  ASSERT_LT(Big.size(), 1100u);
  const std::wstring Lines = L"Lines: " + std::to_wstring(10 + Fillers);
  wchar_t Hundreds[8];
  swprintf(Hundreds, 8, L"%03d", static_cast<int>(Big.size() - 1000));
  const std::wstring Rest =
      L" | skerrin_st\u00E4tus.log | 1" + ThousandsSeparator() + Hundreds + L" Byte | Format: Log4x";
  struct TCase {
    const wchar_t* Filter;
    std::wstring Left;
    std::wstring Right;
  };
  const TCase Cases[] = {
      {L"", Lines + Rest,
       L"E: 2 (2024-01-01 10:00:07)  W: 1 (2024-01-01 10:00:05)  I: " + std::to_wstring(6 + Fillers) +
           L" (2024-01-01 10:01:00)"},
      {L"err", Lines + L" | Visible: 2" + Rest, L"E: 2 (2024-01-01 10:00:07)  W: 0 (-)  I: 0 (-)"},
      {L"nothing", Lines + L" | Visible: 0" + Rest, L"E: 0 (-)  W: 0 (-)  I: 0 (-)"},
  };
  for (const TCase& C : Cases) {
    V.Filter(C.Filter);
    EXPECT_EQ(V.StatusPart(0), C.Left) << "filter '" << C.Filter << "'";
    EXPECT_EQ(V.StatusPart(1), C.Right) << "filter '" << C.Filter << "'";
  }
  V.Filter(L"");
}

// The counters of a real log, whose full texts are wider than their part, at the default and a
// narrow width, in the dark look.
TEST_F(ViewerFeatures, CountersNeverClipAndTheDarkBarShowsNoLightLine) {
  const std::string Path = TestDataPath("loghub/Zookeeper_2k.log");
  for (int Width : {1100, 600}) {
    TPluginViewer V(std::wstring(Path.begin(), Path.end()), 128, true, Width, 300);
    HWND Bar = V.Control(IdStatusBar);
    RECT Summary{}, Counters{};
    SendMessageW(Bar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&Summary));
    SendMessageW(Bar, SB_GETRECT, 1, reinterpret_cast<LPARAM>(&Counters));
    const COLORREF Back = ClientPixel(Bar, Summary.left + 1, Summary.top);
    HDC Screen = GetDC(nullptr);
    auto Pixel = [&](int X, int Y) {
      POINT P{X, Y};
      ClientToScreen(Bar, &P);
      return GetPixel(Screen, P.x, P.y);
    };
    int Foreign = 0;
    for (int Y = Counters.top; Y < Counters.bottom; ++Y) {
      for (int X = Summary.right; X < Counters.left; ++X) Foreign += Pixel(X, Y) != Back;        // the gap
      for (int X = Counters.right - 3; X < Counters.right; ++X) Foreign += Pixel(X, Y) != Back;  // no cut text
    }
    ReleaseDC(nullptr, Screen);
    EXPECT_EQ(Foreign, 0) << "width " << Width;
  }
}

TEST_F(ViewerFeatures, CopyingPutsTheRowsOnTheClipboard) {
  TTempLog Log(TenLevelLines, L"skerrin_copy.log");
  TPluginViewer V(Log.Path());
  struct TCase {
    const char* Name;
    std::vector<int> Selected;
    int Caret;
    int Command;
    std::wstring Expected;
  };
  const TCase Cases[] = {
      {"two rows selected", {3, 5}, 5, IdMenuCopy, Row(3) + L"\r\n" + Row(5) + L"\r\n"},
      {"one row selected", {7}, 7, IdMenuCopy, Row(7) + L"\r\n"},
  };
  for (const TCase& C : Cases) {
    PutOnClipboard(L"before");
    V.SelectRows(C.Selected, C.Caret);
    V.Command(C.Command);
    EXPECT_EQ(ClipboardText(), C.Expected) << C.Name;
  }
  // Ctrl+C in the list does what "Copy line" does.
  V.SelectRows({1, 2}, 2);
  PutOnClipboard(L"before");
  HWND List = V.Control(IdList);
  BYTE Keys[256];
  GetKeyboardState(Keys);
  BYTE Pressed[256];
  memcpy(Pressed, Keys, sizeof Pressed);
  Pressed[VK_CONTROL] = 0x80;
  SetKeyboardState(Pressed);
  SendMessageW(List, WM_KEYDOWN, 'C', 1);
  SetKeyboardState(Keys);
  EXPECT_EQ(ClipboardText(), Row(1) + L"\r\n" + Row(2) + L"\r\n");

  V.Filter(L"step");
  PutOnClipboard(L"before");
  V.Command(IdMenuCopyAll);
  EXPECT_EQ(ClipboardText(), Row(1) + L"\r\n" + Row(4) + L"\r\n" + Row(6) + L"\r\n" + Row(8) + L"\r\n");
  V.Filter(L"nothing at all");
  PutOnClipboard(L"before");
  V.Command(IdMenuCopyAll);
  V.Command(IdMenuCopy);
  EXPECT_EQ(ClipboardText(), L"before") << "an empty view copies nothing";
  V.Filter(L"");
}

TEST_F(ViewerFeatures, LevelJumpsStayInsideTheFilterAndSwitchFollowOff) {
  TTempLog Log(TenLevelLines, L"skerrin_jumps.log");
  TPluginViewer V(Log.Path());
  V.Click(IdFollowBox, true);
  V.Filter(L"s");  // hides "detail" and "done": rows 0..7 are entries 0,1,3,4,5,6,7,8
  ASSERT_EQ(V.Rows(), 8);
  struct TStep {
    int Command;
    int Row;  // selected afterwards
  };
  // From row 0: next error, next error, next error (none left), previous warning, next info,
  // previous info twice, previous error (none before row 2).
  const TStep Steps[] = {{IdNextError, 2}, {IdNextError, 6}, {IdNextError, 6}, {IdPrevWarn, 4},
                         {IdNextInfo, 5},  {IdPrevInfo, 3},  {IdPrevInfo, 1},  {IdPrevError, 1}};
  V.SelectRows({0}, 0);
  for (const TStep& Step : Steps) {
    SendMessageW(V.Control(IdFollowBox), BM_SETCHECK, BST_CHECKED, 0);
    V.Command(Step.Command);
    EXPECT_EQ(V.SelectedRows(), std::vector<int>{Step.Row}) << "command " << Step.Command;
    EXPECT_FALSE(V.Checked(IdFollowBox)) << "command " << Step.Command;
  }
  V.Filter(L"");
}

TEST_F(ViewerFeatures, RepeatKeySearchesAgainOnlyAfterASearch) {
  TTempLog Log(TenLevelLines, L"skerrin_repeat.log");
  TPluginViewer V(Log.Path());
  HWND List = V.Control(IdList);
  THostWindow::Keys().clear();
  SendMessageW(List, WM_KEYDOWN, VK_F3, 1);
  bool Forwarded = false;
  for (const auto& K : THostWindow::Keys()) Forwarded = Forwarded || K.Key == VK_F3;
  EXPECT_TRUE(Forwarded) << "F3 before any search goes to the host";
}

// Types into the open text prompt and presses OK.
void AnswerLinePrompt(const wchar_t* Typed) {
  HWND Prompt = FindWindowW(L"WLXLogPromptWnd2", nullptr);
  ASSERT_NE(Prompt, nullptr);
  wchar_t Title[64] = L"";
  GetWindowTextW(Prompt, Title, 64);
  EXPECT_STREQ(Title, L"Go to line");
  SetWindowTextW(FindWindowExW(Prompt, nullptr, L"Edit", nullptr), Typed);
  SendMessageW(Prompt, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
}

TEST_F(ViewerFeatures, GoToLinePromptSelectsTheFirstVisibleLineAtOrAfterTheNumber) {
  std::string Text;
  for (int I = 1; I <= 300; ++I)
    Text += "2024-02-02 12:00:00 INFO entry " + std::to_string(I) + (I >= 200 && I <= 260 ? "" : " shown") + "\r\n";
  TTempLog Log(Text, L"skerrin_goto.log");
  TPluginViewer V(Log.Path());
  V.Filter(L"shown");  // rows 0..198 are lines 1..199, row 199 is line 261
  ASSERT_EQ(V.Rows(), 239);
  auto Prompt = [&V](const wchar_t* Typed) {
    return WithinModalLoop([&V] { V.Command(IdMenuGoToLine); }, [Typed] { AnswerLinePrompt(Typed); });
  };
  struct TCase {
    const wchar_t* Typed;
    int Row;
  };
  const TCase Cases[] = {{L" 42 ", 41}, {L"250", 199},    {L"abc", 199}, {L"0", 199},
                         {L"-3", 199},  {L"100000", 199}, {L"1", 0}};
  for (const TCase& C : Cases) {
    SendMessageW(V.Control(IdFollowBox), BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_TRUE(Prompt(C.Typed));
    EXPECT_EQ(V.SelectedRows(), std::vector<int>{C.Row}) << "typed '" << C.Typed << "'";
    const bool Number = C.Typed[0] != L'a';
    EXPECT_EQ(V.Checked(IdFollowBox), !Number) << "typed '" << C.Typed << "': only a number switches follow off";
  }
  // Cancel leaves everything as it was.
  SendMessageW(V.Control(IdFollowBox), BM_SETCHECK, BST_CHECKED, 0);
  ASSERT_TRUE(WithinModalLoop([&V] { V.Command(IdMenuGoToLine); },
                              [] {
                                HWND Prompt = FindWindowW(L"WLXLogPromptWnd2", nullptr);
                                SendMessageW(Prompt, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), 0);
                              }));
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{0});
  EXPECT_TRUE(V.Checked(IdFollowBox));
  EXPECT_TRUE(IsWindowEnabled(V.Window())) << "the owner is enabled again";
  V.Filter(L"");
}

TEST_F(ViewerFeatures, GoToDateTimePromptSelectsTheFirstLineNotEarlier) {
  TTempLog Log(TenLevelLines, L"skerrin_gotime.log");
  TPluginViewer V(Log.Path());
  auto Answer = [&V](const SYSTEMTIME& Chosen) {
    return WithinModalLoop([&V] { V.Command(IdMenuGoToTime); },
                           [&Chosen] {
                             HWND Prompt = FindWindowW(L"WLXLogDateTimeWnd2", nullptr);
                             ASSERT_NE(Prompt, nullptr);
                             HWND Date = FindWindowExW(Prompt, nullptr, L"SysDateTimePick32", nullptr);
                             HWND Time = FindWindowExW(Prompt, Date, L"SysDateTimePick32", nullptr);
                             ASSERT_TRUE(Date && Time);
                             SYSTEMTIME D = Chosen;
                             D.wHour = D.wMinute = D.wSecond = 0;
                             SYSTEMTIME T = Chosen;
                             T.wYear = 2000;  // the time control's date does not count
                             SendMessageW(Date, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&D));
                             SendMessageW(Time, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&T));
                             SendMessageW(Prompt, WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
                           });
  };
  struct TCase {
    SYSTEMTIME Chosen;
    int Row;
  };
  const TCase Cases[] = {
      {{2024, 1, 0, 1, 10, 0, 4, 0}, 4},    // exactly a line's time
      {{2023, 12, 0, 31, 23, 0, 0, 0}, 0},  // the day before: the first line
      {{2024, 1, 0, 1, 10, 0, 7, 0}, 7},
      {{2024, 1, 0, 1, 10, 0, 10, 0}, 7},  // later than every line: the selection stays
  };
  for (const TCase& C : Cases) {
    SendMessageW(V.Control(IdFollowBox), BM_SETCHECK, BST_CHECKED, 0);
    ASSERT_TRUE(Answer(C.Chosen));
    EXPECT_EQ(V.SelectedRows(), std::vector<int>{C.Row}) << C.Chosen.wDay << " " << C.Chosen.wSecond;
    EXPECT_FALSE(V.Checked(IdFollowBox));
  }
}

// The open context menu, read while its own loop runs.
struct TMenuSeen {
  std::vector<UINT> Ids;
  std::vector<std::wstring> Texts;
  std::vector<bool> Checked;
  // The items of the submenus, one after the other, as "Submenu/Item".
  std::vector<UINT> SubIds;
  std::vector<std::wstring> SubTexts;
  std::vector<bool> SubChecked;
  RECT Where{};
};

TMenuSeen OpenContextMenu(TPluginViewer& V, LPARAM Position, const wchar_t* ShotName = nullptr) {
  TMenuSeen Seen;
  WithinModalLoop(
      [&] { SendMessageW(V.Window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(V.Control(IdList)), Position); },
      [&] {
        HWND Popup = FindWindowW(L"#32768", nullptr);
        if (!Popup) return;
        GetWindowRect(Popup, &Seen.Where);
        auto Menu = reinterpret_cast<HMENU>(SendMessageW(Popup, MN_GETHMENU, 0, 0));
        for (int I = 0; I < GetMenuItemCount(Menu); ++I) {
          wchar_t Text[64] = L"";
          GetMenuStringW(Menu, static_cast<UINT>(I), Text, 64, MF_BYPOSITION);
          Seen.Ids.push_back(GetMenuItemID(Menu, I));
          Seen.Texts.push_back(Text);
          Seen.Checked.push_back((GetMenuState(Menu, static_cast<UINT>(I), MF_BYPOSITION) & MF_CHECKED) != 0);
          HMENU Sub = GetSubMenu(Menu, I);
          for (int J = 0; Sub && J < GetMenuItemCount(Sub); ++J) {
            wchar_t SubText[64] = L"";
            GetMenuStringW(Sub, static_cast<UINT>(J), SubText, 64, MF_BYPOSITION);
            Seen.SubIds.push_back(GetMenuItemID(Sub, J));
            Seen.SubTexts.push_back(std::wstring(Text) + L"/" + SubText);
            Seen.SubChecked.push_back((GetMenuState(Sub, static_cast<UINT>(J), MF_BYPOSITION) & MF_CHECKED) != 0);
          }
        }
        if (ShotName) {
          RedrawWindow(Popup, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
          SaveScreenShot(ShotName);
        }
        EndMenu();
      });
  return Seen;
}

// Lines with an error every tenth line, from line 3 on.
std::string ErrorEveryTenthLine(int Count) {
  std::string Text;
  for (int I = 0; I < Count; ++I)
    Text +=
        "2024-01-01 10:00:00 " + std::string(I % 10 == 3 ? "ERROR" : "INFO") + " line " + std::to_string(I) + "\r\n";
  return Text;
}

TEST_F(ViewerFeatures, WordWrapOnAndOffKeepsTheSelectionAndThePlace) {
  const TTempLog Log(ErrorEveryTenthLine(400), L"skerrin_wrap_place.log");
  TPluginViewer V(Log.Path(), 0, true, 800, 500);
  V.Filter(L"error");
  ASSERT_EQ(V.Rows(), 40);
  V.SelectRows({20, 22, 23}, 23);
  SendMessageW(V.Control(IdList), LB_SETTOPINDEX, 15, 0);
  SetActiveWindow(V.HostWindow().Top());
  SetFocus(V.Control(IdList));
  for (const wchar_t* Control : {L"WLXSkerrin64WrapView", L"ListBox"}) {
    V.Command(IdMenuWordWrap);
    ASSERT_EQ(ClassOf(V.Control(IdList)), Control);
    EXPECT_EQ(V.Rows(), 40) << "the filter stays";
    EXPECT_EQ(V.SelectedRows(), (std::vector<int>{20, 22, 23})) << Control;
    EXPECT_EQ(V.CaretRow(), 23) << Control;
    EXPECT_EQ(V.TopRow(), 15) << Control << ": the first visible line stays";
    EXPECT_EQ(GetFocus(), V.Control(IdList)) << Control << ": the new control has the focus the old one had";
  }
  V.Filter(L"");
}

TEST_F(ViewerFeatures, ContextMenuOffersItsCommandsWhereAsked) {
  TTempLog Log(TenLevelLines, L"skerrin_menu.log");
  TPluginViewer V(Log.Path(), 0, true);
  const TMenuSeen Seen = OpenContextMenu(V, MAKELPARAM(200, 150));
  constexpr UINT Sub = 0xFFFFFFFF;
  const std::vector<UINT> Ids = {IdMenuCopy, IdMenuCopyAll, 0, IdMenuLineNumbers, IdMenuWordWrap, 0,
                                 Sub,        Sub,           0, IdMenuGoToTime,    IdMenuGoToLine};
  const std::vector<std::wstring> Texts = {
      L"Copy line", L"Copy all visible", L"", L"Line numbers",    L"Word wrap", L"",
      L"Show",      L"Encoding",         L"", L"Go to date/time", L"Go to line"};
  EXPECT_EQ(Seen.Ids, Ids);
  EXPECT_EQ(Seen.Texts, Texts);
  ASSERT_EQ(Seen.Checked.size(), Ids.size());
  EXPECT_EQ(Seen.Checked[3], V.Checked(IdLineNumBox)) << "Line numbers checked as the Line# box";
  EXPECT_FALSE(Seen.Checked[4]) << "no word wrap";
  // Every level is shown at first; Automatic reads as the host's switch says.
  const std::vector<std::wstring> Levels = {L"Show/Errors", L"Show/Warnings", L"Show/Infos",
                                            L"Show/Debug",  L"Show/Trace",    L"Show/Other lines"};
  ASSERT_GE(Seen.SubIds.size(), Levels.size() + 2);
  for (size_t I = 0; I < Levels.size(); ++I) {
    EXPECT_EQ(Seen.SubIds[I], static_cast<UINT>(IdMenuShowFirst + I));
    EXPECT_EQ(Seen.SubTexts[I], Levels[I]);
    EXPECT_TRUE(Seen.SubChecked[I]) << I;
  }
  EXPECT_EQ(Seen.SubTexts[Levels.size()], L"Encoding/Automatic (ANSI)");
  EXPECT_TRUE(Seen.SubChecked[Levels.size()]);
  EXPECT_EQ(Seen.Where.left, 200);
  EXPECT_EQ(Seen.Where.top, 150);

  // A keyboard request opens it at the mouse cursor.
  SetCursorPos(320, 240);
  POINT Cursor{};
  GetCursorPos(&Cursor);
  const TMenuSeen ByKey = OpenContextMenu(V, MAKELPARAM(-1, -1));
  EXPECT_EQ(ByKey.Where.left, Cursor.x);
  EXPECT_EQ(ByKey.Where.top, Cursor.y);

  // "Line numbers" toggles the setting and the box together.
  const bool Before = V.Checked(IdLineNumBox);
  V.Command(IdMenuLineNumbers);
  EXPECT_NE(V.Checked(IdLineNumBox), Before);
  SetCursorPos(0, 0);  // a submenu under the cursor would open over the menu
  const TMenuSeen After = OpenContextMenu(V, MAKELPARAM(200, 150));
  ASSERT_EQ(After.Checked.size(), Ids.size());
  EXPECT_EQ(After.Checked[3], !Before);
  V.Command(IdMenuLineNumbers);
  EXPECT_EQ(V.Checked(IdLineNumBox), Before);
}

// Not a check: pictures of the status bar in both themes and of the open menu, written when
// SKERRIN_SHOT_DIR names a folder.
TEST_F(ViewerFeatures, ScreenShotsForLookingAt) {
  TTempLog Log(TenLevelLines, L"skerrin_shots.log");
  for (int Flags : {0, 128}) {
    TPluginViewer V(Log.Path(), Flags, true, 900, 400);
    SendMessageW(V.Control(IdList), LB_SETSEL, TRUE, 3);
    PumpMessages(100);
    RedrawWindow(V.HostWindow().Top(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages(100);
    SaveScreenShot(Flags ? L"viewer_dark" : L"viewer_light");
    if (Flags == 0) OpenContextMenu(V, MAKELPARAM(150, 120), L"context_menu");
  }
}

}  // namespace
