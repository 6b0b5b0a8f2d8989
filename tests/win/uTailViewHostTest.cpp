// Tail and follow as the user sees them: a writer changes the log while the viewer polls it,
// and after every step the list holds exactly the file's lines, each once.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win/uWinTestSupport.h"

namespace {

using TLines = std::vector<std::wstring>;

std::string Numbered(int From, int To) {
  std::string Text;
  for (int I = From; I <= To; ++I)
    Text += "2024-03-01 08:00:" + std::string(I < 10 ? "0" : "") + std::to_string(I) + " INFO line " +
            std::to_string(I) + "\r\n";
  return Text;
}

TLines NumberedRows(int From, int To) {
  TLines Rows;
  for (int I = From; I <= To; ++I)
    Rows.push_back(L"2024-03-01 08:00:" + std::wstring(I < 10 ? L"0" : L"") + std::to_wstring(I) + L" INFO line " +
                   std::to_wstring(I));
  return Rows;
}

TLines Concat(TLines A, const TLines& B) {
  A.insert(A.end(), B.begin(), B.end());
  return A;
}

class TailView : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(SharedPlugin().Handle(), nullptr); }
  static void ExpectRows(TPluginViewer& V, const TLines& Expected, const char* Step) {
    EXPECT_EQ(V.Rows(), static_cast<int>(Expected.size())) << Step;
    EXPECT_EQ(V.RowTexts(), Expected) << Step;
  }
};

TEST_F(TailView, WriterStepsShowEveryLineExactlyOnce) {
  TGrowingLog Log(L"skerrin_tail_steps.log", Numbered(1, 3));
  TPluginViewer V(Log.Path());
  ASSERT_NE(V.Window(), nullptr);
  V.Click(IdTailBox, true);
  ExpectRows(V, NumberedRows(1, 3), "loaded");

  struct TStep {
    const char* Name;
    std::string Bytes;  // appended
    TLines Added;       // rows expected after the step, beyond those before it
  };
  const TStep Steps[] = {
      {"two whole lines", Numbered(4, 5), NumberedRows(4, 5)},
      {"CR LF lines and a partial one", "crlf a\r\ncrlf b\r\npart", {L"crlf a", L"crlf b"}},
      {"the partial line completed", "ial end\r\n", {L"partial end"}},
      {"CR and LF in two chunks", "split\r", {}},
      {"the LF of the split line", "\nnext\n", {L"split", L"next"}},
      {"an empty line and LF only", "\nlf only\n", {L"", L"lf only"}},
      {"no change", "", {}},
  };
  TLines Expected = NumberedRows(1, 3);
  for (const TStep& Step : Steps) {
    Log.Append(Step.Bytes);
    V.Tick();
    Expected = Concat(Expected, Step.Added);
    ExpectRows(V, Expected, Step.Name);
  }

  // Then the file is cut, rotated and rewritten under the viewer.
  std::string Changed = Numbered(20, 22);
  Changed.replace(Changed.find("line 21"), 7, "LINE 99");
  TLines Rewritten = NumberedRows(20, 22);
  Rewritten[1] = L"2024-03-01 08:00:21 INFO LINE 99";
  struct TChange {
    const char* Name;
    std::function<void()> Make;
    TLines Rows;
  };
  const TChange Changes[] = {
      {"truncated to nothing", [&] { Log.Truncate(); }, {}},
      {"written again after the truncation", [&] { Log.Append(Numbered(10, 11)); }, NumberedRows(10, 11)},
      {"growing again", [&] { Log.Append(Numbered(12, 12)); }, NumberedRows(10, 12)},
      {"rotated by rename and re-create", [&] { Log.Rotate(Numbered(20, 21)); }, NumberedRows(20, 21)},
      {"the new file grows", [&] { Log.Append(Numbered(22, 22)); }, NumberedRows(20, 22)},
      {"rewritten with the same size", [&] { Log.Rewrite(Changed); }, Rewritten},
  };
  for (const TChange& Change : Changes) {
    Change.Make();
    V.Tick();
    ExpectRows(V, Change.Rows, Change.Name);
  }
}

