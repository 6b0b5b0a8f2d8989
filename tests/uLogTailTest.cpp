#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "loader/uLogLoader.h"
#include "loader/uLogTail.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

namespace fs = std::filesystem;

namespace {

const std::string InfoLine = "2024-03-01 10:00:00,123 INFO  [main] com.example.App - started";
const std::string ErrorLine = "2024-03-01 10:00:01,456 ERROR [main] com.example.App - failed";

// Hooks are plain function pointers; these carry what the running test asked of them.
int64_t FailReadAt = -1;     // offset of the read to shorten
int32_t FailStoreLine = -1;  // line number whose storing runs out of memory
std::vector<std::string> WriteDuringLoad;
class LogTailTest* CurrentTest = nullptr;

void ShortenRead(int64_t Offset, int64_t& Count) {
  if (Offset == FailReadAt) Count /= 2;
}
void ThrowOnRead(int64_t, int64_t&) { throw std::bad_alloc(); }
void ThrowOnStore(int32_t LineNumber) {
  if (LineNumber == FailStoreLine) throw std::bad_alloc();
}
void AppendDuringLoad(int64_t, int64_t&);

class LogTailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedSettings = AppSettings;
    AppSettings = TAppSettings{};
    static int Serial = 0;
    Dir = fs::temp_directory_path() / ("skerrin-tail-" + std::to_string(++Serial) + "-" +
                                       std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(Dir);
    Path = Dir / "app.log";
    CurrentTest = this;
  }
  void TearDown() override {
    TailReadHook = nullptr;
    TailStoreHook = nullptr;
    LoadReadHook = nullptr;
    FailReadAt = -1;
    FailStoreLine = -1;
    CurrentTest = nullptr;
    AppSettings = SavedSettings;
    std::error_code Ignored;
    fs::remove_all(Dir, Ignored);
  }

 public:
  // A new file under the log's name.
  void Create(const std::string& Bytes) {
    { std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes; }
    RememberCreationTime();
  }
  void Append(const std::string& Bytes) {
    { std::ofstream(Path, std::ios::binary | std::ios::app) << Bytes; }
    KeepCreationTime();
  }
  // The same file written again from its start.
  void Rewrite(const std::string& Bytes) {
    { std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes; }
    KeepCreationTime();
  }
  // Under Wine this also changes what it reports as the creation time.
  void MakeWriteTimeLater() { fs::last_write_time(Path, fs::last_write_time(Path) + std::chrono::seconds(10)); }
  static bool WriteTimeIsCreationTime() {
#ifdef _WIN32
    return RunningUnderWine();
#else
    return false;
#endif
  }

