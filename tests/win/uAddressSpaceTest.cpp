// A 32-bit host gives the plug-in 2 GB of address space, of which the largest free block may be a
// few hundred megabytes: a log can be too large to load long before memory runs out. These tests
// bring the process to that limit without a large log, by reserving all but one block of its
// address space, and check that the viewer meets it cleanly.
//
// They run in the 32-bit build only: a 64-bit process has far more address space than any log
// needs, and reserving it would starve the system's own libraries, which share it there.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/uNoCopy.h"
#include "win/uWinTestSupport.h"

namespace {
constexpr size_t MB = size_t{1} << 20;
constexpr size_t Granularity = 64 * 1024;

// Reserves all address space the system would hand out to this process except one block of Keep
// bytes (none: all of it), and gives it back when destroyed. The space is taken from the
// allocator itself in shrinking pieces, which finds everything a heap could get, however the
// system lays the process out.
class TAddressSpaceSqueeze : TNoCopy {
 public:
  explicit TAddressSpaceSqueeze(size_t Keep = 0) {
    Reserved.reserve(16384);
    for (size_t Piece = 256 * MB; Piece >= Granularity; Piece /= 4)
      while (Reserved.size() < Reserved.capacity() && Reserve(nullptr, Piece)) {
      }
    if (Keep > 0) HandBack((Keep + Granularity - 1) & ~(Granularity - 1));
  }
  ~TAddressSpaceSqueeze() {
    for (const TBlock& Block : Reserved) VirtualFree(Block.Base, 0, MEM_RELEASE);
  }

  size_t Taken() const {
    size_t Total = 0;
    for (const TBlock& Block : Reserved) Total += Block.Size;
    return Total;
  }

 private:
  struct TBlock {
    char* Base;
    size_t Size;
  };
  bool Reserve(char* Base, size_t Size) {
    void* Block = VirtualAlloc(Base, Size, MEM_RESERVE, PAGE_NOACCESS);
    if (Block) Reserved.push_back({static_cast<char*>(Block), Size});
    return Block != nullptr;
  }
  // Frees the start of the first reserved piece that is large enough.
  void HandBack(size_t Keep) {
    for (size_t I = 0; I < Reserved.size(); ++I) {
      if (Reserved[I].Size < Keep) continue;
      const TBlock Tail{Reserved[I].Base + Keep, Reserved[I].Size - Keep};
      VirtualFree(Reserved[I].Base, 0, MEM_RELEASE);
      Reserved[I] = Reserved.back();
      Reserved.pop_back();
      if (Tail.Size > 0) Reserve(Tail.Base, Tail.Size);
      return;
    }
  }
  std::vector<TBlock> Reserved;
};

// The address space a heap could still get.
size_t Reservable() { return TAddressSpaceSqueeze().Taken(); }

// A Log4j-style log of at least Bytes bytes whose every fourth line is an error. Its lines are
// longer than the 80 bytes per line from which the loader sizes its entries, as such logs' are.
std::string Log4jLines(size_t Bytes, int& Lines) {
  std::string Text;
  Text.reserve(Bytes + 256);
  const char* const Levels[] = {"INFO ", "DEBUG", "WARN ", "ERROR"};
  for (Lines = 0; Text.size() < Bytes; ++Lines) {
    char Line[256];
    const int I = Lines;
    const int Length =
        std::snprintf(Line, sizeof(Line),
                      "2024-03-01 %02d:%02d:%02d,%03d %s [worker-%d] com.example.service.RequestHandler"
                      " - request %d done\n",
                      I / 3600000 % 24, I / 60000 % 60, I / 1000 % 60, I % 1000, Levels[I % 4], I % 16, I);
    Text.append(Line, static_cast<size_t>(Length));
  }
  return Text;
}

int LoadNext(const TPluginViewer& Viewer, const TTempLog& Log) {
  std::wstring Name = Log.Path();
  const int Result = SharedPlugin().Export<TListLoadNextW>("ListLoadNextW")(Viewer.HostWindow().Top(), Viewer.Window(),
                                                                            Name.data(), 0);
  WaitForLoad(Viewer.Window());
  return Result;
}

void Filter(TPluginViewer& Viewer, const wchar_t* Text) {
  Viewer.Filter(Text);
  PumpMessages(300);  // a rebuild of many rows may keep the typing pause's timer waiting
}

class AddressSpace : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (sizeof(void*) == 8) return;
    Small = new TTempLog(Log4jLines(16 * MB, SmallLines), L"skerrin_space_small.log");
    // Four times the small one: the loader reserves room to grow beside what a log needs, so the
    // room a viewer of the small log took must still be far too little for this one.
    const std::string LargeText = Log4jLines(64 * MB, LargeLines);
    LargeBytes = LargeText.size();
    Large = new TTempLog(LargeText, L"skerrin_space_large.log");
    SmallRoom = RoomFor(*Small);
    LargeRoom = RoomFor(*Large);
  }
  static void TearDownTestSuite() {
    delete Small;
    delete Large;
    Small = Large = nullptr;
  }
  void SetUp() override {
    if (sizeof(void*) == 8) GTEST_SKIP() << "only a 32-bit process can run out of address space";
  }
  // The address space a viewer of Log takes, all included.
  static size_t RoomFor(const TTempLog& Log) {
    const size_t Before = Reservable();
    TPluginViewer Viewer(Log.Path());
    return Before - Reservable();
  }
  static inline TTempLog* Small = nullptr;
  static inline TTempLog* Large = nullptr;
  static inline int SmallLines = 0, LargeLines = 0;
  static inline size_t LargeBytes = 0, SmallRoom = 0, LargeRoom = 0;
};

}  // namespace

