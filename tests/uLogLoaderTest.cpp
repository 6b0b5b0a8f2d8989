#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "loader/uLineParser.h"
#include "loader/uLogLoader.h"
#include "loader/uLogTail.h"
#include "model/uRuleCache.h"
#include "settings/uSettings.h"
#include "uLoaderTestFixture.h"
#include "uTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string TextOf(const TLogList& List, int32_t Index) {
  return std::string(List.EntryText(Index), static_cast<size_t>(List.Items[Index].TextLength));
}

std::vector<std::string> LinesOf(const TLoadedLog& Log) {
  std::vector<std::string> Lines;
  for (int32_t I = 0; I < Log.List.Count; ++I) Lines.push_back(TextOf(Log.List, I));
  return Lines;
}

const std::string Log4xLine = "2024-03-01 10:00:00,123 INFO  [main] com.example.App - started";

int64_t HookFailOffset = -1;
int64_t HookShortenTo = -1;
bool HookThrowLength = false;

void FaultHook(int64_t Offset, int64_t& Count) {
  if (HookFailOffset >= 0 && Offset >= HookFailOffset) {
    if (HookThrowLength) throw std::length_error("injected");
    throw std::bad_alloc();
  }
  if (HookShortenTo >= 0 && Offset + Count > HookShortenTo) Count = std::max<int64_t>(HookShortenTo - Offset, 0);
}

class LogLoaderTest : public TLoaderTest {
 protected:
  void TearDown() override {
    HookFailOffset = HookShortenTo = -1;
    HookThrowLength = false;
    TLoaderTest::TearDown();
  }

  // Every entry numbered in order, with the parse a fresh ParseLine gives for the decided format.
  void ExpectConsistent(const TLoadedLog& Log) {
    int32_t Longest = 0;
    int64_t NextOffset = 0;
    for (int32_t I = 0; I < Log.List.Count; ++I) {
      const TLogEntry& Got = Log.List.Items[I];
      ASSERT_EQ(Got.LineNumber, I + 1);
      // The text is stored back to back, without line breaks.
      ASSERT_EQ(Got.TextOffset, NextOffset) << "line " << I + 1;
      NextOffset += Got.TextLength;
      TLogEntry Want = EmptyLogEntry();
      ParseLine(std::string_view(Log.List.EntryText(I), static_cast<size_t>(Got.TextLength)), I + 1, Log.Format, Want,
                Log.CustomConfig);
      ASSERT_EQ(Got.Level, Want.Level) << "line " << I + 1;
      ASSERT_EQ(Got.Timestamp, Want.Timestamp) << "line " << I + 1;
      ASSERT_EQ(Got.SourceStart, Want.SourceStart) << "line " << I + 1;
      ASSERT_EQ(Got.ThreadStart, Want.ThreadStart) << "line " << I + 1;
      ASSERT_EQ(Got.Format, Want.Format) << "line " << I + 1;
      Longest = std::max(Longest, Got.TextLength);
    }
    EXPECT_EQ(Log.MaxLineLength, Longest);
    EXPECT_EQ(Log.List.TextUsed, NextOffset);
  }
};

}  // namespace