TEST_F(TailView, LastLineWithoutLineBreakIsCompletedNotDuplicated) {
  TGrowingLog Log(L"skerrin_tail_open.log", "first\r\nsecond ER");
  TPluginViewer V(Log.Path());
  V.Click(IdTailBox, true);
  ExpectRows(V, {L"first", L"second ER"}, "loaded");
  EXPECT_EQ(V.StatusPart(1).substr(0, 5), L"E: 0 ") << "no error level yet";
  Log.Append("ROR disk\r\nthird\r\n");
  V.Tick();
  ExpectRows(V, {L"first", L"second ERROR disk", L"third"}, "completed");
  EXPECT_EQ(V.StatusPart(1).substr(0, 5), L"E: 1 ") << "the completed line is counted by its new level";
  // Line numbers continue after the completed line.
  V.Click(IdLineNumBox, true);
  SetWindowTextW(V.Control(IdFilterEdit), L"third");
  PumpMessages(200);
  EXPECT_EQ(V.RowTexts(), TLines{L"third"});
  V.Filter(L"");
}

TEST_F(TailView, SwitchingTailOffAndOnKeepsAHalfReadLine) {
  TGrowingLog Log(L"skerrin_tail_half.log", Numbered(1, 2));
  TPluginViewer V(Log.Path());
  V.Click(IdTailBox, true);
  Log.Append("2024-03-01 08:00:03 INFO li");
  V.Tick();
  ExpectRows(V, NumberedRows(1, 2), "half a line waits");
  V.Click(IdTailBox, false);
  V.Click(IdTailBox, true);
  Log.Append("ne 3\r\n");
  V.Tick();
  ExpectRows(V, NumberedRows(1, 3), "the line's start was kept");
}

TEST_F(TailView, Utf16LogGrowsInDecodedLines) {
  auto Utf16 = [](const std::wstring& Text) {
    return std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * 2);
  };
  TGrowingLog Log(L"skerrin_tail_utf16.log", "\xFF\xFE" + Utf16(L"eins\r\n"));
  TPluginViewer V(Log.Path());
  V.Click(IdTailBox, true);
  ExpectRows(V, {L"eins"}, "loaded");
  const std::string Growth = Utf16(L"zw\u00F6lf\r\ndrei\r\n");
  Log.Append(Growth.substr(0, 5));  // ends inside a code unit
  V.Tick();
  ExpectRows(V, {L"eins"}, "half a line");
  Log.Append(Growth.substr(5));
  V.Tick();
  ExpectRows(V, {L"eins", L"zw\u00F6lf", L"drei"}, "decoded");
}

TEST_F(TailView, FollowKeepsTheLastRowSelectedUntilAJump) {
  TGrowingLog Log(L"skerrin_tail_follow.log", Numbered(1, 40) + "2024-03-01 08:01:00 ERROR early\r\n");
  TPluginViewer V(Log.Path());
  V.Click(IdFollowBox, true);
  V.Click(IdTailBox, true);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{40}) << "turning follow on selects the last row";
  Log.Append(Numbered(41, 45));
  V.Tick();
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{45});
  EXPECT_EQ(V.CaretRow(), 45);

  V.Command(IdPrevError);  // previous error
  EXPECT_FALSE(V.Checked(IdFollowBox)) << "a jump switches follow off";
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{40});
  Log.Append(Numbered(46, 47));
  V.Tick();
  EXPECT_EQ(V.Rows(), 48);
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{40}) << "new lines no longer move the selection";
}

TEST_F(TailView, WithoutFollowTheSelectionAndTopRowStay) {
  TGrowingLog Log(L"skerrin_tail_keep.log", Numbered(1, 200));
  TPluginViewer V(Log.Path());
  V.Click(IdFollowBox, false);
  V.Click(IdTailBox, true);
  struct TCase {
    const wchar_t* Filter;
    std::vector<int> Selected;
    int Caret;
  };
  // Unfiltered, and filtered so that the rows move when the view is rebuilt.
  for (const TCase& C : {TCase{L"", {3, 5, 7}, 5}, TCase{L"line 1", {2, 4, 6}, 4}}) {
    V.Filter(C.Filter);
    V.SelectRows(C.Selected, C.Caret);
    SendMessageW(V.Control(IdList), LB_SETTOPINDEX, 2, 0);
    const TLines Before = V.RowTexts();
    std::vector<std::wstring> SelectedTexts;
    for (int Row : C.Selected) SelectedTexts.push_back(Before[static_cast<size_t>(Row)]);
    Log.Append("2024-03-01 08:02:00 INFO line 1xx\r\n" + Numbered(1, 2));
    V.Tick();
    const TLines After = V.RowTexts();
    std::vector<std::wstring> StillSelected;
    for (int Row : V.SelectedRows()) StillSelected.push_back(After[static_cast<size_t>(Row)]);
    EXPECT_EQ(StillSelected, SelectedTexts) << "filter '" << C.Filter << "'";
    EXPECT_EQ(After[static_cast<size_t>(V.CaretRow())], Before[static_cast<size_t>(C.Caret)]);
    EXPECT_EQ(V.TopRow(), 2) << "filter '" << C.Filter << "'";
  }
  V.Filter(L"");
}

