// The load on a worker thread and its reader: the rows a reader takes are final and stay put
// while the load goes on, the end is the blocking load's, and cancelling, failing and a writer
// rotating the file meanwhile all end a load cleanly. These tests also run in the
// ThreadSanitizer build of test.sh.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "loader/uLogLoader.h"
#include "loader/uLogTail.h"
#include "model/uLogFilter.h"
#include "model/uRuleCache.h"
#include "model/uStatusText.h"
#include "settings/uSettings.h"
#include "uLoaderTestFixture.h"
#include "uTestSupport.h"

namespace fs = std::filesystem;

namespace {

const char* const Levels[] = {"INFO ", "DEBUG", "WARN ", "ERROR", "TRACE"};

// Log4x lines with every level, of varied lengths; Width pads them.
std::string Log4xLines(int Count, int Width = 0) {
  std::string Text;
  for (int I = 0; I < Count; ++I) {
    Text += "2024-03-01 10:" + std::to_string(10 + I / 60000 % 50) + ":" + std::to_string(10 + I / 1000 % 50) + "," +
            std::to_string(100 + I % 900) + " " + Levels[I % 5] + " [worker-" + std::to_string(I % 7) +
            "] com.example.Service - request " + std::to_string(I) +
            std::string(static_cast<size_t>(I % 13 + Width), 'x');
    Text += I % 3 ? "\n" : "\r\n";
  }
  return Text;
}

// Lines far shorter than the loader's estimate of a line: its entries outgrow what it took for
// them.
std::string ShortLines(int Count) {
  std::string Text;
  for (int I = 0; I < Count; ++I) Text += std::string(Levels[I % 5]) + " " + std::to_string(I) + "\n";
  return Text;
}

std::string TextOf(const TLogList& List, int32_t Index) {
  return std::string(List.EntryText(Index), static_cast<size_t>(List.Items[Index].TextLength));
}

bool SameEntry(const TLogEntry& A, const TLogEntry& B) {
  return A.Timestamp == B.Timestamp && A.TextOffset == B.TextOffset && A.TextLength == B.TextLength &&
         A.SourceStart == B.SourceStart && A.ThreadStart == B.ThreadStart && A.Level == B.Level &&
         A.LineNumber == B.LineNumber && A.Format == B.Format;
}

// Counts the load's notifications, so that the reader waits for them instead of for time.
class TNotifications {
 public:
  std::function<void()> Callback() {
    return [this] {
      {
        const std::lock_guard<std::mutex> Hold(Lock);
        ++Count;
      }
      Signal.notify_all();
    };
  }
  int Seen() {
    const std::lock_guard<std::mutex> Hold(Lock);
    return Count;
  }
  // False when none came after the Seen-th within a generous time (a hung load).
  bool WaitBeyond(int Seen) {
    std::unique_lock<std::mutex> Hold(Lock);
    return Signal.wait_for(Hold, std::chrono::seconds(60), [&] { return Count > Seen; });
  }

 private:
  std::mutex Lock;
  std::condition_variable Signal;
  int Count = 0;
};

// Takes as a viewer does on each notification (or at once when there is more) until the load
// ends or GoOn, called after every Take, says to stop.
template <typename F>
TLoadProgress TakeWhile(TBackgroundLoad& Load, TNotifications& Notes, int32_t MaxNewRows, F&& GoOn) {
  for (;;) {
    const int Seen = Notes.Seen();
    const TLoadProgress Progress = Load.Take(MaxNewRows);
    if (!GoOn(Progress) || Progress.State != lsLoading) return Progress;
    if (!Progress.MoreRows && !Notes.WaitBeyond(Seen)) {
      ADD_FAILURE() << "no notification";
      return Progress;
    }
  }
}

template <typename F>
TLoadProgress TakeToTheEnd(TBackgroundLoad& Load, TNotifications& Notes, int32_t MaxNewRows, F&& Each) {
  return TakeWhile(Load, Notes, MaxNewRows, [&](const TLoadProgress& P) {
    Each(P);
    return true;
  });
}

class LogLoaderThreadsTest : public TLoaderTest {};

}  // namespace