TEST_F(LogLoaderTest, SplitsLinesAtLineFeedsAndDropsOneCarriageReturn) {
  struct Case {
    std::string Bytes;
    std::vector<std::string> Lines;
    int64_t LineEnd;
    bool Open;
  };
  const Case Cases[] = {
      {"", {}, 0, false},
      {"a", {"a"}, 0, true},
      {"a\n", {"a"}, 2, false},
      {"a\r\n\r\nb", {"a", "", "b"}, 5, true},
      {"x\r\r\n", {"x\r"}, 4, false},
      {"a\rb\nc\r", {"a\rb", "c"}, 4, true},
      {"\n", {""}, 1, false},
      {"\r", {""}, 0, true},
      {"a\n\n", {"a", ""}, 3, false},
      {"\xEF\xBB\xBFhead\r\n", {"head"}, 9, false},
      {"\xEF\xBB\xBF", {}, 3, false},
      {"\xFF\xFE", {"\xFF\xFE"}, 0, true},
      {"caf\xE9 \x80\x81\n", {"caf\xE9 \x80\x81"}, 8, false},
  };
  for (const Case& C : Cases) {
    const std::string Path = Write("split.log", C.Bytes);
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Path, AppSettings));
    EXPECT_EQ(LinesOf(Log), C.Lines) << C.Bytes;
    EXPECT_EQ(Log.Encoding, 0) << C.Bytes;
    EXPECT_EQ(Log.ByteOrderMark, C.Bytes.rfind("\xEF\xBB\xBF", 0) == 0) << C.Bytes;
    EXPECT_EQ(Log.FileSize, static_cast<int64_t>(C.Bytes.size())) << C.Bytes;
    EXPECT_EQ(Log.LineEndOffset, C.LineEnd) << C.Bytes;
    EXPECT_EQ(Log.LastLineOpen, C.Open) << C.Bytes;
    ExpectConsistent(Log);
  }
}

TEST_F(LogLoaderTest, EmptyFileLoadsAsPlainOrForcedFormat) {
  const std::string Path = Write("empty.log", "");
  TLoadedLog Log;
  ASSERT_TRUE(Log.Load(Path, AppSettings));
  EXPECT_EQ(Log.List.Count, 0);
  EXPECT_EQ(Log.Format, lfPlain);
  EXPECT_EQ(Log.FileSize, 0);
  AppSettings.AutoDetect = false;
  AppSettings.ForceFormat = lfJSON;
  ASSERT_TRUE(Log.Load(Path, AppSettings));
  EXPECT_EQ(Log.Format, lfJSON);
}

TEST_F(LogLoaderTest, LinesAcrossReadBlocksAreStoredWhole) {
  constexpr size_t Block = 131072;
  // Line breaks at and around the block boundary, both halves of CR LF on either side of it.
  for (size_t BreakAt : {Block - 2, Block - 1, Block, Block + 1}) {
    for (const std::string Break : {"\n", "\r\n"}) {
      std::string Bytes(BreakAt, 'a');
      Bytes += Break + "tail\r\n";
      const std::string Path = Write("block.log", Bytes);
      TLoadedLog Log;
      ASSERT_TRUE(Log.Load(Path, AppSettings));
      ASSERT_EQ(LinesOf(Log), ReferenceLines(Bytes)) << BreakAt << " " << Break.size();
      ExpectConsistent(Log);
      EXPECT_EQ(Log.MaxLineLength, static_cast<int32_t>(BreakAt));
    }
  }
  // A line of more than two blocks, and a file that is an exact number of blocks.
  std::string Long(2 * Block + 5000, 'L');
  Long[Block + 7] = '\r';
  std::string Bytes = "first\n" + Long + "\r\nlast\n";
  Bytes += std::string(Block - (Bytes.size() + 1) % Block, 'z') + "\n";
  ASSERT_EQ(Bytes.size() % Block, 0u);
  TLoadedLog Log;
  ASSERT_TRUE(Log.Load(Write("long.log", Bytes), AppSettings));
  EXPECT_EQ(LinesOf(Log), ReferenceLines(Bytes));
  EXPECT_EQ(Log.MaxLineLength, static_cast<int32_t>(Long.size()));
  EXPECT_EQ(Log.LineEndOffset, static_cast<int64_t>(Bytes.size()));
  EXPECT_FALSE(Log.LastLineOpen);
  ExpectConsistent(Log);
}