// Pumps messages until the viewer shows Rows rows or the time is up; the rows it shows then.
int WaitForRows(const TPluginViewer& V, int Rows, DWORD Milliseconds) {
  const DWORD Start = GetTickCount();
  while (V.Rows() != Rows && GetTickCount() - Start < Milliseconds) PumpMessages(50);
  return V.Rows();
}

TEST_F(TailView, TheTimerPollsWhileTailIsOnAndStopsWithTheBox) {
  TGrowingLog Log(L"skerrin_tail_timer.log", Numbered(1, 2));
  TPluginViewer V(Log.Path());
  V.Click(IdTailBox, true);
  Log.Append(Numbered(3, 3));
  EXPECT_EQ(WaitForRows(V, 3, 5000), 3) << "the default interval is a second";
  V.Click(IdTailBox, false);
  Log.Append(Numbered(4, 4));
  PumpMessages(1500);
  EXPECT_EQ(V.Rows(), 3) << "tail off: no poll";
  V.Click(IdTailBox, true);
  EXPECT_EQ(WaitForRows(V, 4, 5000), 4);
}

TEST_F(TailView, AnotherFileLoadedIntoTheViewerIsTailedFromItsOwnEnd) {
  TGrowingLog First(L"skerrin_tail_first.log", Numbered(1, 5));
  TGrowingLog Second(L"skerrin_tail_second.log", Numbered(30, 31));
  TPluginViewer V(First.Path());
  V.Click(IdTailBox, true);
  auto LoadNext = SharedPlugin().Export<TListLoadNextW>("ListLoadNextW");
  std::wstring Name = Second.Path();
  ASSERT_EQ(LoadNext(V.HostWindow().Top(), V.Window(), Name.data(), 0), 0);
  ASSERT_TRUE(WaitForLoad(V.Window()));
  First.Append(Numbered(6, 6));
  Second.Append(Numbered(32, 32));
  V.Tick();
  ExpectRows(V, NumberedRows(30, 32), "second file");
  EXPECT_TRUE(V.Checked(IdTailBox));
}

TEST_F(TailView, WrappedAndFilteredViewsGrowAndFollowToo) {
  TGrowingLog Log(L"skerrin_tail_wrap.log", Numbered(1, 5));
  TPluginViewer V(Log.Path());
  V.Click(IdFollowBox, true);
  V.Click(IdTailBox, true);
  V.Command(IdMenuWordWrap);  // word wrap on
  Log.Append(Numbered(6, 8));
  V.Tick();
  EXPECT_EQ(V.RowTexts(), NumberedRows(1, 8)) << "wrap view";
  EXPECT_EQ(SendMessageW(V.Control(IdList), LB_GETCARETINDEX, 0, 0), 7) << "wrap view follows";
  V.Command(IdMenuWordWrap);  // word wrap off again

  V.Filter(L"line 1");
  EXPECT_EQ(V.RowTexts(), NumberedRows(1, 1));
  Log.Append(Numbered(9, 12));
  V.Tick();
  EXPECT_EQ(V.RowTexts(), Concat(NumberedRows(1, 1), NumberedRows(10, 12))) << "filtered view";
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{3}) << "filtered view follows";
  V.Filter(L"");
  EXPECT_EQ(V.RowTexts(), NumberedRows(1, 12));
}

// The colour on screen once the pending messages are handled, without asking the window to
// paint again first.
COLORREF PixelAsShown(HWND Window, int X, int Y) {
  PumpMessages(50);
  return ScreenPixel(Window, X, Y);
}