// The file manager's quick view loads file after file into one viewer: a log that fits when
// opened alone must fit after another, whose text and entries are given back first.
TEST_F(AddressSpace, TheNextFileGetsTheRoomOfThePreviousOne) {
  TAddressSpaceSqueeze Squeeze(LargeRoom + LargeRoom / 8);
  TPluginViewer Viewer(Small->Path());
  ASSERT_EQ(Viewer.Rows(), SmallLines);
  EXPECT_EQ(LoadNext(Viewer, *Large), 0);
  EXPECT_EQ(Viewer.Rows(), LargeLines);
}

TEST_F(AddressSpace, ALogBeyondTheRoomLeavesAnEmptyUsableView) {
  TAddressSpaceSqueeze Squeeze(SmallRoom + SmallRoom / 8);
  TPluginViewer Viewer(Large->Path());
  ASSERT_TRUE(IsWindow(Viewer.Window())) << "the host gets a viewer, empty";
  EXPECT_EQ(Viewer.Rows(), 0);
  Filter(Viewer, L"ERROR");
  SendMessageW(Viewer.Control(IdList), WM_KEYDOWN, VK_END, 0);
  RedrawWindow(Viewer.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_EQ(Viewer.Rows(), 0);
  Filter(Viewer, L"");
  EXPECT_EQ(LoadNext(Viewer, *Small), 0) << "the failed load gave back what it took";
  EXPECT_EQ(Viewer.Rows(), SmallLines);
}

// Filtering, wrapping and copying need room of their own; without it a filter shows every row,
// the others do nothing, and the clipboard is either filled or left as it was. (What is seen is
// checked once the room is back: a failing check needs some itself.)
TEST_F(AddressSpace, AViewerThatFilledTheRoomKeepsWorking) {
  PutOnClipboard(L"kept");
  int Loaded = 0, Errors = 0, Unfiltered = 0, Unwrapped = 0, Copied = 0;
  {
    TAddressSpaceSqueeze Squeeze(LargeRoom + MB);
    TPluginViewer Viewer(Large->Path());
    Loaded = Viewer.Rows();
    Filter(Viewer, L"ERROR");
    Errors = Viewer.Rows();
    Filter(Viewer, L"");
    Unfiltered = Viewer.Rows();
    Viewer.Command(IdMenuWordWrap);
    Viewer.Command(IdMenuWordWrap);
    Unwrapped = Viewer.Rows();
    SendMessageW(Viewer.Control(IdList), LB_SETSEL, TRUE, -1);
    Viewer.Command(IdMenuCopyAll);
    RedrawWindow(Viewer.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Copied = Viewer.Rows();
  }
  EXPECT_EQ(Loaded, LargeLines);
  EXPECT_TRUE(Errors == LargeLines / 4 || Errors == LargeLines) << "the errors, or all rows without room";
  EXPECT_EQ(Unfiltered, LargeLines);
  EXPECT_EQ(Unwrapped, LargeLines);
  EXPECT_EQ(Copied, LargeLines);
  const std::wstring Clipboard = ClipboardText();
  // Copied rows end in CR LF where the file has LF.
  EXPECT_TRUE(Clipboard == L"kept" || Clipboard.size() == LargeBytes + LargeLines) << Clipboard.size();
}

// Tail adds lines to the text of a log, which grows by doubling; when a 32-bit process has no
// room to double a large text, a smaller step must do, or the new lines never appear.
TEST_F(AddressSpace, TailAddsLinesWithoutRoomToDoubleTheText) {
  int Lines = 0, More = 0;
  TGrowingLog Log(L"skerrin_space_tail.log", Log4jLines(32 * MB, Lines));
  const std::string Appended = Log4jLines(MB, More);
  int Before = 0, After = 0;
  {
    TAddressSpaceSqueeze Squeeze(LargeRoom + LargeBytes * 3 / 2);
    TPluginViewer Viewer(Log.Path());
    Before = Viewer.Rows();
    Viewer.Click(IdTailBox, true);
    Log.Append(Appended);
    Viewer.Tick();
    After = Viewer.Rows();
  }
  EXPECT_EQ(Before, Lines);
  EXPECT_EQ(After, Lines + More);
}