TEST_F(LogLoaderTest, RandomBreaksMatchTheReferenceSplit) {
  std::mt19937 Random(20240301);
  const char Alphabet[] = {'a', 'b', '\r', '\n', '\r', ' '};
  for (int Round = 0; Round < 4; ++Round) {
    std::string Bytes(300000 + Round * 7, ' ');
    for (char& C : Bytes) C = Alphabet[Random() % (Round % 2 ? 6 : 4)];
    const std::string Path = Write("random.log", Bytes);
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Path, AppSettings));
    ASSERT_EQ(LinesOf(Log), ReferenceLines(Bytes)) << Round;
    const size_t LastLf = Bytes.rfind('\n');
    EXPECT_EQ(Log.LineEndOffset, LastLf == std::string::npos ? 0 : static_cast<int64_t>(LastLf + 1));
    EXPECT_EQ(Log.LastLineOpen, Bytes.back() != '\n');
  }
}

// Reads of a few bytes put a block boundary at every place in turn: between CR and LF, inside a
// UTF-8 sequence or a UTF-16 pair, right after a byte-order mark. The load must not notice.
TEST_F(LogLoaderTest, SmallReadsGiveTheSameLoad) {
  const std::u16string Units =
      u"2024-03-01 10:00:00 ERROR caf\u00E9\r\n\U0001F600 x\r\r\n" + std::u16string(1, 0xD83D) + u"\n\ndrei\r";
  const std::string Files[] = {
      "a\r\nb\n\r\ncaf\xC3\xA9 \xF0\x9F\x98\x80\r\r\nERROR x\n\nlast\r",
      "\xEF\xBB\xBFwith mark\r\n2024-03-01 10:00:00 WARN y\n",
      "\xFF\xFE" + Utf16Bytes(Units, false),
      "\xFE\xFF" + Utf16Bytes(Units, true) + "\x0A",
      Utf16Bytes(Units, false),
  };
  for (const std::string& Bytes : Files) {
    const std::string Path = Write("small.log", Bytes);
    TLoadedLog Whole;
    ASSERT_TRUE(Whole.Load(Path, AppSettings));
    for (const int64_t Chunk : {2, 3, 8, 130}) {
      LoadReadChunk = Chunk;
      TLoadedLog Log;
      const bool Loaded = Log.Load(Path, AppSettings);
      LoadReadChunk = 131072;
      ASSERT_TRUE(Loaded) << Chunk;
      EXPECT_EQ(LinesOf(Log), LinesOf(Whole)) << Chunk;
      EXPECT_EQ(Log.Encoding, Whole.Encoding);
      EXPECT_EQ(Log.Format, Whole.Format);
      EXPECT_EQ(Log.LineEndOffset, Whole.LineEndOffset) << Chunk;
      EXPECT_EQ(Log.LastLineOpen, Whole.LastLineOpen);
      ExpectConsistent(Log);
    }
  }
}

