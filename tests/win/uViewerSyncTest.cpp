// Viewers following each other by time: three viewers of the plug-in in one process, two with
// Sync on and one with it off, and a double-click in the first.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "viewer/uViewerRegistry.h"
#include "win/uWinTestSupport.h"

namespace {

// Count lines from 10:00:00 in steps of ten seconds; every 20th is an error. With Dated false
// the lines carry a time of day only.
std::string TenSecondLines(int Count, bool Dated) {
  std::string Text;
  for (int I = 0; I < Count; ++I) {
    const int Seconds = 10 * 3600 + 10 * I;
    char Time[16];
    snprintf(Time, sizeof Time, "%02d:%02d:%02d", Seconds / 3600, Seconds / 60 % 60, Seconds % 60);
    Text += (Dated ? "2024-01-01 " : "") + std::string(Time) + (I % 20 == 0 ? " ERROR" : " INFO") + " line " +
            std::to_string(I) + "\r\n";
  }
  return Text;
}

void LoadInto(TPluginViewer& V, const TTempLog& Log) {
  auto LoadNext = V.Export<TListLoadNextW>("ListLoadNextW");
  std::wstring Name = Log.Path();
  ASSERT_EQ(LoadNext(V.HostWindow().Top(), V.Window(), Name.data(), 0), 0);
  ASSERT_TRUE(WaitForLoad(V.Window()));
}

int PageRows(const TPluginViewer& V) {
  HWND List = V.Control(IdList);
  RECT Client{};
  GetClientRect(List, &Client);
  return std::max<int>(1, Client.bottom / static_cast<int>(SendMessageW(List, LB_GETITEMHEIGHT, 0, 0)));
}

TEST(ViewerSync, ADoubleClickSelectsTheNearestLineInTheOtherSynchronisedViewers) {
  ASSERT_NE(SharedPlugin().Handle(), nullptr);
  const TTempLog Dated300(TenSecondLines(300, true), L"skerrin_sync_dated.log");
  const TTempLog Daily300(TenSecondLines(300, false), L"skerrin_sync_daily.log");
  TPluginViewer Source(Dated300.Path(), 0, true, 700, 400);
  TPluginViewer Target(Dated300.Path());
  TPluginViewer Bystander(Dated300.Path());
  Source.Click(IdSyncBox, true);
  Target.Click(IdSyncBox, true);
  ASSERT_FALSE(Bystander.Checked(IdSyncBox));
  const bool BystanderFollows = Bystander.Checked(IdFollowBox);

  struct TCase {
    const char* Name;
    std::string SourceLines;
    int FirstRow, SecondRow;  // the two presses in the source
    const TTempLog* TargetLog;
    std::string TargetLines;  // when there is no target log
    const wchar_t* Filter;
    int Expected;  // selected in the target; -1: the target is left as it was
  };
  const TCase Cases[] = {
      {"nearest line", "2024-01-01 10:15:03 INFO a\r\n", 0, 0, &Dated300, "", L"", 90},
      {"a time of day against dates", "10:15:03 INFO a\r\n", 0, 0, &Dated300, "", L"", 90},
      {"a date against times of day", "2024-05-05 10:15:07 INFO a\r\n", 0, 0, &Daily300, "", L"", 91},
      {"across midnight", "2024-01-01 23:59:30 INFO late\r\n", 0, 0, nullptr, "00:00:10 INFO a\r\n12:00:00 INFO b\r\n",
       L"", 0},
      // Quarter and eighth days are exact, so the two distances are really equal.
      {"a tie goes to the later line", "2024-01-01 09:00:00 INFO a\r\n", 0, 0, nullptr,
       "2024-01-01 06:00:00 INFO six\r\n2024-01-01 12:00:00 INFO noon\r\n", L"", 1},
      {"only visible lines of a filtered target", "2024-01-01 10:15:03 INFO a\r\n", 0, 0, &Dated300, "", L"ERROR", 5},
      {"a line without time sends nothing", "no time here\r\n", 0, 0, &Dated300, "", L"", -1},
      {"two rows are not a double-click", "2024-01-01 10:15:03 INFO a\r\n2024-01-01 10:15:04 INFO b\r\n", 0, 1,
       &Dated300, "", L"", -1},
  };
  for (const TCase& C : Cases) {
    const TTempLog SourceLog(C.SourceLines, L"skerrin_sync_source.log");
    const TTempLog Own(C.TargetLines.empty() ? std::string("x\r\n") : C.TargetLines, L"skerrin_sync_target.log");
    LoadInto(Source, SourceLog);
    LoadInto(Target, C.TargetLog ? *C.TargetLog : Own);
    Target.Filter(C.Filter);
    Target.Click(IdFollowBox, true);  // Follow on, which selects the last row
    const std::vector<int> Before = Target.SelectedRows();
    const int BystanderTop = Bystander.TopRow();

    SetFocus(Source.Control(IdList));
    Source.ClickOnRow(C.FirstRow);
    Source.ClickOnRow(C.SecondRow, C.FirstRow == C.SecondRow ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN);
    PumpMessages(20);

    if (C.Expected < 0) {
      EXPECT_EQ(Target.SelectedRows(), Before) << C.Name;
      EXPECT_TRUE(Target.Checked(IdFollowBox)) << C.Name;
    } else {
      EXPECT_EQ(Target.SelectedRows(), std::vector<int>{C.Expected}) << C.Name;
      EXPECT_FALSE(Target.Checked(IdFollowBox)) << C.Name << ": follow is off";
      const int P = PageRows(Target);
      EXPECT_EQ(Target.TopRow(), std::min(std::max(0, Target.Rows() - P), std::max(0, C.Expected - P / 2)))
          << C.Name << ": centred";
    }
    EXPECT_EQ(GetFocus(), Source.Control(IdList)) << C.Name << ": the focus stays in the source";
    EXPECT_EQ(Bystander.SelectedRows(), std::vector<int>{0}) << C.Name << ": Sync off, untouched";
    EXPECT_EQ(Bystander.TopRow(), BystanderTop) << C.Name;
    EXPECT_EQ(Bystander.Checked(IdFollowBox), BystanderFollows) << C.Name;
    Target.Filter(L"");
  }

  // Switching Sync off in the target takes it out.
  Target.Click(IdSyncBox, false);
  const TTempLog SourceLog("2024-01-01 10:15:03 INFO a\r\n", L"skerrin_sync_source.log");
  LoadInto(Source, SourceLog);
  Target.Click(IdFollowBox, true);
  Source.ClickOnRow(0);
  Source.ClickOnRow(0, WM_LBUTTONDBLCLK);
  EXPECT_EQ(Target.SelectedRows(), std::vector<int>{299});
  Source.Click(IdSyncBox, false);
}

TEST(ViewerSync, ATimeReachesLiveViewersPastGoneOnes) {
  auto Window = [] {
    return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
  };
  const HWND A = Window(), B = Window(), C = Window();
  RegisterViewer(A);
  RegisterViewer(B);
  RegisterViewer(A);
  EXPECT_EQ(RegisteredViewers(), (std::vector<HWND>{A, B})) << "each window once";
  DestroyWindow(A);
  // Sending to a gone window would do nothing; a publish skips it before that.
  EXPECT_EQ(RegisteredViewers(), (std::vector<HWND>{A, B}));
  RegisterViewer(C);
  EXPECT_EQ(RegisteredViewers(), (std::vector<HWND>{B, C})) << "the next registration forgets it";
  DestroyWindow(B);
  UnregisterViewer(C);
  EXPECT_TRUE(RegisteredViewers().empty()) << "unregistering forgets gone windows too";
  DestroyWindow(C);
}

// Not a check: two synchronised viewers side by side in both looks, written when
// SKERRIN_SHOT_DIR names a folder.
TEST(ViewerSync, ScreenShotsForLookingAt) {
  const TTempLog Left(TenSecondLines(300, true), L"skerrin_sync_left.log");
  std::string Times;
  for (int I = 0; I < 200; ++I) {
    const int Seconds = 10 * 3600 + 13 * I + 7;
    char Line[80];
    snprintf(Line, sizeof Line, "%02d:%02d:%02d %s request %d\r\n", Seconds / 3600, Seconds / 60 % 60, Seconds % 60,
             I % 9 == 4 ? "WARN slow" : "INFO", I);
    Times += Line;
  }
  const TTempLog Right(Times, L"skerrin_sync_right.log");
  for (int Flags : {0, 128}) {
    TPluginViewer A(Left.Path(), Flags, true, 640, 420);
    TPluginViewer B(Right.Path(), Flags, true, 640, 420);
    SetWindowPos(B.HostWindow().Top(), nullptr, 640, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    A.Click(IdSyncBox, true);
    B.Click(IdSyncBox, true);
    SendMessageW(A.Control(IdList), LB_SETTOPINDEX, 80, 0);
    A.ClickOnRow(95);
    A.ClickOnRow(95, WM_LBUTTONDBLCLK);
    PumpMessages(200);
    for (const TPluginViewer* V : {&A, &B})
      RedrawWindow(V->HostWindow().Top(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages(100);
    SaveScreenShot(Flags ? L"sync_dark" : L"sync_light");
    A.Click(IdSyncBox, false);
    B.Click(IdSyncBox, false);
  }
}

}  // namespace
