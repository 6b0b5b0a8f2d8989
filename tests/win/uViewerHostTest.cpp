// The plug-in as the file manager drives it: loaded with LoadLibrary, given a lister window,
// a file and flags, and then used through its exports and the messages its controls receive.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include "win/uWinTestSupport.h"

namespace {
using TListSetDefaultParams = void(WINAPI*)(void*);

class ViewerHost : public ::testing::Test {
 protected:
  // One load for the suite, as the host keeps the plug-in. It is a copy in a folder of its
  // own, so that other suites still see their own load and unload of the original.
  static void SetUpTestSuite() {
    Plugin = std::make_unique<TPluginCopy>(L"SkerrinViewerHostTest");
    Library = Plugin->Handle();
  }
  static void TearDownTestSuite() {
    Library = nullptr;
    Plugin.reset();
  }
  template <typename F>
  static F Export(const char* Name) {
    return ExportOf<F>(Library, Name);
  }
  static inline std::unique_ptr<TPluginCopy> Plugin;
  static inline HMODULE Library = nullptr;

  void SetUp() override {
    ASSERT_NE(Library, nullptr);
    Load = Export<TListLoadW>("ListLoadW");
    LoadNext = Export<TListLoadNextW>("ListLoadNextW");
    Close = Export<TListCloseWindow>("ListCloseWindow");
    ASSERT_TRUE(Load && LoadNext && Close);
  }
  HWND Open(const THostWindow& Host, const TTempLog& Log, int Flags = 0) {
    std::wstring Name = Log.Path();
    HWND Viewer = Load(Host.Parent(), Name.data(), Flags);
    PumpMessages(30);
    WaitForLoad(Viewer);
    return Viewer;
  }
  static int Rows(HWND Viewer) {
    return static_cast<int>(SendMessageW(FindControl(Viewer, IdList), LB_GETCOUNT, 0, 0));
  }
  static void Type(HWND Viewer, int Id, const wchar_t* Text) { SetWindowTextW(FindControl(Viewer, Id), Text); }
  static int SelectedRow(HWND Viewer) {
    HWND List = FindControl(Viewer, IdList);
    int First = -1;
    return SendMessageW(List, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&First)) == 1 ? First : -1;
  }

  TListLoadW Load = nullptr;
  TListLoadNextW LoadNext = nullptr;
  TListCloseWindow Close = nullptr;
};

TEST_F(ViewerHost, AllSevenExportsAreThereByPlainName) {
  for (const char* Name : {"ListLoad", "ListLoadW", "ListLoadNext", "ListLoadNextW", "ListCloseWindow",
                           "ListGetDetectString", "ListSetDefaultParams"})
    EXPECT_NE(GetProcAddress(Library, Name), nullptr) << Name;
}