TEST(Utf16Detection, FollowsZeroShareBalanceAndAsciiShare) {
  struct Case {
    const char* Name;
    std::string Bytes;
    int32_t Expected;
  };
  const std::string AsciiText = "2024-01-01 INFO started\r\n";
  std::string FewNuls(400, 'x');
  for (size_t I = 0; I < FewNuls.size(); I += 20) FewNuls[I] = '\0';
  std::string Binary;  // many zeros at both offsets
  for (int I = 0; I < 400; ++I) Binary += std::string(I % 3 ? "\0\0" : "\1\2", 2);
  std::string Cjk;  // no zero bytes at all in the units
  for (int I = 0; I < 200; ++I) Cjk += "\x2D\x4E";
  std::string CjkWithSpaces;  // zeros only from the spaces, no printable majority
  for (int I = 0; I < 200; ++I) CjkWithSpaces += I % 2 ? std::string("\x2D\x4E") : std::string(" \0", 2);
  const auto Controls = [](int Of4) {  // Of4 units of every 4 are U+0001, the rest CJK
    std::string Bytes;
    for (int I = 0; I < 240; ++I) Bytes += I % 4 < Of4 ? std::string("\x01\0", 2) : std::string("\x2D\x4E");
    return Bytes;
  };
  const Case Cases[] = {
      {"ascii le", Utf16Bytes(std::u16string(AsciiText.begin(), AsciiText.end()), false), 1},
      {"ascii be", Utf16Bytes(std::u16string(AsciiText.begin(), AsciiText.end()), true), 2},
      {"eight-bit", std::string(200, 'q'), 0},
      {"few nuls", FewNuls, 0},
      {"balanced zeros", Binary, 0},
      {"cjk without zeros", Cjk, 0},
      {"half printable le units", CjkWithSpaces, 1},
      {"control units, too few zeros for a guess", Controls(1), 0},
      {"control units, many zeros", Controls(3), 1},
      {"too short", std::string("a\0b\0c\0", 6), 0},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(DetectUtf16(reinterpret_cast<const unsigned char*>(C.Bytes.data()), C.Bytes.size()), C.Expected)
        << C.Name;
}

TEST(Utf16Decoding, ProducesValidUtf8InAnyPieces) {
  struct Case {
    std::u16string Units;
    std::string Utf8;
  };
  const Case Cases[] = {
      {u"plain", "plain"},
      {u"\u00E9\u20AC", "\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600!", "\xF0\x9F\x98\x80!"},
      {std::u16string{0xD83D, u'x'}, "\xEF\xBF\xBDx"},  // high without low
      {std::u16string{0xDE00, u'y'}, "\xEF\xBF\xBDy"},  // low alone
      {std::u16string{u'z', 0xD83D}, "z\xEF\xBF\xBD"},  // high at the very end
      {std::u16string{0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
      {std::u16string{0xD83D, u'\n'}, "\xEF\xBF\xBD\n"},
      // Runs of ASCII longer than the decoder's wide steps, broken where a step would end.
      {u"abcdefgh\u0141ijklmnopqrstuvw\u0080xyz01234567\u007F\U0001F600ABCDEFGHIJKLMNOP",
       "abcdefgh\xC5\x81ijklmnopqrstuvw\xC2\x80xyz01234567\x7F\xF0\x9F\x98\x80"
       "ABCDEFGHIJKLMNOP"},
      {std::u16string{0xD83D} + u"abcdefghijklmnop",
       "\xEF\xBF\xBD"
       "abcdefghijklmnop"},
  };
  for (bool BigEndian : {false, true}) {
    for (const Case& C : Cases) {
      const std::string Bytes = Utf16Bytes(C.Units, BigEndian) + "\x41";  // odd byte is dropped
      for (size_t Piece : {Bytes.size(), size_t{1}, size_t{3}}) {
        TUtf16Decoder Decoder;
        Decoder.BigEndian = BigEndian;
        std::string Out;
        for (size_t At = 0; At < Bytes.size(); At += Piece) {
          const size_t Count = std::min(Piece, Bytes.size() - At);
          char Buffer[256];
          ASSERT_LE(TUtf16Decoder::MaxOutput(Count), sizeof(Buffer));
          Out.append(Buffer, Decoder.Decode(reinterpret_cast<const unsigned char*>(Bytes.data()) + At, Count, Buffer));
        }
        char Tail[4];
        Out.append(Tail, Decoder.Finish(Tail));
        EXPECT_EQ(Out, C.Utf8) << "piece " << Piece << " big-endian " << BigEndian;
      }
    }
  }
}

TEST_F(LogLoaderTest, Utf16FilesWithAndWithoutMarkBecomeUtf8Lines) {
  const std::u16string Text = u"2024-03-01 10:00:00 ERROR caf\u00E9\r\nzwei \U0001F600\n\ndrei";
  const std::vector<std::string> Want = {"2024-03-01 10:00:00 ERROR caf\xC3\xA9", "zwei \xF0\x9F\x98\x80", "", "drei"};
  struct Case {
    std::string Prefix;
    bool BigEndian;
    int32_t Encoding;
  };
  for (const Case& C : {Case{"\xFF\xFE", false, 1}, Case{"\xFE\xFF", true, 2}, Case{"", false, 1}, Case{"", true, 2}}) {
    const std::string Bytes = C.Prefix + Utf16Bytes(Text, C.BigEndian) + "\x0A";  // odd byte ignored
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Write("utf16.log", Bytes), AppSettings));
    EXPECT_EQ(Log.Encoding, C.Encoding);
    EXPECT_EQ(Log.ByteOrderMark, !C.Prefix.empty());
    EXPECT_EQ(LinesOf(Log), Want);
    EXPECT_EQ(Log.FileSize, static_cast<int64_t>(Bytes.size()));
    // Past the code unit of the last line feed; "drei" and the odd byte are still to come.
    EXPECT_EQ(Log.LineEndOffset, static_cast<int64_t>(Bytes.size() - 1 - 8));
    EXPECT_TRUE(Log.LastLineOpen);
    EXPECT_EQ(Log.MaxLineLength, static_cast<int32_t>(Want[0].size()));
    ExpectConsistent(Log);
  }
}

TEST_F(LogLoaderTest, Utf16PairsAndBreaksAcrossBlocks) {
  // After the mark, the first 128 KiB block ends after 65536 code units.
  const std::u16string Head(65535, u'a');
  const std::string HeadUtf8(65535, 'a');
  const std::u16string Tail(70000, u'b');
  const std::string TailUtf8(70000, 'b');
  struct Case {
    const char* Name;
    std::u16string Units;
    std::vector<std::string> Lines;
  };
  const Case Cases[] = {
      {"cr lf split", Head + u"\r\n" + Tail, {HeadUtf8, TailUtf8}},
      {"pair split", Head + u"\U0001F600\n" + Tail, {HeadUtf8 + "\xF0\x9F\x98\x80", TailUtf8}},
      {"unpaired high before the boundary", Head + char16_t(0xD83D) + u"x\n", {HeadUtf8 + "\xEF\xBF\xBDx"}},
      {"unpaired high before a line feed",
       Head + char16_t(0xD83D) + u"\n" + Tail,
       {HeadUtf8 + "\xEF\xBF\xBD", TailUtf8}},
      {"unpaired high at the end", Tail + char16_t(0xDBFF), {TailUtf8 + "\xEF\xBF\xBD"}},
  };
  for (const Case& C : Cases) {
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Write("pair.log", "\xFF\xFE" + Utf16Bytes(C.Units, false)), AppSettings)) << C.Name;
    EXPECT_EQ(Log.Encoding, 1);
    EXPECT_EQ(LinesOf(Log), C.Lines) << C.Name;
  }
}

