// The viewer as a citizen of the file manager: which keys reach the lister window, what ESC
// does with either setting of "CloseOnEscInLister", the host's commands and search requests,
// two viewers in one lister window, and what a failed load tells the user.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "win/uWinTestSupport.h"

namespace {

constexpr int Ok = 0, Error = 1;
constexpr int lc_copy = 1, lc_newparams = 2, lc_selectall = 3, lc_setpercent = 4;
constexpr int lcs_findfirst = 1, lcs_matchcase = 2, lcs_wholewords = 4, lcs_backwards = 8;

const std::string TenLines =
    "2024-01-01 10:00:00 INFO start\r\n"
    "2024-01-01 10:00:01 INFO user ID=5\r\n"
    "2024-01-01 10:00:02 DEBUG userid=5\r\n"
    "2024-01-01 10:00:03 ERROR broken pipe\r\n"
    "2024-01-01 10:00:04 INFO Pipe mended\r\n"
    "2024-01-01 10:00:05 WARN slow\r\n"
    "2024-01-01 10:00:06 INFO step six\r\n"
    "2024-01-01 10:00:07 ERROR disk full\r\n"
    "2024-01-01 10:00:08 INFO pipe again\r\n"
    "2024-01-01 10:00:09 INFO done\r\n";

std::string ManyLines(int Count) {
  std::string Text;
  for (int I = 0; I < Count; ++I) Text += "2024-01-01 10:00:00 INFO line " + std::to_string(I) + "\r\n";
  return Text;
}

// The plug-in with ESC kept away from the lister window.
TPluginCopy& EscKeptPlugin() {
  static TPluginCopy Library(L"SkerrinEscKept", "[View]\r\nCloseOnEscInLister=0\r\n");
  return Library;
}

bool Seen(UINT Msg, WPARAM Key) {
  for (const auto& K : THostWindow::Keys())
    if (K.Msg == Msg && K.Key == Key) return true;
  return false;
}

// Sends Key as a key-down with the given modifier keys held.
void PressWith(HWND Window, WPARAM Key, const std::vector<int>& Held, UINT Msg = WM_KEYDOWN) {
  BYTE Saved[256];
  GetKeyboardState(Saved);
  BYTE Pressed[256];
  memcpy(Pressed, Saved, sizeof Pressed);
  for (int Modifier : Held) Pressed[Modifier] = 0x80;
  SetKeyboardState(Pressed);
  SendMessageW(Window, Msg, Key, 1);
  SetKeyboardState(Saved);
}

// A subclass of the lister window made after the viewer's, as the host or another plug-in may
// make one; it counts the commands that pass it.
WNDPROC LaterReplaced = nullptr;
int LaterCommands = 0;
LRESULT CALLBACK LaterSubclass(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_COMMAND) ++LaterCommands;
  return CallWindowProcW(LaterReplaced, Window, Msg, WParam, LParam);
}

class HostIntegration : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(SharedPlugin().Handle(), nullptr);
    ASSERT_NE(EscKeptPlugin().Handle(), nullptr);
  }
};