// Every Take hands over rows that are final (parsed with the decided format, whose first lines
// were parsed again before anyone saw them) and that stay as they were while the load goes on;
// the end is what the blocking load gives. Small reads publish rows before the format is decided
// and after every few lines; without room reserved ahead the buffers move under the reader.
TEST_F(LogLoaderThreadsTest, TakenRowsAreFinalAndTheEndIsTheBlockingLoads) {
  const std::string Lines = Log4xLines(3000);
  struct Case {
    const char* Name;
    std::string Bytes;
    int64_t Chunk;
    bool ReserveAhead;
    int32_t MaxNewRows;
    bool Moves;  // the entries move while the reader reads them
  };
  const Case Cases[] = {
      {"8-bit", Lines, 131072, true, MaxListCount, false},
      {"8-bit, small reads", Lines, 97, false, 37, false},
      {"short lines, moving entries", ShortLines(40000), 4096, false, 3000, true},
      {"utf-16, open last line", "\xFF\xFE" + Utf16Bytes(std::u16string(Lines.begin(), Lines.end()) + u"open", false),
       1000, false, 500, false},
      {"fewer lines than the sample", Log4xLines(7), 16, true, MaxListCount, false},
      {"empty", "", 131072, true, MaxListCount, false},
  };
  for (const Case& C : Cases) {
    const std::string Path = Write("app.log", C.Bytes);
    TLoadedLog Blocking;
    ASSERT_TRUE(Blocking.Load(Path, AppSettings)) << C.Name;
    LoadReadChunk = C.Chunk;
    LoadReservesAhead = C.ReserveAhead;
    auto Log = std::make_shared<TLoadedLog>();
    TNotifications Notes;
    const std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Log, Path, AppSettings, Notes.Callback());
    ASSERT_NE(Load, nullptr) << C.Name;
    EXPECT_EQ(Log->FileSize, Blocking.FileSize) << C.Name;
    std::vector<TLogEntry> Taken;
    int64_t LastBytes = 0;
    const TLogEntry* const FirstEntries = Log->List.Items.Data();
    const TLoadProgress End = TakeToTheEnd(*Load, Notes, C.MaxNewRows, [&](const TLoadProgress& P) {
      ASSERT_EQ(P.OldCount, static_cast<int32_t>(Taken.size()));
      ASSERT_LE(P.NewCount - P.OldCount, C.MaxNewRows);
      ASSERT_GE(P.BytesRead, LastBytes);
      LastBytes = P.BytesRead;
      if (P.NewCount > 0) {
        ASSERT_EQ(Log->Format, Blocking.Format) << C.Name;
      }
      for (int32_t I = 0; I < static_cast<int32_t>(Taken.size()); ++I)
        ASSERT_TRUE(SameEntry(Log->List.Items[I], Taken[static_cast<size_t>(I)])) << C.Name << " row " << I;
      for (int32_t I = P.OldCount; I < P.NewCount; ++I) {
        ASSERT_TRUE(SameEntry(Log->List.Items[I], Blocking.List.Items[I])) << C.Name << " row " << I;
        ASSERT_EQ(TextOf(Log->List, I), TextOf(Blocking.List, I));
        Taken.push_back(Log->List.Items[I]);
      }
    });
    ASSERT_EQ(End.State, lsDone) << C.Name;
    EXPECT_EQ(Log->List.Items.Data() != FirstEntries, C.Moves) << C.Name;
    EXPECT_EQ(End.BytesRead, End.FileSize) << C.Name;
    EXPECT_EQ(Log->List.Count, Blocking.List.Count) << C.Name;
    EXPECT_EQ(Log->List.TextUsed, Blocking.List.TextUsed) << C.Name;
    EXPECT_EQ(Log->MaxLineLength, Blocking.MaxLineLength) << C.Name;
    EXPECT_EQ(Log->Encoding, Blocking.Encoding) << C.Name;
    EXPECT_EQ(Log->LineEndOffset, Blocking.LineEndOffset) << C.Name;
    EXPECT_EQ(Log->LastLineOpen, Blocking.LastLineOpen) << C.Name;
    EXPECT_EQ(Log->FileInfo, Blocking.FileInfo) << C.Name;
    EXPECT_EQ(Load->Take().State, lsDone) << "the end stays";
    Load->Wait();
  }
}

// The reader is the host's thread and never waits for the worker: while the worker is held up
// in the middle of its publishing (here in a notification that hangs), Take returns at once
// with what was published.
TEST_F(LogLoaderThreadsTest, TakeDoesNotWaitForTheWorker) {
  const std::string Path = Write("app.log", Log4xLines(3000));
  std::atomic<bool> Notifying{false}, Released{false};
  TNotifications Notes;
  auto Log = std::make_shared<TLoadedLog>();
  const std::unique_ptr<TBackgroundLoad> Load =
      TBackgroundLoad::Start(Log, Path, AppSettings, [&, Counted = Notes.Callback()] {
        Notifying = true;
        while (!Released) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        Counted();
      });
  ASSERT_NE(Load, nullptr);
  while (!Notifying) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::future<TLoadProgress> Taking = std::async(std::launch::async, [&] { return Load->Take(); });
  const bool Returned = Taking.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  Released = true;
  ASSERT_TRUE(Returned) << "Take waited for the worker";
  const TLoadProgress Held = Taking.get();
  EXPECT_EQ(Held.State, lsLoading);
  EXPECT_GT(Held.NewCount, 0);
  EXPECT_EQ(TakeToTheEnd(*Load, Notes, MaxListCount, [](const TLoadProgress&) {}).State, lsDone);
  EXPECT_EQ(Log->List.Count, 3000);
  Load->Wait();
}