TEST_F(LogLoaderTest, FormatIsDecidedFromTheFirstFiftyLines) {
  for (int Lines : {49, 50, 51, 120}) {
    std::string Bytes;
    for (int I = 0; I < Lines; ++I) Bytes += Log4xLine + "\n";
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Write("log4x.log", Bytes), AppSettings));
    EXPECT_EQ(Log.Format, lfLog4x) << Lines;
    ASSERT_EQ(Log.List.Count, Lines);
    EXPECT_EQ(Log.List.Items[0].Level, lInfo);
    EXPECT_EQ(Log.List.Items[0].Format, lfLog4x);
    EXPECT_NE(Log.List.Items[0].Timestamp, 0.0);
    ExpectConsistent(Log);
  }
}

TEST_F(LogLoaderTest, ForcedFormatsSkipOrKeepTheSample) {
  std::string Bytes;
  for (int I = 0; I < 60; ++I) Bytes += Log4xLine + "\n";
  const std::string Path = Write("forced.log", Bytes);
  AppSettings.AutoDetect = false;
  AppSettings.ForceFormat = lfSyslog;
  TLoadedLog Log;
  ASSERT_TRUE(Log.Load(Path, AppSettings));
  EXPECT_EQ(Log.Format, lfSyslog);
  ExpectConsistent(Log);

  // The custom format chooses its timestamp pattern from the first lines.
  AppSettings.ForceFormat = lfCustom;
  AppSettings.CustomFormat.Delimiter = '|';
  AppSettings.CustomFormat.TimestampFmt = "DD.MM.YYYY";
  std::string Custom;
  for (int I = 0; I < 30; ++I) Custom += "2024-03-01 10:00:0" + std::to_string(I % 10) + "|ERROR|src|text\n";
  ASSERT_TRUE(Log.Load(Write("custom.log", Custom), AppSettings));
  EXPECT_EQ(Log.Format, lfCustom);
  EXPECT_NE(Log.CustomConfig.TimestampFmt, "DD.MM.YYYY");
  EXPECT_EQ(AppSettings.CustomFormat.TimestampFmt, "DD.MM.YYYY");
  ASSERT_EQ(Log.List.Count, 30);
  EXPECT_NE(Log.List.Items[0].Timestamp, 0.0);
  EXPECT_EQ(Log.List.Items[0].Level, lError);
  ExpectConsistent(Log);
}