TEST_F(ViewerHost, CreatesTheViewerWithItsControlsInsideTheListerWindow) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  ASSERT_NE(Viewer, nullptr);
  EXPECT_EQ(ClassOf(Viewer), L"WLXSkerrin64Window");
  EXPECT_EQ(GetParent(Viewer), Host.Top());
  EXPECT_TRUE(GetWindowLongPtrW(Viewer, GWL_STYLE) & WS_VISIBLE);
  RECT Client{}, Own{};
  GetClientRect(Host.Top(), &Client);
  GetWindowRect(Viewer, &Own);
  EXPECT_EQ(Own.right - Own.left, Client.right);
  EXPECT_EQ(Own.bottom - Own.top, Client.bottom);

  struct Expected {
    int Id;
    const wchar_t* Class;
    const wchar_t* Text;
  };
  const Expected Controls[] = {
      {IdList, L"ListBox", nullptr},
      {IdPrevError, L"Button", L"<E"},
      {IdNextError, L"Button", L"E>"},
      {IdPrevWarn, L"Button", L"<W"},
      {IdNextWarn, L"Button", L"W>"},
      {IdPrevInfo, L"Button", L"<I"},
      {IdNextInfo, L"Button", L"I>"},
      {IdTailBox, L"Button", L""},
      {IdFollowBox, L"Button", L""},
      {IdOptions, L"Button", L"Options"},
      {IdLineNumBox, L"Button", L""},
      {IdSyncBox, L"Button", L""},
      {IdFilterEdit, L"Edit", L""},
      {IdLookEdit, L"Edit", L"0"},
      {IdFormatCombo, L"ComboBox", nullptr},
      {IdLookUpDown, L"msctls_updown32", nullptr},
      {IdStatusBar, L"msctls_statusbar32", nullptr},
      {IdClearFilter, L"Static", nullptr},
  };
  for (const Expected& E : Controls) {
    HWND Control = FindControl(Viewer, E.Id);
    ASSERT_NE(Control, nullptr) << E.Id;
    EXPECT_EQ(lstrcmpiW(ClassOf(Control).c_str(), E.Class), 0) << E.Id << " is " << ClassOf(Control).size();
    if (E.Text) {
      EXPECT_EQ(TextOf(Control), E.Text) << E.Id;
    }
  }
  // The clear button sits inside the filter box.
  EXPECT_EQ(GetParent(FindControl(Viewer, IdClearFilter)), FindControl(Viewer, IdFilterEdit));
  HWND Combo = FindControl(Viewer, IdFormatCombo);
  EXPECT_EQ(SendMessageW(Combo, CB_GETCOUNT, 0, 0), 12);
  EXPECT_EQ(SendMessageW(Combo, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(Rows(Viewer), 10);
  EXPECT_EQ(SelectedRow(Viewer), 0);
  EXPECT_EQ(SendMessageW(FindControl(Viewer, IdLineNumBox), BM_GETCHECK, 0, 0), BST_CHECKED);
  Close(Viewer);
  EXPECT_FALSE(IsWindow(Viewer));
}

TEST_F(ViewerHost, FilterAndContextRebuildTheRowsAfterTheTypingPause) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  ASSERT_NE(Viewer, nullptr);
  struct Case {
    const wchar_t* Filter;
    const wchar_t* Context;
    int Rows;
  };
  const Case Cases[] = {
      {L"err", L"0", 2},  {L"err", L"2", 6}, {L"err", L"-2", 6}, {L"err", L"3", 7}, {L"nothing like it", L"0", 0},
      {L"STEP", L"0", 4}, {L"", L"0", 10},
  };
  for (const Case& C : Cases) {
    Type(Viewer, IdLookEdit, C.Context);
    Type(Viewer, IdFilterEdit, C.Filter);
    PumpMessages(200);
    EXPECT_EQ(Rows(Viewer), C.Rows) << "filter '" << C.Filter << "' context " << C.Context;
  }
  Type(Viewer, IdLookEdit, L"0");
  PumpMessages(200);
  Close(Viewer);
}

TEST_F(ViewerHost, TypingIsDebouncedUntilThePause) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  const DWORD Start = GetTickCount();
  Type(Viewer, IdFilterEdit, L"e");
  Type(Viewer, IdFilterEdit, L"er");
  Type(Viewer, IdFilterEdit, L"err");
  PumpMessages(30);
  // On a loaded machine the pump itself can outlast the pause; only a short one tells.
  if (GetTickCount() - Start < 100) {
    EXPECT_EQ(Rows(Viewer), 10) << "rebuilt before the pause";
  }
  PumpMessages(200);
  EXPECT_EQ(Rows(Viewer), 2);
  Close(Viewer);
}

TEST_F(ViewerHost, SelectionFollowsItsLineAcrossRebuilds) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  Type(Viewer, IdFilterEdit, L"err");
  PumpMessages(200);
  ASSERT_EQ(Rows(Viewer), 2);
  HWND List = FindControl(Viewer, IdList);
  // Select the second match (entry 7), then clear the filter with the clear button's command.
  SendMessageW(List, LB_SETSEL, FALSE, -1);
  SendMessageW(List, LB_SETSEL, TRUE, 1);
  SendMessageW(List, LB_SETCARETINDEX, 1, FALSE);
  SendMessageW(Viewer, WM_COMMAND, MAKEWPARAM(IdClearFilter, 0),
               reinterpret_cast<LPARAM>(FindControl(Viewer, IdClearFilter)));
  PumpMessages(200);
  EXPECT_EQ(Rows(Viewer), 10);
  EXPECT_EQ(SelectedRow(Viewer), 7);
  EXPECT_EQ(TextOf(FindControl(Viewer, IdFilterEdit)), L"");
  // Filtering again keeps entry 7, now on row 1.
  Type(Viewer, IdFilterEdit, L"disk");
  PumpMessages(200);
  EXPECT_EQ(Rows(Viewer), 1);
  EXPECT_EQ(SelectedRow(Viewer), 0);
  Close(Viewer);
}