TEST_F(TailView, NewAndCompletedRowsArePaintedAtOnce) {
  TGrowingLog Log(L"skerrin_tail_paint.log", "2024-01-01 10:00:00 INFO one\r\n2024-01-01 10:00:01 WA");
  TPluginViewer V(Log.Path(), 0, true, 900, 500);
  V.Click(IdFollowBox, false);
  V.Click(IdTailBox, true);
  V.SelectRows({}, 0);
  HWND List = V.Control(IdList);
  const int Row = static_cast<int>(SendMessageW(List, LB_GETITEMHEIGHT, 0, 0));
  RECT Client{};
  GetClientRect(List, &Client);
  const int X = Client.right - 15;
  const COLORREF Warn = RGB(255, 170, 0), Error = RGB(255, 170, 170), Empty = RGB(255, 255, 255);
  RedrawWindow(List, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_NE(PixelAsShown(List, X, Row + Row / 2), Warn);
  EXPECT_EQ(PixelAsShown(List, X, 2 * Row + Row / 2), Empty);
  Log.Append("RN two\r\n");
  V.Tick();
  EXPECT_EQ(PixelAsShown(List, X, Row + Row / 2), Warn) << "the completed line has its new level";
  Log.Append("2024-01-01 10:00:02 ERROR three\r\n");
  V.Tick();
  EXPECT_EQ(PixelAsShown(List, X, 2 * Row + Row / 2), Error) << "the new line";
}

// The list's vertical scroll bar as the screen shows it now, top to bottom along its middle.
std::vector<COLORREF> ScrollBarAsShown(HWND List) {
  PumpMessages(50);
  RECT Client{};
  GetClientRect(List, &Client);
  const int X = Client.right + GetSystemMetrics(SM_CXVSCROLL) / 2;
  std::vector<COLORREF> Column;
  for (int Y = 0; Y < Client.bottom; ++Y) Column.push_back(ScreenPixel(List, X, Y));
  return Column;
}

TEST_F(TailView, TheScrollBarShowsTheRowsAfterATickAndALoad) {
  TGrowingLog Log(L"skerrin_tail_scroll.log", Numbered(1, 30));
  TGrowingLog Longer(L"skerrin_tail_scroll_next.log", Numbered(1, 900));
  TPluginViewer V(Log.Path(), 0, true, 600, 400);
  V.Click(IdFollowBox, false);
  V.Click(IdTailBox, true);
  for (const bool Wrap : {false, true}) {
    const char* Control = Wrap ? "wrap view" : "listbox";
    if (Wrap) V.Command(IdMenuWordWrap);
    HWND List = V.Control(IdList);
    const std::vector<COLORREF> Before = ScrollBarAsShown(List);
    Log.Append(Numbered(31, 300));
    V.Tick();
    const std::vector<COLORREF> AfterTick = ScrollBarAsShown(List);
    RedrawWindow(List, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_EQ(AfterTick, ScrollBarAsShown(List)) << Control << ": after the tick, as painted afresh";
    EXPECT_NE(AfterTick, Before) << Control << ": the thumb is smaller";

    std::wstring Name = Longer.Path();
    ASSERT_EQ(V.Export<TListLoadNextW>("ListLoadNextW")(V.HostWindow().Top(), V.Window(), Name.data(), 0), 0);
    ASSERT_TRUE(WaitForLoad(V.Window()));
    const std::vector<COLORREF> AfterLoad = ScrollBarAsShown(List);
    RedrawWindow(List, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_EQ(AfterLoad, ScrollBarAsShown(List)) << Control << ": after the load, as painted afresh";
    Name = Log.Path();
    ASSERT_EQ(V.Export<TListLoadNextW>("ListLoadNextW")(V.HostWindow().Top(), V.Window(), Name.data(), 0), 0);
    ASSERT_TRUE(WaitForLoad(V.Window()));
    if (Wrap) V.Command(IdMenuWordWrap);
  }
}

TEST_F(TailView, AFollowingViewerInTheBackgroundStaysThere) {
  TGrowingLog Log(L"skerrin_tail_background.log", Numbered(1, 3));
  TPluginViewer V(Log.Path(), 0, true, 600, 300);
  V.Click(IdFollowBox, true);
  V.Click(IdTailBox, true);
  THostWindow Other(false, 300, 200, true);
  // The display reports focus changes late; they settle before the other window is activated.
  PumpMessages(300);
  SetActiveWindow(Other.Top());
  ASSERT_EQ(GetActiveWindow(), Other.Top());
  Log.Append(Numbered(4, 5));
  V.Tick();
  EXPECT_EQ(GetActiveWindow(), Other.Top()) << "the tick did not pull the viewer's window to the front";
  EXPECT_EQ(V.SelectedRows(), std::vector<int>{4}) << "it still follows";
}

TEST_F(TailView, AFilteredTickLeavesTheFocusWhereItIs) {
  TGrowingLog Log(L"skerrin_tail_focus.log", Numbered(1, 5));
  TPluginViewer V(Log.Path(), 0, true, 600, 300);
  V.Click(IdFollowBox, false);
  V.Click(IdTailBox, true);
  V.Filter(L"line");
  PumpMessages(300);
  SetActiveWindow(V.HostWindow().Top());
  const HWND Box = V.Control(IdTailBox);
  SetFocus(Box);
  ASSERT_EQ(GetFocus(), Box);
  Log.Append(Numbered(6, 7));
  V.Tick();
  EXPECT_EQ(V.Rows(), 7);
  EXPECT_EQ(GetFocus(), Box) << "the rebuild of a tick is not the user's doing";
  V.Filter(L"");
}

}  // namespace