TEST_F(LogLoaderTest, FailuresLeaveAnEmptyList) {
  std::string Bytes;
  for (int I = 0; I < 5000; ++I) Bytes += Log4xLine + " " + std::to_string(I) + "\n";
  const std::string Good = Write("good.log", Bytes);
  const std::string Utf16 =
      Write("wide.log", "\xFF\xFE" + Utf16Bytes(std::u16string(Bytes.begin(), Bytes.end()), false));
  struct Case {
    const char* Name;
    std::string Path;
    int64_t FailOffset;
    bool ThrowLength;
    int64_t ShortenTo;
    TLoadError Reason;
  };
  const Case Cases[] = {
      {"missing", Utf8Path(Dir / "missing.log"), -1, false, -1, leNotFound},
      {"missing folder", Utf8Path(Dir / "none" / "x.log"), -1, false, -1, leNotFound},
      {"directory", Utf8Path(Dir), -1, false, -1, leAccessDenied},
      {"empty name", "", -1, false, -1, leNotFound},
      {"out of memory in the second block", Good, 131072, false, -1, leOutOfMemory},
      {"out of memory at the probe", Good, 0, false, -1, leOutOfMemory},
      {"text too long", Good, 131072, true, -1, leTooLarge},
      {"utf-16 out of memory", Utf16, 131072, false, -1, leOutOfMemory},
  };
  for (const Case& C : Cases) {
    TLoadedLog Log;
    LoadReadHook = nullptr;
    ASSERT_TRUE(Log.Load(Good, AppSettings));
    HookFailOffset = C.FailOffset;
    HookThrowLength = C.ThrowLength;
    HookShortenTo = C.ShortenTo;
    LoadReadHook = FaultHook;
    EXPECT_FALSE(Log.Load(C.Path, AppSettings)) << C.Name;
    EXPECT_EQ(Log.List.Count, 0) << C.Name;
    EXPECT_EQ(Log.List.TextUsed, 0) << C.Name;
    EXPECT_EQ(Log.FileSize, 0) << C.Name;
    EXPECT_EQ(Log.MaxLineLength, 0) << C.Name;
    EXPECT_EQ(Log.Format, lfUnknown) << C.Name;
    EXPECT_EQ(Log.LineEndOffset, 0) << C.Name;
    EXPECT_EQ(Log.LoadError, C.Reason) << C.Name;
    // The object stays usable.
    LoadReadHook = nullptr;
    EXPECT_TRUE(Log.Load(Good, AppSettings)) << C.Name;
    EXPECT_EQ(Log.List.Count, 5000) << C.Name;
    EXPECT_EQ(Log.LoadError, leNone) << C.Name;
  }
}

TEST(LoadErrorText, EveryFailureHasItsOwnText) {
  std::vector<std::string> Seen;
  for (int32_t E = leNotFound; E <= leLineTooLong; ++E) {
    const std::string Text = LoadErrorText(static_cast<TLoadError>(E));
    EXPECT_FALSE(Text.empty()) << E;
    EXPECT_EQ(std::count(Seen.begin(), Seen.end(), Text), 0) << Text;
    Seen.push_back(Text);
  }
  EXPECT_STREQ(LoadErrorText(leNone), "");
}