TEST_F(HostIntegration, EveryKeyOfTheRoutingTableReachesItsWindow) {
  TTempLog Log(TenLines, L"skerrin_keys.log");
  TPluginViewer V(Log.Path());
  HWND List = V.Control(IdList);
  struct TCase {
    const char* Name;
    UINT Msg;
    WPARAM Key;
    std::vector<int> Held;
    std::vector<THostWindow::TKey> AtHost;  // what the lister window receives, in order
  };
  const TCase Cases[] = {
      {"ESC", WM_KEYDOWN, VK_ESCAPE, {}, {{WM_KEYDOWN, VK_ESCAPE}, {WM_KEYUP, VK_ESCAPE}}},
      {"ESC as a character", WM_CHAR, 27, {}, {{WM_KEYDOWN, VK_ESCAPE}, {WM_KEYUP, VK_ESCAPE}}},
      {"digit 1 down", WM_KEYDOWN, '1', {}, {{WM_KEYDOWN, '1'}}},
      {"digit 8 up", WM_KEYUP, '8', {}, {{WM_KEYUP, '8'}}},
      {"digit 5 as a character", WM_CHAR, '5', {}, {{WM_CHAR, '5'}}},
      {"digit 9 stays", WM_KEYDOWN, '9', {}, {}},
      {"digit 0 stays", WM_KEYDOWN, '0', {}, {}},
      {"F7", WM_KEYDOWN, VK_F7, {}, {{WM_KEYDOWN, VK_F7}, {WM_KEYUP, VK_F7}}},
      {"Ctrl+F", WM_KEYDOWN, 'F', {VK_CONTROL}, {{WM_KEYDOWN, 'F'}, {WM_KEYUP, 'F'}}},
      {"F alone stays", WM_KEYDOWN, 'F', {}, {}},
      {"F3 before any search", WM_KEYDOWN, VK_F3, {}, {{WM_KEYDOWN, VK_F3}, {WM_KEYUP, VK_F3}}},
      {"Alt+F7", WM_SYSKEYDOWN, VK_F7, {}, {{WM_SYSKEYDOWN, VK_F7}, {WM_SYSKEYUP, VK_F7}}},
  };
  for (const TCase& C : Cases) {
    THostWindow::Keys().clear();
    PressWith(List, C.Key, C.Held, C.Msg);
    PumpMessages(20);
    std::vector<std::pair<UINT, WPARAM>> Got, Wanted;
    // The pump translates posted key-downs into characters, as the host's message loop does.
    bool Characters = false;
    for (const auto& K : C.AtHost) {
      Wanted.push_back({K.Msg, K.Key});
      Characters = Characters || K.Msg == WM_CHAR;
    }
    for (const auto& K : THostWindow::Keys())
      if (K.Msg != WM_CHAR || Characters) Got.push_back({K.Msg, K.Key});
    EXPECT_EQ(Got, Wanted) << C.Name;
  }
  // Digits typed into the filter box are text, not the lister's display modes.
  THostWindow::Keys().clear();
  HWND Filter = V.Control(IdFilterEdit);
  SendMessageW(Filter, WM_CHAR, '2', 1);
  PumpMessages(20);
  EXPECT_EQ(TextOf(Filter), L"2");
  EXPECT_TRUE(THostWindow::Keys().empty());
  V.Filter(L"");
}

