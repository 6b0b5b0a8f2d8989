// The viewer while its file loads on a worker thread: the load is held at a point of the file
// through the loader's read seam, so that what the user sees meanwhile is the same on every run.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "loader/uLogLoader.h"
#include "settings/uSettings.h"
#include "viewer/uClipboard.h"
#include "viewer/uListRows.h"
#include "viewer/uNavigate.h"
#include "viewer/uTailView.h"
#include "viewer/uViewLoad.h"
#include "viewer/uViewRows.h"
#include "viewer/uViewState.h"
#include "viewer/uWin32LogWindow.h"
#include "win/uInProcessViewer.h"
#include "win/uWinTestSupport.h"

namespace {

// The worker waits before reading from HoldFrom on until the gate opens.
std::atomic<int64_t> HoldFrom{INT64_MAX};
HANDLE Gate = nullptr;

void HoldingHook(int64_t Offset, int64_t&) {
  if (Offset >= HoldFrom.load()) WaitForSingleObject(Gate, 30000);
}

bool PumpUntil(const std::function<bool()>& Done) {
  const ULONGLONG Start = GetTickCount64();
  while (!Done()) {
    if (GetTickCount64() - Start > 20000) return false;
    PumpMessages(5);
  }
  return true;
}

class ViewLoad : public InProcessViewerTest {
 protected:
  static constexpr int Lines = 10000;