// A cancelled load stops, publishes and announces nothing more, and a reader that lets go of the
// log leaves its memory to the worker, which frees it as it ends.
TEST_F(LogLoaderThreadsTest, CancelStopsTheLoadAndTheWorkerFreesTheLog) {
  const std::string Lines = Log4xLines(40000);
  const std::string Path = Write("big.log", Lines);
  static std::atomic<int> Reads;
  static std::atomic<bool> Cancelled;
  Reads = 0;
  Cancelled = false;
  LoadReadChunk = 4096;
  // The load holds after a tenth of the file until the test has cancelled it, whatever the
  // machine's load does to the two threads' pace; it must then stop within a block or two.
  constexpr int HoldAfterReads = 80;
  LoadReadHook = [](int64_t, int64_t&) {
    if (++Reads < HoldAfterReads) return;
    for (int Waited = 0; !Cancelled && Waited < 10000; ++Waited)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  auto Log = std::make_shared<TLoadedLog>();
  TNotifications Notes;
  const std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Log, Path, AppSettings, Notes.Callback());
  ASSERT_NE(Load, nullptr);
  TakeWhile(*Load, Notes, MaxListCount, [](const TLoadProgress& P) { return P.NewCount == 0; });
  Load->Cancel();
  Cancelled = true;
  const int NotesAtCancel = Notes.Seen();
  const int32_t Rows = Log->List.Count;
  const std::string FirstRow = TextOf(Log->List, 0);
  const std::weak_ptr<TLoadedLog> Watch = Log;
  EXPECT_EQ(Load->Take().State, lsCancelled);
  EXPECT_EQ(Log->List.Count, Rows);
  EXPECT_EQ(TextOf(Log->List, 0), FirstRow) << "the rows taken stay readable";
  Log.reset();
  Load->Wait();
  EXPECT_TRUE(Watch.expired()) << "the worker freed the log";
  EXPECT_LT(Reads.load(), HoldAfterReads + 64) << "the load stopped within a block of the cancel";
  EXPECT_EQ(Notes.Seen(), NotesAtCancel);
}

// A large log takes a while to free; a viewer hands it to a thread of its own, which frees it.
TEST_F(LogLoaderThreadsTest, ALogLetGoOfInTheBackgroundIsFreed) {
  auto Log = std::make_shared<TLoadedLog>();
  ASSERT_TRUE(Log->Load(Write("app.log", Log4xLines(100)), AppSettings));
  const std::weak_ptr<TLoadedLog> Watch = Log;
  auto Shared = Log;
  ReleaseLogInBackground(std::move(Shared));
  EXPECT_FALSE(Watch.expired()) << "another owner holds it";
  ReleaseLogInBackground(std::move(Log));
  for (int Tries = 0; !Watch.expired() && Tries < 10000; ++Tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_TRUE(Watch.expired());
}

// A failure after the start empties the log and says why, with the size where memory ran out;
// one at the start is reported by Start itself, at once.
TEST_F(LogLoaderThreadsTest, FailuresEmptyTheLogWithTheirReason) {
  const std::string Lines = Log4xLines(5000);
  const std::string Path = Write("app.log", Lines);
  LoadReadHook = [](int64_t Offset, int64_t&) {
    if (Offset >= 131072) throw std::bad_alloc();
  };
  auto Log = std::make_shared<TLoadedLog>();
  TNotifications Notes;
  const std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Log, Path, AppSettings, Notes.Callback());
  ASSERT_NE(Load, nullptr);
  const TLoadProgress End = TakeToTheEnd(*Load, Notes, MaxListCount, [](const TLoadProgress&) {});
  EXPECT_EQ(End.State, lsFailed);
  EXPECT_EQ(End.NewCount, 0);
  EXPECT_EQ(Log->List.Count, 0);
  EXPECT_EQ(Log->FileSize, 0);
  EXPECT_EQ(LoadErrorText(*Log), "Not enough memory to load " + ByteSizeText(static_cast<int64_t>(Lines.size())));
  Load->Wait();

  LoadReadHook = nullptr;
  auto Missing = std::make_shared<TLoadedLog>();
  EXPECT_EQ(TBackgroundLoad::Start(Missing, Utf8Path(Dir / "missing.log"), AppSettings), nullptr);
  EXPECT_EQ(Missing->LoadError, leNotFound);
}