TEST_F(ViewerHost, LoadNextReplacesTheFileAndAFailedLoadLeavesAnEmptyUsableView) {
  TTempLog Log(TenLevelLines);
  TTempLog Other("one\r\ntwo\r\nthree\r\n", L"skerrin_view_other.log");
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  Type(Viewer, IdFilterEdit, L"err");
  PumpMessages(200);
  std::wstring OtherName = Other.Path();
  EXPECT_EQ(LoadNext(Host.Top(), Viewer, OtherName.data(), 0), 0);
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(Rows(Viewer), 3) << "a reload shows the whole file";
  EXPECT_EQ(TextOf(FindControl(Viewer, IdFilterEdit)), L"");

  std::wstring Missing = L"C:\\no\\such\\folder\\missing.log";
  EXPECT_EQ(LoadNext(Host.Top(), Viewer, Missing.data(), 0), 1);
  EXPECT_EQ(Rows(Viewer), 0);
  EXPECT_TRUE(IsWindow(Viewer));
  // The empty view stays usable: typing, keys and painting do nothing harmful.
  Type(Viewer, IdFilterEdit, L"x");
  PumpMessages(200);
  SendMessageW(FindControl(Viewer, IdList), WM_KEYDOWN, VK_DOWN, 0);
  UpdateWindow(Viewer);
  EXPECT_EQ(Rows(Viewer), 0);

  EXPECT_EQ(LoadNext(Host.Top(), Viewer, nullptr, 0), 1);
  std::wstring Empty;
  EXPECT_EQ(LoadNext(Host.Top(), Viewer, Empty.data(), 0), 1);
  EXPECT_EQ(LoadNext(Host.Top(), Host.Top(), OtherName.data(), 0), 1) << "not a viewer window";
  EXPECT_EQ(LoadNext(Host.Top(), Viewer, OtherName.data(), 0), 0);
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(Rows(Viewer), 3);
  Close(Viewer);
}

TEST_F(ViewerHost, AnsiExportsLoadAndReloadToo) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  auto LoadA = Export<TListLoad>("ListLoad");
  auto LoadNextA = Export<TListLoadNext>("ListLoadNext");
  auto Defaults = Export<TListSetDefaultParams>("ListSetDefaultParams");
  ASSERT_TRUE(LoadA && LoadNextA && Defaults);
  struct {
    int Size;
    DWORD Low, High;
    char Ini[MAX_PATH];
  } Params{sizeof(Params), 0, 2, "c:\\wincmd.ini"};
  Defaults(&Params);
  char Name[MAX_PATH];
  WideCharToMultiByte(CP_ACP, 0, Log.Path().c_str(), -1, Name, MAX_PATH, nullptr, nullptr);
  HWND Viewer = LoadA(Host.Top(), Name, 0);
  ASSERT_NE(Viewer, nullptr);
  // The rows come from the background load.
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(Rows(Viewer), 10);
  EXPECT_EQ(LoadNextA(Host.Top(), Viewer, Name, 0), 0);
  char Missing[] = "c:\\missing\\nothing.log";
  EXPECT_EQ(LoadNextA(Host.Top(), Viewer, Missing, 0), 1);
  Close(Viewer);
}

TEST_F(ViewerHost, ListerWindowIsSubclassedWhileTheViewerLivesAndRestoredAfter) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  const auto Original = GetWindowLongPtrW(Host.Top(), GWLP_WNDPROC);
  HWND Viewer = Open(Host, Log);
  EXPECT_NE(GetPropW(Host.Top(), L"WLX_SKERRIN_PARENT_STATE"), nullptr);
  EXPECT_NE(GetWindowLongPtrW(Host.Top(), GWLP_WNDPROC), Original);
  Close(Viewer);
  EXPECT_EQ(GetPropW(Host.Top(), L"WLX_SKERRIN_PARENT_STATE"), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(Host.Top(), GWLP_WNDPROC), Original);
  // Closing twice, or a null handle, is harmless.
  Close(Viewer);
  Close(nullptr);
}

TEST_F(ViewerHost, DestroyingTheListerWindowTearsTheViewerDown) {
  TTempLog Log(TenLevelLines);
  auto Host = std::make_unique<THostWindow>();
  HWND Viewer = Open(*Host, Log);
  ASSERT_NE(Viewer, nullptr);
  Host.reset();
  EXPECT_FALSE(IsWindow(Viewer));
}