TEST_F(HostIntegration, EscWithCloseOnEscOffNeverClosesTheLister) {
  TTempLog Log(TenLines, L"skerrin_esc_off.log");
  TPluginViewer V(Log.Path(), 0, false, 1000, 500, &EscKeptPlugin());
  const HWND Lister = V.HostWindow().Top();
  THostWindow::Keys().clear();
  for (int Id : {IdList, IdPrevError, IdLookEdit}) {
    SendMessageW(V.Control(Id), WM_KEYDOWN, VK_ESCAPE, 1);
    SendMessageW(V.Control(Id), WM_CHAR, 27, 1);
  }
  SendMessageW(V.Window(), WM_KEYDOWN, VK_ESCAPE, 1);
  // The lister window's own ESC and its cancel command are swallowed too.
  SendMessageW(Lister, WM_KEYDOWN, VK_ESCAPE, 1);
  SendMessageW(Lister, WM_CHAR, 27, 1);
  SendMessageW(Lister, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  PumpMessages(30);
  EXPECT_TRUE(THostWindow::Keys().empty()) << THostWindow::Keys().size() << " messages reached the lister";
  // The list asks for every key, so that ESC reaches it at all.
  EXPECT_TRUE(SendMessageW(V.Control(IdList), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  // Other commands still reach the lister.
  SendMessageW(Lister, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
  EXPECT_TRUE(Seen(WM_COMMAND, IDOK));
}

TEST_F(HostIntegration, EscWithCloseOnEscOnClosesFromEverywhereButTheFilterBox) {
  TTempLog Log(TenLines, L"skerrin_esc_on.log");
  TPluginViewer V(Log.Path());
  const HWND Lister = V.HostWindow().Top();
  for (int Id : {IdList, IdPrevError, IdTailBox, IdLookEdit}) {
    THostWindow::Keys().clear();
    SendMessageW(V.Control(Id), WM_KEYDOWN, VK_ESCAPE, 1);
    PumpMessages(20);
    EXPECT_TRUE(Seen(WM_KEYDOWN, VK_ESCAPE) && Seen(WM_KEYUP, VK_ESCAPE)) << "control " << Id;
  }
  THostWindow::Keys().clear();
  SendMessageW(Lister, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  EXPECT_TRUE(Seen(WM_COMMAND, IDCANCEL)) << "the lister's own cancel goes through";
  EXPECT_FALSE(SendMessageW(V.Control(IdList), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
}

TEST_F(HostIntegration, TheFourCommands) {
  TTempLog Log(ManyLines(1000), L"skerrin_commands.log");
  TPluginViewer V(Log.Path(), 0, true, 900, 500);
  auto Command = V.Export<TListSendCommand>("ListSendCommand");
  ASSERT_NE(Command, nullptr);
  const HWND W = V.Window();

  // Copy with nothing selected copies the row of the caret.
  V.SelectRows({}, 7);
  PutOnClipboard(L"before");
  EXPECT_EQ(Command(W, lc_copy, 0), Ok);
  EXPECT_EQ(ClipboardText(), L"2024-01-01 10:00:00 INFO line 7");
  V.SelectRows({3, 4}, 4);
  EXPECT_EQ(Command(W, lc_copy, 0), Ok);
  EXPECT_EQ(ClipboardText(), L"2024-01-01 10:00:00 INFO line 3\r\n2024-01-01 10:00:00 INFO line 4\r\n");

  EXPECT_EQ(Command(W, lc_selectall, 0), Ok);
  EXPECT_EQ(V.SelectedRows().size(), 1000u);

  struct {
    int Percent;
    int Top;
  } const Percents[] = {{50, 500}, {0, 0}, {10, 100}};  // 999 x 50 / 100 = 499.5 rounds up
  for (const auto& P : Percents) {
    EXPECT_EQ(Command(W, lc_setpercent, P.Percent), Ok);
    EXPECT_EQ(V.TopRow(), P.Top) << P.Percent << "%";
  }

  // New show flags with the dark bit re-theme the viewer at once.
  HWND List = V.Control(IdList);
  RECT Client{};
  GetClientRect(List, &Client);
  V.SelectRows({}, 0);
  const COLORREF Light = ClientPixel(List, Client.right - 30, Client.bottom / 2);
  EXPECT_EQ(Command(W, lc_newparams, 128), Ok);
  const COLORREF Dark = ClientPixel(List, Client.right - 30, Client.bottom / 2);
  EXPECT_NE(Light, Dark);
  EXPECT_EQ(Command(W, lc_newparams, 0), Ok);
  EXPECT_EQ(ClientPixel(List, Client.right - 30, Client.bottom / 2), Light);

  EXPECT_EQ(Command(W, 9, 0), Ok) << "an unknown command does nothing";
  EXPECT_EQ(Command(V.HostWindow().Top(), lc_copy, 0), Error) << "not a viewer";
  EXPECT_EQ(Command(nullptr, lc_selectall, 0), Error);
}

TEST_F(HostIntegration, SelectAllAndCopyInTheWrapView) {
  TTempLog Log(TenLines, L"skerrin_wrap_commands.log");
  TPluginViewer V(Log.Path());
  auto Command = V.Export<TListSendCommand>("ListSendCommand");
  V.Command(IdMenuWordWrap);  // word wrap on
  EXPECT_EQ(Command(V.Window(), lc_selectall, 0), Ok);
  EXPECT_EQ(Command(V.Window(), lc_copy, 0), Ok);
  EXPECT_EQ(SplitCrLf(ClipboardText()).size(), 10u);
  V.Command(IdMenuWordWrap);
}

TEST_F(HostIntegration, SearchExportsAndTheRepeatKeys) {
  TTempLog Log(TenLines, L"skerrin_search.log");
  TPluginViewer V(Log.Path());
  auto Search = V.Export<TListSearchText>("ListSearchText");
  auto SearchW = V.Export<TListSearchTextW>("ListSearchTextW");
  auto Dialog = V.Export<TListSearchDialog>("ListSearchDialog");
  ASSERT_TRUE(Search && SearchW && Dialog);
  const HWND W = V.Window();

  EXPECT_EQ(Dialog(W, 1), Error) << "no search yet: the host shows its own dialog";
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{0});
  std::wstring Empty;
  EXPECT_EQ(SearchW(W, Empty.data(), 0), Error) << "nothing to search for";

  struct TStep {
    const char* Name;
    const wchar_t* Text;  // null: the ANSI export with "pipe"
    int Flags;
    int Result;
    int Row;  // selected afterwards
  };
  const TStep Steps[] = {
      {"from the start", L"pipe", lcs_findfirst, Ok, 3},
      {"onwards", L"pipe", 0, Ok, 4},
      {"case matters", L"pipe", lcs_matchcase, Ok, 8},
      {"nothing further", L"pipe", lcs_matchcase, Error, 8},
      {"empty text repeats, upwards", L"", lcs_backwards, Ok, 4},
      {"ANSI export", nullptr, lcs_findfirst | lcs_backwards, Ok, 8},
      {"whole words", L"id", lcs_findfirst | lcs_wholewords, Ok, 1},
      {"not found keeps the row", L"absent", lcs_findfirst, Error, 1},
  };
  for (const TStep& Step : Steps) {
    int Result;
    if (Step.Text) {
      std::wstring Text = Step.Text;
      Result = SearchW(W, Text.data(), Step.Flags);
    } else {
      char Text[] = "pipe";
      Result = Search(W, Text, Step.Flags);
    }
    EXPECT_EQ(Result, Step.Result) << Step.Name;
    EXPECT_EQ(V.SelectedRows(), std::vector<int>{Step.Row}) << Step.Name;
  }

  // The dialog request repeats the last search ("absent" found nothing, so search again).
  std::wstring Pipe = L"pipe";
  EXPECT_EQ(SearchW(W, Pipe.data(), lcs_findfirst), Ok);
  EXPECT_EQ(Dialog(W, 1), Ok);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{4}) << "find next goes down";
  EXPECT_EQ(Dialog(W, 0), Ok);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{3}) << "0 goes up";

  // F3 and Shift+F3 in the list repeat it and stay with the viewer.
  HWND List = V.Control(IdList);
  THostWindow::Keys().clear();
  PressWith(List, VK_F3, {});
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{4});
  PressWith(List, VK_F3, {});
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{8});
  PressWith(List, VK_F3, {VK_SHIFT});
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{4});
  PumpMessages(20);
  EXPECT_FALSE(Seen(WM_KEYDOWN, VK_F3));
  EXPECT_EQ(Dialog(V.HostWindow().Top(), 1), Error) << "not a viewer";
}

TEST_F(HostIntegration, TwoViewersInOneListerWindowShareItsSubclass) {
  TTempLog Log(TenLines, L"skerrin_two_in_one.log");
  auto Load = EscKeptPlugin().Export<TListLoadW>("ListLoadW");
  auto Close = EscKeptPlugin().Export<TListCloseWindow>("ListCloseWindow");
  for (bool FirstClosesFirst : {true, false}) {
    THostWindow Host;
    const auto Original = GetWindowLongPtrW(Host.Top(), GWLP_WNDPROC);
    std::wstring Name = Log.Path();
    HWND First = Load(Host.Top(), Name.data(), 0);
    HWND Second = Load(Host.Top(), Name.data(), 0);
    ASSERT_TRUE(First && Second);
    // Each message passes the subclass once: stacked on itself it would never return.
    THostWindow::Keys().clear();
    SendMessageW(Host.Top(), WM_KEYDOWN, VK_ESCAPE, 1);
    SendMessageW(Host.Top(), WM_KEYDOWN, 'Q', 1);
    EXPECT_FALSE(Seen(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(Seen(WM_KEYDOWN, 'Q'));
    Close(FirstClosesFirst ? First : Second);
    THostWindow::Keys().clear();
    SendMessageW(Host.Top(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(Seen(WM_COMMAND, IDCANCEL)) << "the viewer left keeps the lister open";
    Close(FirstClosesFirst ? Second : First);
    EXPECT_EQ(GetWindowLongPtrW(Host.Top(), GWLP_WNDPROC), Original);
    EXPECT_EQ(GetPropW(Host.Top(), L"WLX_SKERRIN_PARENT_STATE"), nullptr);
    SendMessageW(Host.Top(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_TRUE(Seen(WM_COMMAND, IDCANCEL));
  }
}

TEST_F(HostIntegration, ASubclassOfTheListerWindowMadeAfterTheViewersOutlivesTheViewer) {
  TTempLog Log(TenLines, L"skerrin_later_subclass.log");
  auto Load = EscKeptPlugin().Export<TListLoadW>("ListLoadW");
  auto Close = EscKeptPlugin().Export<TListCloseWindow>("ListCloseWindow");
  THostWindow Host;
  std::wstring Name = Log.Path();
  HWND Viewer = Load(Host.Top(), Name.data(), 0);
  ASSERT_NE(Viewer, nullptr);
  LaterReplaced =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(Host.Top(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterSubclass)));
  Close(Viewer);
  EXPECT_EQ(GetWindowLongPtrW(Host.Top(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(LaterSubclass)) << "not cut out";
  THostWindow::Keys().clear();
  LaterCommands = 0;
  SendMessageW(Host.Top(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  EXPECT_EQ(LaterCommands, 1);
  EXPECT_TRUE(Seen(WM_COMMAND, IDCANCEL)) << "the lister's own procedure is reached, and closing is its own again";

  // A viewer loaded into the window again takes over what the first one left in the chain.
  Viewer = Load(Host.Top(), Name.data(), 0);
  ASSERT_NE(Viewer, nullptr);
  THostWindow::Keys().clear();
  SendMessageW(Host.Top(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
  EXPECT_FALSE(Seen(WM_COMMAND, IDCANCEL)) << "the lister is kept open again";
  EXPECT_EQ(LaterCommands, 2);
  Close(Viewer);
}

TEST_F(HostIntegration, AFailedLoadSaysWhy) {
  TTempLog Log(TenLines, L"skerrin_locked.log");
  // Held open without sharing, as some loggers hold their file.
  HANDLE Lock = CreateFileW(Log.Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
  {
    TPluginViewer V(Log.Path(), 0, true, 900, 300);
    ASSERT_NE(V.Window(), nullptr);
    EXPECT_EQ(V.Rows(), 0);
    EXPECT_EQ(V.StatusPart(0), L"Cannot load skerrin_locked.log: File in use by another program");
    SaveScreenShot(L"load_failed");
  }
  CloseHandle(Lock);

  TPluginViewer V(Log.Path());
  EXPECT_EQ(V.Rows(), 10);
  auto LoadNext = V.Export<TListLoadNextW>("ListLoadNextW");
  std::wstring Missing = L"C:\\no\\such\\folder\\missing.log";
  EXPECT_EQ(LoadNext(V.HostWindow().Top(), V.Window(), Missing.data(), 0), Error);
  EXPECT_EQ(V.Rows(), 0);
  EXPECT_EQ(V.StatusPart(0), L"Cannot load missing.log: File not found");
  std::wstring Back = Log.Path();
  EXPECT_EQ(LoadNext(V.HostWindow().Top(), V.Window(), Back.data(), 0), Ok);
  ASSERT_TRUE(WaitForLoad(V.Window()));
  EXPECT_EQ(V.StatusPart(0).rfind(L"Lines: 10 | skerrin_locked.log", 0), 0u) << "a good load says no more of it";
}

}  // namespace