// Where memory ran out, the user learns for how large a file.
TEST(LoadErrorText, NamesTheSizeThatDidNotFit) {
  TLoadedLog Log;
  EXPECT_EQ(LoadErrorText(Log), "");
  Log.LoadError = leOutOfMemory;
  Log.FailedFileSize = 10522669875LL;
  EXPECT_EQ(LoadErrorText(Log), "Not enough memory to load 9.8 GB");
  Log.LoadError = leNotFound;
  EXPECT_EQ(LoadErrorText(Log), "File not found");
}

// A writer truncating the file under the load ends it where the file now ends; tail sees the
// truncation afterwards.
TEST_F(LogLoaderTest, AFileThatShrinksLoadsWhatIsThere) {
  std::string Bytes;
  for (int I = 0; I < 5000; ++I) Bytes += Log4xLine + "\n";
  const std::u16string Wide(Bytes.begin(), Bytes.end());
  const int64_t ShortenTo = 131072 + 1000;
  struct Case {
    const char* Name;
    std::string Bytes;
    std::string Left;  // what the load can read
  };
  const Case Cases[] = {
      {"8-bit", Bytes, Bytes.substr(0, ShortenTo)},
      {"utf-16", "\xFF\xFE" + Utf16Bytes(Wide, false), Bytes.substr(0, ShortenTo / 2 - 1)},
  };
  for (const Case& C : Cases) {
    const std::string Path = Write("shrink.log", C.Bytes);
    HookShortenTo = ShortenTo;
    LoadReadHook = FaultHook;
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Path, AppSettings)) << C.Name;
    EXPECT_EQ(LinesOf(Log), ReferenceLines(C.Left)) << C.Name;
    EXPECT_EQ(Log.FileSize, static_cast<int64_t>(C.Bytes.size())) << C.Name;
  }
}

// A writer appends while the load runs: the load reads no further than the size it measured
// at the start (a fast writer would otherwise keep it reading without end), and tail, resuming
// where the load stopped, brings in every line written meanwhile exactly once.
TEST_F(LogLoaderTest, GrowthDuringTheLoadIsLeftToTail) {
  static bool Grew;
  std::string Bytes;
  for (int I = 0; I < 3000; ++I) Bytes += Log4xLine + "\n";
  struct Case {
    const char* Name;
    std::string Initial;
    std::string Appended;
    bool Open;  // the load ends on a line without its line feed
  };
  const Case Cases[] = {
      {"8-bit, a line completed meanwhile", Bytes + "half", " line\nnext\n", true},
      {"8-bit, a line begun meanwhile", Bytes, "open", false},
      {"utf-16", "\xFF\xFE" + Utf16Bytes(std::u16string(Bytes.begin(), Bytes.end()), false),
       Utf16Bytes(u"wide line\n", false), false},
  };
  for (const Case& C : Cases) {
    Grew = false;
    const std::string Path = Write("growing.log", C.Initial);
    std::ofstream Later(Dir / "growing.log", std::ios::binary | std::ios::app);
    static std::ofstream* Appender;
    static const std::string* Text;
    Appender = &Later;
    Text = &C.Appended;
    LoadReadHook = [](int64_t Offset, int64_t&) {
      if (Offset >= 131072 && !Grew) {
        *Appender << *Text << std::flush;
        Grew = true;
      }
    };
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Path, AppSettings)) << C.Name;
    LoadReadHook = nullptr;
    Later.close();
    ASSERT_TRUE(Grew);
    const int64_t Initial = static_cast<int64_t>(C.Initial.size());
    EXPECT_EQ(Log.FileSize, Initial) << C.Name;
    EXPECT_EQ(Log.List.Count, 3000 + (C.Open ? 1 : 0)) << C.Name;
    EXPECT_EQ(Log.LastLineOpen, C.Open) << C.Name;
    EXPECT_EQ(Log.LineEndOffset, C.Open ? Initial - 4 : Initial) << C.Name;

    TTailState Tail;
    TTailFileInfo Info;
    ASSERT_TRUE(ReadFileInfo(Path, Info));
    ResetTail(Tail, Log, Info);
    EXPECT_EQ(PollTail(Tail, Log, Path).Change, C.Appended == "open" ? tcNothing : tcAppended) << C.Name;
    std::string Final = Bytes + (C.Open ? "half line\nnext\n" : C.Appended == "open" ? "open" : "wide line\n");
    EXPECT_EQ(LinesOf(Log), ReferenceLines(Final, false)) << C.Name;
  }
}