 protected:
  // Windows keeps a file's creation time when it is written; Wine reports its last write time
  // as its creation time, so there the writer puts the write time back after each write, to
  // show the poll what Windows would.
#ifdef _WIN32
  static bool RunningUnderWine() {
    const HMODULE Ntdll = GetModuleHandleW(L"ntdll.dll");
    return Ntdll && GetProcAddress(Ntdll, "wine_get_version");
  }
  void RememberCreationTime() {
    HANDLE File =
        CreateFileW(Path.wstring().c_str(), FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(File, INVALID_HANDLE_VALUE);
    GetFileTime(File, &Created, nullptr, nullptr);
    CloseHandle(File);
  }
  void KeepCreationTime() {
    HANDLE File =
        CreateFileW(Path.wstring().c_str(), FILE_WRITE_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(File, INVALID_HANDLE_VALUE);
    SetFileTime(File, &Created, nullptr, RunningUnderWine() ? &Created : nullptr);
    CloseHandle(File);
  }
  FILETIME Created{};
#else
  void RememberCreationTime() {}
  void KeepCreationTime() {}
#endif

  // What the viewer does after every load.
  void Load() {
    Log.Load(Utf8Path(Path), AppSettings);
    TTailFileInfo Info;
    ReadFileInfo(Utf8Path(Path), Info);
    ResetTail(Tail, Log, Info);
  }
  // One timer tick as the viewer handles it.
  TTailResult Tick() {
    const TTailResult Result = PollTail(Tail, Log, Utf8Path(Path));
    if (Result.Change == tcReload) Load();
    return Result;
  }

  std::string TextOf(int32_t Index) const {
    return std::string(Log.List.EntryText(Index), static_cast<size_t>(Log.List.Items[Index].TextLength));
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> Result;
    for (int32_t I = 0; I < Log.List.Count; ++I) Result.push_back(TextOf(I));
    return Result;
  }
  // Texts exactly as expected, and numbered on without gaps or repeats.
  void ExpectLines(const std::vector<std::string>& Expected) {
    EXPECT_EQ(Lines(), Expected);
    for (int32_t I = 0; I < Log.List.Count; ++I) EXPECT_EQ(Log.List.Items[I].LineNumber, I + 1) << "entry " << I;
    EXPECT_EQ(Tail.LastLineNumber, Log.List.Count);
  }

  TAppSettings SavedSettings;
  fs::path Dir, Path;
  TLoadedLog Log;
  TTailState Tail;
};

void AppendDuringLoad(int64_t, int64_t&) {
  for (const std::string& Bytes : WriteDuringLoad) CurrentTest->Append(Bytes);
  WriteDuringLoad.clear();
}

// Everything a failed poll must leave as it was.
struct TSnapshot {
  int64_t TailOffset;
  TTailFileInfo Info;
  std::string Pending;
  int32_t LastLineNumber, LongestLine, OpenEntry, Count;
  int64_t TextUsed;
  std::vector<TLogLevel> Levels;
  bool operator==(const TSnapshot&) const = default;
};

TSnapshot SnapshotOf(const TTailState& Tail, const TLoadedLog& Log) {
  TSnapshot S{Tail.TailOffset,     Tail.TailFileInfo, Tail.TailPending,
              Tail.LastLineNumber, Tail.LongestLine,  Tail.OpenEntry,
              Log.List.Count,      Log.List.TextUsed, {}};
  for (int32_t I = 0; I < Log.List.Count; ++I) S.Levels.push_back(Log.List.Items[I].Level);
  return S;
}

}  // namespace

TEST_F(LogTailTest, GrowthInSeveralChunksIsParsedAndNumberedOn) {
  std::string Start;
  for (int I = 0; I < 4; ++I) Start += InfoLine + "\n";
  Create(Start + ErrorLine + "\n");
  Load();
  ASSERT_EQ(Log.Format, lfLog4x);
  EXPECT_EQ(Tick().Change, tcNothing);

  Append(ErrorLine + "\n" + InfoLine + " and more\n");
  TTailResult R = Tick();
  EXPECT_EQ(R.Change, tcAppended);
  EXPECT_EQ(R.OldCount, 5);
  EXPECT_EQ(R.NewCount, 7);
  EXPECT_EQ(R.ChangedEntry, -1);
  EXPECT_TRUE(R.LongestLineChanged);
  EXPECT_EQ(Tail.LongestLine, static_cast<int32_t>(InfoLine.size() + 9));
  EXPECT_EQ(Log.List.Items[5].Level, lError);
  EXPECT_EQ(Log.List.Items[6].Level, lInfo);
  EXPECT_NE(Log.List.Items[6].Timestamp, 0.0);

  Append(InfoLine + "\n");
  Append(ErrorLine + "\n");
  R = Tick();
  EXPECT_EQ(R.OldCount, 7);
  EXPECT_EQ(R.NewCount, 9);
  EXPECT_FALSE(R.LongestLineChanged);
  EXPECT_EQ(Tick().Change, tcNothing);
  ExpectLines(
      {InfoLine, InfoLine, InfoLine, InfoLine, ErrorLine, ErrorLine, InfoLine + " and more", InfoLine, ErrorLine});
}

TEST_F(LogTailTest, PartialLinesAndSplitLineBreaksWaitForTheirLineFeed) {
  Create("one\n");
  Load();
  struct {
    std::string Write;
    TTailChange Change;
    std::vector<std::string> Lines;
  } const Steps[] = {
      {"two\r\nthree\r\nfou", tcAppended, {"one", "two", "three"}},
      {"r-end", tcNothing, {"one", "two", "three"}},
      {"\r", tcNothing, {"one", "two", "three"}},
      {"\n", tcAppended, {"one", "two", "three", "four-end"}},
      {"five\r", tcNothing, {"one", "two", "three", "four-end"}},
      {"\nsix\n\r\n", tcAppended, {"one", "two", "three", "four-end", "five", "six", ""}},
      {"a\rb\r\r\n", tcAppended, {"one", "two", "three", "four-end", "five", "six", "", "a\rb\r"}},
  };
  for (const auto& Step : Steps) {
    SCOPED_TRACE(Step.Write);
    Append(Step.Write);
    EXPECT_EQ(Tick().Change, Step.Change);
    ExpectLines(Step.Lines);
  }
}

TEST_F(LogTailTest, LineOpenAtTheLoadIsCompletedInPlace) {
  Create(InfoLine + "\nsecond\n2024-03-01 10:00:02,000 WARN  [main] x - par");
  Load();
  ASSERT_TRUE(Log.LastLineOpen);
  ASSERT_EQ(Log.List.Count, 3);
  const TLogEntry Loaded = Log.List.Items[2];

  Append("tly");
  EXPECT_EQ(Tick().Change, tcNothing);
  EXPECT_EQ(TextOf(2), "2024-03-01 10:00:02,000 WARN  [main] x - par");

  Append(" done\r\n" + ErrorLine + "\n");
  const TTailResult R = Tick();
  EXPECT_EQ(R.Change, tcAppended);
  EXPECT_EQ(R.OldCount, 3);
  EXPECT_EQ(R.NewCount, 4);
  EXPECT_EQ(R.ChangedEntry, 2);
  EXPECT_EQ(R.ChangedBefore.TextOffset, Loaded.TextOffset);
  EXPECT_EQ(R.ChangedBefore.TextLength, Loaded.TextLength);
  EXPECT_EQ(Log.List.Items[2].Level, lWarn);
  ExpectLines({InfoLine, "second", "2024-03-01 10:00:02,000 WARN  [main] x - partly done", ErrorLine});

  // Later growth appends as usual: the completed line is not replaced twice.
  Append("last\n");
  const TTailResult Next = Tick();
  EXPECT_EQ(Next.ChangedEntry, -1);
  EXPECT_EQ(Next.NewCount, 5);
}

TEST_F(LogTailTest, OpenLineEndingInCarriageReturnGetsOnlyItsLineFeed) {
  Create("a\nb\r");
  Load();
  ExpectLines({"a", "b"});
  Append("\nc\n");
  const TTailResult R = Tick();
  EXPECT_EQ(R.ChangedEntry, 1);
  ExpectLines({"a", "b", "c"});
}

TEST_F(LogTailTest, LinesWrittenDuringTheLoadAreLeftToTheFirstPoll) {
  Create("first\nsecond\n");
  WriteDuringLoad = {"third\n", "four"};
  LoadReadHook = AppendDuringLoad;
  Load();
  LoadReadHook = nullptr;
  ASSERT_EQ(Log.FileSize, 13);  // measured before the writes, and read no further
  ExpectLines({"first", "second"});

  EXPECT_EQ(Tick().Change, tcAppended);
  ExpectLines({"first", "second", "third"});
  Append("th\nfifth\n");
  const TTailResult R = Tick();
  EXPECT_EQ(R.ChangedEntry, -1);
  ExpectLines({"first", "second", "third", "fourth", "fifth"});
}

TEST_F(LogTailTest, ReplacedShrunkOrRewrittenFilesAreLoadedAgain) {
  const std::string Start = "alpha\nbeta\ngamma\n";
  enum TChange { Truncate, Shrink, RotateByRename, RewriteSameSize };
  struct {
    TChange Change;
    TTailReloadReason Reason;
    std::vector<std::string> Lines;
  } const Cases[] = {
      {Truncate, trTruncated, {}},
      {Shrink, trTruncated, {"omega"}},
      {RotateByRename, trReplaced, {"new one"}},
      {RewriteSameSize, trRewritten, {"ALPHA", "BETA", "GAMMA", "DELTA"}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(static_cast<int>(Case.Change));
    Create(Start);
    Load();
    Append("delta\n");
    ASSERT_EQ(Tick().Change, tcAppended);
    switch (Case.Change) {
      case Truncate:
        Rewrite("");
        break;
      case Shrink:
        Rewrite("omega\n");
        break;
      case RotateByRename:
        fs::rename(Path, Dir / "app.log.1");
        Create("new one\n");
        break;
      default:
        Rewrite("ALPHA\nBETA\nGAMMA\nDELTA\n");
        MakeWriteTimeLater();
        break;
    }
    const TTailResult R = Tick();
    EXPECT_EQ(R.Change, tcReload);
    // Wine cannot show a newer write time under an unchanged creation time: there the rewrite
    // looks like a replacement, which reloads all the same.
    EXPECT_EQ(R.Reason, Case.Reason == trRewritten && WriteTimeIsCreationTime() ? trReplaced : Case.Reason);
    ExpectLines(Case.Lines);
    EXPECT_EQ(Tick().Change, tcNothing);
    fs::remove(Dir / "app.log.1");
  }
}

// The load's open last line is read again by the next poll, so the poll starts before the end
// of the file; changes to the file up to its end must still be seen.
TEST_F(LogTailTest, AFileEndingInAnOpenLineIsSeenShrunkOrRewritten) {
  struct {
    const char* Now;
    bool LaterWriteTime;
    TTailReloadReason Reason;
    std::vector<std::string> Lines;
  } const Cases[] = {
      {"alpha\nbeta\nopen l", false, trTruncated, {"alpha", "beta", "open l"}},
      {"ALPHA\nBETA\nOPEN LINE", true, trRewritten, {"ALPHA", "BETA", "OPEN LINE"}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Now);
    Create("alpha\nbeta\nopen line");
    Load();
    Rewrite(Case.Now);
    if (Case.LaterWriteTime) MakeWriteTimeLater();
    const TTailResult R = Tick();
    EXPECT_EQ(R.Change, tcReload);
    EXPECT_EQ(R.Reason, Case.Reason == trRewritten && WriteTimeIsCreationTime() ? trReplaced : Case.Reason);
    ExpectLines(Case.Lines);
  }
}

TEST_F(LogTailTest, FileCreatedEmptyIsLoadedAgainOnceItsWriterStarts) {
  Create("");
  Load();
  EXPECT_EQ(Tick().Change, tcNothing);

  Append(
      Utf16Bytes(u"\xFEFF"
                 u"caf\u00E9 ok\r\n",
                 false));
  const TTailResult R = Tick();
  EXPECT_EQ(R.Change, tcReload);
  EXPECT_EQ(R.Reason, trUnrecognised);
  EXPECT_EQ(Log.Encoding, 1);
  ExpectLines({"caf\xC3\xA9 ok"});

  Append(Utf16Bytes(u"more\n", false));
  EXPECT_EQ(Tick().Change, tcAppended);
  ExpectLines({"caf\xC3\xA9 ok", "more"});
}

TEST_F(LogTailTest, Utf16AppendsAreDecodedAcrossOddReads) {
  for (const bool BigEndian : {false, true}) {
    SCOPED_TRACE(BigEndian ? "big endian" : "little endian");
    Create(
        Utf16Bytes(u"\xFEFF"
                   u"start\r\n",
                   BigEndian));
    Load();
    ASSERT_EQ(Log.Encoding, BigEndian ? 2 : 1);
    // A surrogate pair, a two-byte and a three-byte character, CR LF, all cut at odd bytes.
    const std::string More = Utf16Bytes(u"g\U0001F600 \u00FCber \u65E5\r\nsecond\r\nthi", BigEndian);
    const size_t Cuts[] = {1, 2, 3, 5, 7, 9, 11};
    size_t Done = 0;
    for (size_t Cut : Cuts) {
      Append(More.substr(Done, Cut));
      Done += Cut;
      EXPECT_NE(Tick().Change, tcReadFailed);
    }
    Append(More.substr(Done));
    Tick();
    ExpectLines({"start",
                 "g\xF0\x9F\x98\x80 \xC3\xBC"
                 "ber \xE6\x97\xA5",
                 "second"});
    EXPECT_EQ(Tail.TailPending, "thi");
    Append(Utf16Bytes(u"rd\n", BigEndian));
    Tick();
    ExpectLines({"start",
                 "g\xF0\x9F\x98\x80 \xC3\xBC"
                 "ber \xE6\x97\xA5",
                 "second", "third"});
  }
}

// A writer appends random pieces (lines cut anywhere, CR LF pairs split) while the viewer polls
// after each; once the writer ends its last line, every line is there exactly once.
TEST_F(LogTailTest, RandomWriterEveryLineExactlyOnce) {
  for (const int32_t Encoding : {0, 1, 2}) {
    SCOPED_TRACE(Encoding);
    std::mt19937 Random(1234 + Encoding);
    std::u16string Text;
    for (int I = 0; I < 400; ++I) {
      Text += u"line " + std::u16string(1, static_cast<char16_t>(u'A' + I % 26)) + u" \u00E9\U0001F600";
      Text += std::u16string(Random() % 40, u'x');
      Text += (Random() % 3 == 0) ? u"\r\n" : u"\n";
    }
    std::string Bytes;
    std::string Utf8Reference;
    if (Encoding == 0) {
      for (char16_t U : Text) Bytes += U < 0x80 ? static_cast<char>(U) : '?';
      Utf8Reference = Bytes;
    } else {
      Bytes = Utf16Bytes(Text, Encoding == 2);
      // Same text with the non-ASCII characters as the decoder writes them.
      for (size_t I = 0; I < Text.size(); ++I) {
        const char16_t U = Text[I];
        if (U < 0x80) {
          Utf8Reference += static_cast<char>(U);
        } else if (U == u'\u00E9') {
          Utf8Reference += "\xC3\xA9";
        } else if (U >= 0xD800 && U <= 0xDBFF) {
          Utf8Reference += "\xF0\x9F\x98\x80";
          ++I;
        }
      }
    }
    const std::string Bom = Encoding == 1 ? "\xFF\xFE" : Encoding == 2 ? "\xFE\xFF" : "";
    // The load sees a part that ends inside a line.
    const size_t Initial = Bytes.size() / 5 + 1;
    Create(Bom + Bytes.substr(0, Initial));
    Load();
    for (size_t Done = Initial; Done < Bytes.size();) {
      const size_t Piece = std::min<size_t>(Bytes.size() - Done, 1 + Random() % 300);
      Append(Bytes.substr(Done, Piece));
      Done += Piece;
      if (Random() % 4 != 0) {
        ASSERT_NE(Tick().Change, tcReadFailed);
      }
    }
    Tick();
    ExpectLines(ReferenceLines(Utf8Reference, false));
    EXPECT_TRUE(Tail.TailPending.empty());
  }
}

TEST_F(LogTailTest, LongGrowthAndLongLinesAreReadInPieces) {
  Create("head\n");
  Load();
  std::string Long(300000, 'L');
  std::string Many;
  for (int I = 0; I < 5000; ++I) Many += "line " + std::to_string(I) + "\r\n";
  Append(Long + "\r\n" + Many);
  const TTailResult R = Tick();
  EXPECT_EQ(R.NewCount, 5002);
  EXPECT_EQ(TextOf(1), Long);
  EXPECT_EQ(TextOf(5001), "line 4999");
  EXPECT_EQ(Tail.LongestLine, 300000);
  EXPECT_EQ(Tail.TailOffset, static_cast<int64_t>(fs::file_size(Path)));
}

TEST_F(LogTailTest, FailedPollLeavesEverythingAsItWasAndIsRetried) {
  struct {
    const char* Name;
    TTailReadHook Read;
    TTailStoreHook Store;
  } const Failures[] = {
      {"short read", ShortenRead, nullptr},
      {"read throws", ThrowOnRead, nullptr},
      {"memory runs out completing the open line", nullptr, ThrowOnStore},
      {"memory runs out on a later line", nullptr, ThrowOnStore},
  };
  int Index = 0;
  for (const auto& Failure : Failures) {
    SCOPED_TRACE(Failure.Name);
    Create(InfoLine + "\npart");
    Load();
    Append("ial\nnext " + ErrorLine + "\nrest");
    const TSnapshot Before = SnapshotOf(Tail, Log);
    FailReadAt = Tail.TailOffset;
    FailStoreLine = Index == 2 ? 2 : 3;
    TailReadHook = Failure.Read;
    TailStoreHook = Failure.Store;
    EXPECT_EQ(Tick().Change, tcReadFailed);
    EXPECT_EQ(SnapshotOf(Tail, Log), Before);
    ExpectLines({InfoLine, "part"});
    EXPECT_EQ(Log.List.Items[0].Level, lInfo);

    TailReadHook = nullptr;
    TailStoreHook = nullptr;
    EXPECT_EQ(Tick().Change, tcAppended);
    ExpectLines({InfoLine, "partial", "next " + ErrorLine});
    EXPECT_EQ(Tail.TailPending, "rest");
    ++Index;
  }
}

TEST_F(LogTailTest, VanishedFileIsTriedAgain) {
  Create("first\n");
  Load();
  Append("second\n");
  fs::rename(Path, Dir / "away.log");
  EXPECT_EQ(Tick().Change, tcNothing);
  EXPECT_EQ(PollTail(Tail, Log, "").Change, tcNothing);
  fs::rename(Dir / "away.log", Path);
  EXPECT_EQ(Tick().Change, tcAppended);
  ExpectLines({"first", "second"});
}