  // A viewer on a log of Lines lines whose load stops after its first 64 KiB until Release.
  void OpenHeld() {
    Gate = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HoldFrom = 64 << 10;
    LoadReadChunk = 4096;
    LoadReadHook = HoldingHook;
    CreateViewer(NumberedLogLines(Lines), L"skerrin_viewload.log", false,
                 [](TAppSettings& Settings) { Settings.TailEnabled = false; });
    if (HasFatalFailure()) return;
    ASSERT_TRUE(PumpUntil([&] { return S->View.VisibleCount > 0; }));
  }
  void Release() { SetEvent(Gate); }
  void TearDown() override {
    Release();
    if (Viewer && IsWindow(Viewer)) DestroyWindow(Viewer);
    // A cancelled worker may still be leaving the seam.
    PumpMessages(50);
    LoadReadHook = nullptr;
    LoadReadChunk = 131072;
    HoldFrom = INT64_MAX;
    if (Gate) CloseHandle(Gate);
    Gate = nullptr;
    InProcessViewerTest::TearDown();
  }
  std::wstring Summary() const { return StatusPartOf(Viewer, 0); }
};

// While the file is read the view shows what is in, counted and filtered as it comes, and the
// summary says how far the load is; at the end it is the view a whole load gives.
TEST_F(ViewLoad, TheViewGrowsWhileTheFileLoadsAndEndsAsAWholeLoad) {
  OpenHeld();
  EXPECT_TRUE(LoadInProgress(*S));
  const int32_t Shown = S->View.VisibleCount;
  EXPECT_LT(Shown, Lines);
  EXPECT_EQ(S->Counters.ErrorCount, (Shown + 6) / 10) << "the counters count the rows that are in";
  EXPECT_EQ(Summary().rfind(L"Loading ", 0), 0u) << Summary();
  EXPECT_NE(Summary().find(L" KB) | Lines: " + std::to_wstring(Shown)), std::wstring::npos) << Summary();
  EXPECT_EQ(CurrentRow(*S), 0) << "the first row is selected as soon as it is in";

  // A filter typed meanwhile applies to what is in and to what comes.
  SetWindowTextW(FindControl(Viewer, IdFilterEdit), L"ERROR");
  SendMessageW(Viewer, WM_TIMER, FilterTimerId, 0);
  EXPECT_EQ(S->View.VisibleCount, (Shown + 6) / 10);
  Release();
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_FALSE(LoadInProgress(*S));
  EXPECT_EQ(S->View.VisibleCount, Lines / 10);
  EXPECT_EQ(S->Counters.ErrorCount, Lines / 10);
  EXPECT_EQ(Summary().rfind(L"Lines: 10000 | Visible: 1000 | skerrin_viewload.log", 0), 0u) << Summary();
}

// The lines that are in can be searched, jumped through, selected and copied meanwhile.
TEST_F(ViewLoad, TheLinesThatAreInCanBeUsedMeanwhile) {
  OpenHeld();
  EXPECT_TRUE(SelectSearchMatch(*S, "line 500", false, true, false, false));
  EXPECT_EQ(CurrentRow(*S), 500);
  SelectLevelJump(*S, true, lError);
  EXPECT_EQ(CurrentRow(*S), 503);
  PutOnClipboard(L"before");
  ASSERT_TRUE(CopySelection(*S));
  EXPECT_EQ(ClipboardText(), L"2024-01-01 10:00:00 ERROR line 503\r\n");
  EXPECT_TRUE(LoadInProgress(*S));
}

// Moving on to another file, and a reload for new settings, stop the running load: nothing of
// the old one shows afterwards, also once its worker could go on.
TEST_F(ViewLoad, ANewLoadStopsTheRunningOneAndShowsNothingOfIt) {
  const std::pair<const char*, std::function<bool(TSkerrinState&)>> Starts[] = {
      {"another file", [](TSkerrinState& State) { return LoadAndShow(State); }},
      {"a reload for new settings",
       [](TSkerrinState& State) { return ReloadKeepingPlace(State, NoteViewPlace(State)); }},
  };
  for (const auto& [Name, Start] : Starts) {
    OpenHeld();
    TTempLog Other(NumberedLogLines(5, "other"), L"skerrin_viewload_other.log");
    S->FileName = Utf8Path(Other.Path());
    // A 32-bit viewer waits for the stopped worker (it needs the room of the old log), which
    // has to come out of the hold for that.
    std::thread Opener([] {
      Sleep(100);
      SetEvent(Gate);
    });
    EXPECT_TRUE(Start(*S)) << Name;
    Opener.join();
    ASSERT_TRUE(WaitForLoad(Viewer)) << Name;
    PumpMessages(100);
    EXPECT_EQ(S->View.VisibleCount, 5) << Name;
    EXPECT_EQ(RowTextOf(*S, 4), L"2024-01-01 10:00:00 INFO other 4") << Name;
    EXPECT_EQ(Summary().rfind(L"Lines: 5 | skerrin_viewload_other.log", 0), 0u) << Name << ": " << Summary();
    TearDown();
  }
}

// A writer that rotates the log meanwhile is not hindered: the load ends with the file it read,
// and tail then loads the new file, as after any rotation.
TEST_F(ViewLoad, ARotationDuringTheLoadEndsItAndTailLoadsTheNewFile) {
  OpenHeld();
  const std::wstring Rotated = Log->Path() + L".1";
  bool Renamed = false;
  std::thread Writer([&] {
    Renamed = MoveFileExW(Log->Path().c_str(), Rotated.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    HANDLE File = CreateFileW(Log->Path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string Text = NumberedLogLines(3, "new");
    DWORD Written = 0;
    WriteFile(File, Text.data(), static_cast<DWORD>(Text.size()), &Written, nullptr);
    CloseHandle(File);
  });
  Writer.join();
  EXPECT_TRUE(Renamed) << "the load's handle stood in the writer's way: " << GetLastError();
  Release();
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(S->View.VisibleCount, Lines) << "the load reads the file it opened";
  SetTailEnabled(*S, true);
  SendMessageW(Viewer, WM_TIMER, TailTimerId, 0);
  ASSERT_TRUE(WaitForLoad(Viewer));
  EXPECT_EQ(S->View.VisibleCount, 3);
  EXPECT_EQ(RowTextOf(*S, 0), L"2024-01-01 10:00:00 INFO new 0");
  DeleteFileW(Rotated.c_str());
}

// The user can still close the lister with Esc while the file loads.
TEST_F(ViewLoad, EscStillReachesTheListerDuringTheLoad) {
  OpenHeld();
  THostWindow::Keys().clear();
  SendMessageW(S->ListWindow, WM_KEYDOWN, VK_ESCAPE, 1);
  PumpMessages(20);
  bool Seen = false;
  for (const auto& Key : THostWindow::Keys()) Seen = Seen || (Key.Msg == WM_KEYDOWN && Key.Key == VK_ESCAPE);
  EXPECT_TRUE(Seen);
  EXPECT_TRUE(LoadInProgress(*S));
}

}  // namespace