TEST_F(LogLoaderTest, ReloadStartsFromAnEmptyList) {
  TLoadedLog Log;
  std::string Big;
  for (int I = 0; I < 300; ++I) Big += Log4xLine + "\n";
  ASSERT_TRUE(Log.Load(Write("big.log", Big), AppSettings));
  ASSERT_EQ(Log.List.Count, 300);
  ASSERT_TRUE(Log.Load(Write("small.log", "one\ntwo"), AppSettings));
  EXPECT_EQ(LinesOf(Log), (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(Log.Format, lfPlain);
  EXPECT_EQ(Log.MaxLineLength, 3);
  EXPECT_EQ(Log.List.Items[1].LineNumber, 2);
}

TEST_F(LogLoaderTest, LoadsTheRealSampleLogs) {
  struct Case {
    const char* File;
    TLogFormat Format;
  };
  const Case Cases[] = {{"Apache_2k.log", lfUnknown},    {"Linux_2k.log", lfSyslog},
                        {"Zookeeper_2k.log", lfLog4x},   {"Windows_2k.log", lfUnknown},
                        {"HealthApp_2k.log", lfUnknown}, {"Proxifier_2k.log", lfUnknown}};
  for (const Case& C : Cases) {
    const std::string Path = TestDataPath(std::string("loghub/") + C.File);
    std::ifstream In(Path, std::ios::binary);
    ASSERT_TRUE(In) << Path;
    const std::string Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Path, AppSettings)) << C.File;
    EXPECT_EQ(Log.List.Count, 2000) << C.File;
    EXPECT_EQ(LinesOf(Log), ReferenceLines(Bytes)) << C.File;
    EXPECT_EQ(Log.FileSize, static_cast<int64_t>(Bytes.size()));
    if (C.Format != lfUnknown) {
      EXPECT_EQ(Log.Format, C.Format) << C.File;
    }
    EXPECT_NE(Log.Format, lfUnknown) << C.File;
    ExpectConsistent(Log);
  }
}

TEST_F(LogLoaderTest, ZookeeperCountsOnlyItsRealErrors) {
  // Its WARN lines often speak of errors; the status bar must count the 13 ERROR lines only.
  TLoadedLog Log;
  ASSERT_TRUE(Log.Load(TestDataPath("loghub/Zookeeper_2k.log"), AppSettings));
  TRuleCache Rules;
  const TLevelCounters Counters = CountVisibleLevels(Rules, Log.List, true, {}, Log.List.Count);
  EXPECT_EQ(Counters.ErrorCount, 13);
  EXPECT_EQ(Counters.WarnCount, 1318);
  EXPECT_EQ(Counters.InfoCount, 669);
}

#ifdef _WIN32
TEST_F(LogLoaderTest, SharingRulesOfOtherHandlesAreHonoured) {
  const std::string Path = Write("shared.log", "a\nb\n");
  const std::wstring Wide = (Dir / "shared.log").wstring();
  HANDLE Writer =
      CreateFileW(Wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Writer, INVALID_HANDLE_VALUE);
  TLoadedLog Log;
  EXPECT_TRUE(Log.Load(Path, AppSettings));
  EXPECT_EQ(Log.List.Count, 2);
  CloseHandle(Writer);

  HANDLE Locker = CreateFileW(Wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(Locker, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Log.Load(Path, AppSettings));
  EXPECT_EQ(Log.LoadError, leInUse);
  EXPECT_EQ(Log.List.Count, 0);
  CloseHandle(Locker);
}
#endif