// The writer of a log must be able to rotate, delete or truncate it while it loads (the load's
// handle shares all of it); the load then ends cleanly with what it read, and tail goes on as
// after such a change: a rotated log is found replaced, a truncated one shorter.
TEST_F(LogLoaderThreadsTest, TheWriterRotatesDeletesOrTruncatesTheLogDuringTheLoad) {
  enum TChange { Rotate, Delete, Truncate };
  struct Case {
    const char* Name;
    TChange Change;
    TTailChange Poll;
    TTailReloadReason Reason;
  };
  const Case Cases[] = {
      {"rotate", Rotate, tcReload, trReplaced},
      {"delete", Delete, tcNothing, trNone},
      {"truncate", Truncate, tcReload, trTruncated},
  };
  const std::string Lines = Log4xLines(5000);
  for (const Case& C : Cases) {
    const std::string Path = Write("app.log", Lines);
    static const Case* Current;
    static fs::path Log;
    static bool Changed, Failed;
    Current = &C;
    Log = Dir / "app.log";
    Changed = Failed = false;
    // The change happens on a thread of its own, as another program's would, while the load
    // waits in the middle of the file.
    LoadReadHook = [](int64_t Offset, int64_t&) {
      if (Offset < 131072 || Changed) return;
      std::thread Writer([] {
        std::error_code Error;
        if (Current->Change == Rotate) {
          fs::rename(Log, fs::path(Log).replace_filename("app.1.log"), Error);
          if (!Error) std::ofstream(Log, std::ios::binary) << "a new log\n";
        } else if (Current->Change == Delete) {
          fs::remove(Log, Error);
        } else {
          fs::resize_file(Log, 1000, Error);
        }
        Failed = static_cast<bool>(Error);
      });
      Writer.join();
      Changed = true;
    };
    auto Loaded = std::make_shared<TLoadedLog>();
    TNotifications Notes;
    const std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Loaded, Path, AppSettings, Notes.Callback());
    ASSERT_NE(Load, nullptr) << C.Name;
    const TLoadProgress End = TakeToTheEnd(*Load, Notes, MaxListCount, [](const TLoadProgress&) {});
    Load->Wait();
    LoadReadHook = nullptr;
    ASSERT_TRUE(Changed) << C.Name;
    EXPECT_FALSE(Failed) << C.Name << ": the load's handle stood in the writer's way";
    EXPECT_EQ(End.State, lsDone) << C.Name;
    const size_t Read = C.Change == Truncate ? 131072 : Lines.size();
    EXPECT_EQ(Loaded->List.Count, static_cast<int32_t>(ReferenceLines(Lines.substr(0, Read)).size())) << C.Name;

    TTailState Tail;
    ResetTail(Tail, *Loaded);
    const TTailResult Poll = PollTail(Tail, *Loaded, Path);
    EXPECT_EQ(Poll.Change, C.Poll) << C.Name;
    EXPECT_EQ(Poll.Reason, C.Reason) << C.Name;
    std::error_code Ignored;
    fs::remove(Dir / "app.1.log", Ignored);
  }
}

// A file past 2 GiB: a 32-bit process cannot address its text and refuses it at once; a 64-bit
// one loads it (here until its first rows are there).
TEST_F(LogLoaderThreadsTest, TextBeyondTwoGigabytesIsRefusedOnlyWhereItCannotBeAddressed) {
  const std::string Head = Log4xLines(100);
  struct Case {
    const char* Name;
    std::string Head;
    uintmax_t Size;
  };
  const Case Cases[] = {
      {"8-bit", Head, (uintmax_t{1} << 31) + 10},
      {"utf-16", "\xFF\xFE" + Utf16Bytes(std::u16string(Head.begin(), Head.end()), false), (uintmax_t{1} << 32) + 10},
  };
  for (const Case& C : Cases) {
    // Sparse: the size is there, the disk blocks are not.
    const std::string Path = Write("huge.log", C.Head);
    std::error_code Error;
    fs::resize_file(Dir / "huge.log", C.Size, Error);
    if (Error) GTEST_SKIP() << "no sparse file: " << Error.message();
    auto Log = std::make_shared<TLoadedLog>();
    TNotifications Notes;
    const std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Log, Path, AppSettings, Notes.Callback());
    if (sizeof(void*) < 8) {
      EXPECT_EQ(Load, nullptr) << C.Name;
      EXPECT_EQ(Log->LoadError, leTooLarge) << C.Name;
      continue;
    }
    ASSERT_NE(Load, nullptr) << C.Name << ": " << LoadErrorText(*Log);
    const TLoadProgress First =
        TakeWhile(*Load, Notes, MaxListCount, [](const TLoadProgress& P) { return P.NewCount < 100; });
    ASSERT_EQ(First.State, lsLoading) << C.Name;
    EXPECT_EQ(TextOf(Log->List, 99), ReferenceLines(Head)[99]) << C.Name;
    Load->Cancel();
    Load->Wait();
  }
}