TEST_F(ViewerHost, QuickViewPanelIsLeftAlone) {
  TTempLog Log(TenLevelLines);
  THostWindow Host(true);
  const auto Original = GetWindowLongPtrW(Host.Parent(), GWLP_WNDPROC);
  HWND Viewer = Open(Host, Log);
  ASSERT_NE(Viewer, nullptr);
  EXPECT_EQ(GetPropW(Host.Parent(), L"WLX_SKERRIN_PARENT_STATE"), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(Host.Parent(), GWLP_WNDPROC), Original);
  // ESC in the list is not handed to the host from a quick view.
  THostWindow::Keys().clear();
  SendMessageW(FindControl(Viewer, IdList), WM_KEYDOWN, VK_ESCAPE, 0);
  PumpMessages(30);
  for (const auto& K : THostWindow::Keys()) EXPECT_NE(K.Key, static_cast<WPARAM>(VK_ESCAPE));
  Close(Viewer);
}

// In the quick-view panel the user moves through the file list while the host loads file after
// file into the viewer: loads and tail ticks must leave the focus there; a click takes it.
TEST_F(ViewerHost, InTheQuickViewPanelOnlyAClickTakesTheFocus) {
  TGrowingLog Log(L"skerrin_quick_first.log", TenLevelLines);
  TGrowingLog Next(L"skerrin_quick_next.log", TenLevelLines);
  THostWindow Host(true, 900, 500, true);
  const HWND FileList = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, Host.Top(), nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
  // The display reports focus changes late; they settle before the host window is activated.
  PumpMessages(300);
  SetActiveWindow(Host.Top());
  auto InFileList = [&] {
    SetFocus(FileList);
    return GetFocus() == FileList;
  };
  ASSERT_TRUE(InFileList());
  std::wstring Name = Log.Path();
  const HWND Viewer = Load(Host.Parent(), Name.data(), 0);
  ASSERT_NE(Viewer, nullptr);
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(GetFocus(), FileList) << "loading";
  Name = Next.Path();
  ASSERT_EQ(LoadNext(Host.Parent(), Viewer, Name.data(), 0), 0);
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(GetFocus(), FileList) << "loading the next file";

  for (const int Box : {IdFollowBox, IdTailBox}) {
    SendMessageW(FindControl(Viewer, Box), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(Viewer, WM_COMMAND, MAKEWPARAM(Box, BN_CLICKED), 0);
  }
  for (const wchar_t* Filter : {L"", L"INFO"}) {
    Type(Viewer, IdFilterEdit, Filter);
    PumpMessages(200);
    ASSERT_TRUE(InFileList());
    Next.Append("2024-01-01 10:00:10 INFO more\r\n");
    SendMessageW(Viewer, WM_TIMER, TailTimerId, 0);
    EXPECT_EQ(Rows(Viewer), *Filter ? 7 : 11) << "filter '" << Filter << "'";
    EXPECT_EQ(GetFocus(), FileList) << "a tail tick while following, filter '" << Filter << "'";
    Next.Rotate(TenLevelLines);
    SendMessageW(Viewer, WM_TIMER, TailTimerId, 0);
    ASSERT_TRUE(WaitForLoad(Viewer));
    EXPECT_EQ(GetFocus(), FileList) << "the reload of a rotated file, filter '" << Filter << "'";
  }
  const HWND List = FindControl(Viewer, IdList);
  SendMessageW(List, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
  SendMessageW(List, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
  EXPECT_EQ(GetFocus(), List) << "a click in the viewer";
  for (const int Box : {IdTailBox, IdFollowBox}) {
    SendMessageW(FindControl(Viewer, Box), BM_SETCHECK, Box == IdFollowBox ? BST_CHECKED : BST_UNCHECKED, 0);
    SendMessageW(Viewer, WM_COMMAND, MAKEWPARAM(Box, BN_CLICKED), 0);
  }
  Close(Viewer);
}

TEST_F(ViewerHost, KeysMeantForTheListerReachItsWindow) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  HWND List = FindControl(Viewer, IdList);
  THostWindow::Keys().clear();
  SendMessageW(List, WM_KEYDOWN, VK_ESCAPE, 1);
  SendMessageW(List, WM_KEYDOWN, '2', 1);
  SendMessageW(List, WM_KEYDOWN, VK_F7, 1);
  PumpMessages(30);
  auto Seen = [](UINT Msg, WPARAM Key) {
    for (const auto& K : THostWindow::Keys())
      if (K.Msg == Msg && K.Key == Key) return true;
    return false;
  };
  EXPECT_TRUE(Seen(WM_KEYDOWN, VK_ESCAPE));
  EXPECT_TRUE(Seen(WM_KEYUP, VK_ESCAPE));
  EXPECT_TRUE(Seen(WM_KEYDOWN, '2'));
  EXPECT_TRUE(Seen(WM_KEYDOWN, VK_F7));
  EXPECT_TRUE(Seen(WM_KEYUP, VK_F7));
  // ESC in the filter box only moves the focus to the list.
  THostWindow::Keys().clear();
  HWND Filter = FindControl(Viewer, IdFilterEdit);
  SetFocus(Filter);
  SendMessageW(Filter, WM_KEYDOWN, VK_ESCAPE, 1);
  PumpMessages(30);
  EXPECT_FALSE(Seen(WM_KEYDOWN, VK_ESCAPE));
  EXPECT_EQ(GetFocus(), List);
  Close(Viewer);
}

TEST_F(ViewerHost, ArrowKeysInTheFilterBoxMoveTheSelectedLine) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  HWND Filter = FindControl(Viewer, IdFilterEdit);
  SetFocus(Filter);
  SendMessageW(Filter, WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(Filter, WM_KEYDOWN, VK_DOWN, 0);
  EXPECT_EQ(SelectedRow(Viewer), 2);
  SendMessageW(Filter, WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(SelectedRow(Viewer), 1);
  EXPECT_EQ(GetFocus(), Filter);
  Close(Viewer);
}

TEST_F(ViewerHost, WheelOverTheContextBoxStepsTheNumber) {
  TTempLog Log(TenLevelLines);
  THostWindow Host;
  HWND Viewer = Open(Host, Log);
  HWND Look = FindControl(Viewer, IdLookEdit);
  SendMessageW(Look, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(TextOf(Look), L"1");
  SendMessageW(Look, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-3 * WHEEL_DELTA)), 0);
  EXPECT_EQ(TextOf(Look), L"-2");
  SetWindowTextW(Look, L"9999");
  SendMessageW(Look, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(TextOf(Look), L"9999");
  SetWindowTextW(Look, L"0");
  PumpMessages(200);
  Close(Viewer);
}

TEST_F(ViewerHost, RowsAreDrawnInTheirColours) {
  TTempLog Log(TenLevelLines);
  struct Case {
    int Flags;
    COLORREF ErrorRow, ListBack, FilterBack;
  };
  for (const Case& C : {Case{0, RGB(255, 170, 170), RGB(255, 255, 255), RGB(255, 255, 255)},
                        Case{128, RGB(64, 32, 16), RGB(40, 40, 40), RGB(32, 32, 32)}}) {
    THostWindow Host(false, 900, 600, true);
    HWND Viewer = Open(Host, Log, C.Flags);
    HWND List = FindControl(Viewer, IdList);
    const int Row = static_cast<int>(SendMessageW(List, LB_GETITEMHEIGHT, 0, 0));
    ASSERT_GT(Row, 0);
    RECT Client{};
    GetClientRect(List, &Client);
    const int X = Client.right - 15;  // right of the text of these short lines
    EXPECT_EQ(ClientPixel(List, X, 3 * Row + Row / 2), C.ErrorRow) << "flags " << C.Flags;
    EXPECT_EQ(ClientPixel(List, X, Row / 2), RGB(0, 120, 215)) << "selected row, flags " << C.Flags;
    EXPECT_EQ(ClientPixel(List, X, 10 * Row + 10), C.ListBack) << "below the rows, flags " << C.Flags;
    // The clear button inside the filter box has the box's background.
    EXPECT_EQ(ClientPixel(FindControl(Viewer, IdClearFilter), 1, 1), C.FilterBack) << "clear button, flags " << C.Flags;
    Close(Viewer);
  }
}

// The controls the toolbar paints itself are dark in every part and state: the context box's
// up-down, and the format box's field around its item, whether the box has the keyboard focus
// or not.
TEST_F(ViewerHost, TheDarkToolbarIsDarkInEveryPartOfItsOwnControls) {
  TTempLog Log(TenLevelLines);
  THostWindow Host(false, 1000, 600, true);
  HWND Viewer = Open(Host, Log, 128);
  const COLORREF Field = RGB(42, 42, 42);
  EXPECT_EQ(ClientPixel(FindControl(Viewer, 1116), 2, 2), Field) << "the up-down";
  HWND Combo = FindControl(Viewer, 1117);
  RECT Box{};
  GetClientRect(Combo, &Box);
  EXPECT_EQ(ClientPixel(Combo, 2, Box.bottom / 2), Field) << "the field";
  SetFocus(Combo);
  EXPECT_EQ(ClientPixel(Combo, 2, Box.bottom / 2), Field) << "the focused field";
  Close(Viewer);
}

}  // namespace