// What the viewer does with a load in progress, against cancellation at random points: it
// takes rows in batches, filters them, looks up their colour rules and counts their levels
// while the worker appends (and, in every other round, moves the entries), and cancels and lets
// go of the log at any moment. The ThreadSanitizer build runs this to find races; loads that
// run to their end must filter and count what the blocking load does.
TEST_F(LogLoaderThreadsTest, AReaderFiltersAndCountsWhileLoadingAndCancelsAnywhere) {
  const std::string Path = Write("app.log", Log4xLines(3000) + ShortLines(30000));
  TColorStringRule Rules[MaxColorRules];
  Rules[0].Pattern = "worker-3";
  Rules[0].UseLevel = true;
  Rules[0].Level = lError;
  const TColorRuleSet RuleSet{Rules, 1, false};
  const TFilterNeedle Needle = ChooseNeedle(u"ERROR", u"error");
  TLoadedLog Blocking;
  ASSERT_TRUE(Blocking.Load(Path, AppSettings));
  TIndexArray Matches;
  std::u16string Scratch;
  BuildFilteredRows(Blocking.List, Needle, {}, Matches, Scratch);
  TRuleCache BlockingRules;
  SyncRuleCache(BlockingRules, RuleSet);
  const TLevelCounters Counted = CountVisibleLevels(BlockingRules, Blocking.List, true, {}, Blocking.List.Count);

  std::mt19937 Random(20240301);
  std::vector<std::unique_ptr<TBackgroundLoad>> LetGo;
  for (int Round = 0; Round < 16; ++Round) {
    LoadReadChunk = 512 << (Random() % 8);
    LoadReservesAhead = Round % 2 == 0;
    // A third of the rounds run to the end; the others are cancelled after some batches.
    const int CancelAfter = Round % 3 == 0 ? -1 : static_cast<int>(Random() % 30);
    auto Log = std::make_shared<TLoadedLog>();
    TNotifications Notes;
    std::unique_ptr<TBackgroundLoad> Load = TBackgroundLoad::Start(Log, Path, AppSettings, Notes.Callback());
    ASSERT_NE(Load, nullptr);
    TRuleCache Cache;
    SyncRuleCache(Cache, RuleSet);
    TIndexArray Visible;
    TLevelCounters Counters;
    int Batches = 0;
    TLoadProgress Last;
    for (;;) {
      const int Seen = Notes.Seen();
      Last = Load->Take(static_cast<int32_t>(Random() % 3000 + 1));
      const TLogList& List = Log->List;
      for (int32_t I = Last.OldCount; I < Last.NewCount; ++I) {
        const TLogEntry& Entry = List.Items[I];
        if (MatchLine(Needle, std::string_view(List.EntryText(I), static_cast<size_t>(Entry.TextLength)), Scratch))
          Visible.push_back(I);
        const TLogLevel Level = EffectiveLevel(Cache, List, I);
        Counters.ErrorCount += Level == lError;
        Counters.WarnCount += Level == lWarn;
        Counters.InfoCount += Level == lInfo;
      }
      if (Last.State != lsLoading || ++Batches == CancelAfter) break;
      if (!Last.MoreRows) {
        ASSERT_TRUE(Notes.WaitBeyond(Seen));
      }
    }
    if (Last.State == lsDone) {
      EXPECT_EQ(Visible, Matches);
      EXPECT_EQ(Counters.ErrorCount, Counted.ErrorCount);
      EXPECT_EQ(Counters.WarnCount, Counted.WarnCount);
      EXPECT_EQ(Counters.InfoCount, Counted.InfoCount);
    } else {
      ASSERT_EQ(Last.State, lsLoading);
      // Let go of as a viewer moving on lets go of them: the worker frees the log as it stops.
      Load->Cancel();
      Log.reset();
      LetGo.push_back(std::move(Load));
    }
  }
  for (const std::unique_ptr<TBackgroundLoad>& Load : LetGo) Load->Wait();
}
