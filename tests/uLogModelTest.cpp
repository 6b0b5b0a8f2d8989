#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/uLogModel.h"
#include "model/uLogTypes.h"

namespace {

void AddLine(TLogList& List, const std::string& Text, int32_t LineNumber) {
  const int64_t Offset = List.AppendText(Text.data(), static_cast<int32_t>(Text.size()));
  const int32_t Index = List.ReserveEntry();
  TLogEntry& Entry = List.Items[Index];
  Entry = EmptyLogEntry();
  Entry.LineNumber = LineNumber;
  Entry.TextOffset = Offset;
  Entry.TextLength = static_cast<int32_t>(Text.size());
  ++List.Count;
}

std::string TextOf(const TLogList& List, int32_t Index) {
  TLogEntry Entry;
  List.GetEntry(Index, Entry);
  return std::string(List.TextBuffer.Data() + Entry.TextOffset, Entry.TextLength);
}

}  // namespace

TEST(LogTypes, DisplayNamesFollowOrdinals) {
  const char* Expected[] = {"Unknown", "Plain", "Log4x",   "Apache Access",         "Nginx Access", "Syslog",
                            "CSV",     "JSON",  "IIS W3C", "Custom (user-defined)", "Rapid SCADA"};
  for (int i = 0; i < LogFormatCount; ++i)
    EXPECT_STREQ(FormatDisplayName(static_cast<TLogFormat>(i)), Expected[i]) << i;
  EXPECT_STREQ(FormatDisplayName(static_cast<TLogFormat>(11)), "");
  EXPECT_STREQ(FormatDisplayName(static_cast<TLogFormat>(-1)), "");

  const char* Roles[] = {"Ignore", "Timestamp", "Level", "Source", "Thread"};
  for (int i = 0; i < CustomFieldRoleCount; ++i)
    EXPECT_STREQ(RoleDisplayName(static_cast<TCustomFieldRole>(i)), Roles[i]) << i;
  EXPECT_STREQ(RoleDisplayName(static_cast<TCustomFieldRole>(5)), "");
}

TEST(LogTypes, OrdinalsAreStable) {
  EXPECT_EQ(lError, 0);
  EXPECT_EQ(lCustom, 5);
  EXPECT_EQ(lfRapidScada, 10);
  EXPECT_EQ(lfCustom, 9);
  EXPECT_EQ(cfrThread, 4);
  EXPECT_EQ(sizeof(TLogLevel), 4u);
  EXPECT_EQ(sizeof(TLogFormat), 4u);
  EXPECT_EQ(sizeof(TCustomFieldRole), 4u);
}

TEST(LogTypes, CustomFormatDefaultsAndCopy) {
  TCustomFormatConfig Config;
  EXPECT_EQ(Config.Mode, 0);
  EXPECT_EQ(Config.Delimiter, '|');
  EXPECT_EQ(Config.FieldCount, 4);
  EXPECT_EQ(Config.Fields[0], cfrTimestamp);
  EXPECT_EQ(Config.Fields[1], cfrLevel);
  EXPECT_EQ(Config.Fields[2], cfrSource);
  for (int i = 3; i < CustomFieldSlots; ++i) EXPECT_EQ(Config.Fields[i], cfrIgnore);
  EXPECT_EQ(Config.TimestampFmt, "YYYY-MM-DD hh:nn:ss");

  TCustomFormatConfig Copy = Config;
  Copy.TimestampFmt = "DD.MM.YYYY";
  EXPECT_EQ(Config.TimestampFmt, "YYYY-MM-DD hh:nn:ss");
}

TEST(LogList, NewListHasRoomFor4096) {
  TLogList List;
  EXPECT_EQ(List.Count, 0);
  EXPECT_EQ(List.Capacity, 4096);
  EXPECT_EQ(List.Items.Length(), 4096u);
  EXPECT_EQ(List.TextUsed, 0);
}

TEST(LogList, ItemsGrowByDoublingThenBy65536) {
  TLogList List;
  for (int i = 0; i < 4096; ++i) AddLine(List, "", i + 1);
  EXPECT_EQ(List.Capacity, 4096);
  AddLine(List, "x", 4097);
  EXPECT_EQ(List.Capacity, 8192);
  while (List.Count < 65536) AddLine(List, "", List.Count + 1);
  EXPECT_EQ(List.Capacity, 65536);
  AddLine(List, "", List.Count + 1);
  EXPECT_EQ(List.Capacity, 131072);
  while (List.Count < 131072) AddLine(List, "", List.Count + 1);
  AddLine(List, "", List.Count + 1);
  EXPECT_EQ(List.Capacity, 196608);
  EXPECT_EQ(static_cast<int32_t>(List.Items.Length()), List.Capacity);
  // Entries survive every growth.
  EXPECT_EQ(TextOf(List, 4096), "x");
  for (int32_t i = 0; i < List.Count; i += 997) EXPECT_EQ(List.Items[i].LineNumber, i + 1);
}

// Growth inside a reservation keeps the block where it is, so nothing is copied; growth past
// it moves the block; shrinking far below gives the address space back. Contents survive all.
TEST(LogList, BuffersGrowInPlaceWithinTheirReservation) {
  TRawArray<int64_t> A;
  A.Resize(1000);
  for (int64_t i = 0; i < 1000; ++i) A[i] = i;
  A.ReserveGrowth(1 << 20, 1000);
  const int64_t* Reserved = A.Data();
  A.Resize(1 << 20);
  EXPECT_EQ(A.Data(), Reserved);
  A[(1 << 20) - 1] = -1;
  A.Resize(1 << 21);
  EXPECT_EQ(A[(1 << 20) - 1], -1);
  A.Resize(10);
  EXPECT_LT(A.ReservedLength(), size_t{1} << 20);
  EXPECT_EQ(A.Length(), 10u);
  for (int64_t i = 0; i < 10; ++i) EXPECT_EQ(A[i], i);
  A.Resize(0);
  EXPECT_EQ(A.Data(), nullptr);
}

// The loader reserves for the most lines and text a file can give (a file of empty lines has as
// many lines as bytes); growth steps must stop at the reservation's end when what is needed fits
// there, rather than move every entry and the whole text.
TEST(LogList, GrowthStopsAtTheReservationWhenWhatIsNeededFitsThere) {
  TLogList List;
  List.ReserveText(0);
  List.ReserveGrowth(200000, 200001);  // between two growth steps of both buffers
  // A 32-bit process reserves fewer entries ahead; the rule is the same.
  const int32_t Lines = static_cast<int32_t>(List.Items.ReservedAheadLength());
  const TLogEntry* Entries = List.Items.Data();
  const char* Text = List.TextBuffer.Data();
  for (int32_t i = 0; i < Lines; ++i) AddLine(List, "x", i + 1);
  EXPECT_EQ(List.Items.Data(), Entries);
  EXPECT_EQ(List.TextBuffer.Data(), Text);
  EXPECT_EQ(List.Items[Lines - 1].LineNumber, Lines);
  EXPECT_EQ(TextOf(List, Lines - 1), "x");
}

TEST(LogList, ReserveEntryDoesNotCount) {
  TLogList List;
  EXPECT_EQ(List.ReserveEntry(), 0);
  EXPECT_EQ(List.ReserveEntry(), 0);
  EXPECT_EQ(List.Count, 0);
}

TEST(LogList, EnsureCapacityOnlyGrows) {
  TLogList List;
  List.EnsureCapacity(100);
  EXPECT_EQ(List.Capacity, 4096);
  List.EnsureCapacity(10000);
  EXPECT_EQ(List.Capacity, 10000);
  EXPECT_EQ(List.Items.Length(), 10000u);
  List.Clear();
  EXPECT_EQ(List.Capacity, 4096);
  EXPECT_EQ(List.Items.Length(), 4096u);
}

TEST(LogList, AppendTextStoresBytesAndKeepsOneSpare) {
  TLogList List;
  EXPECT_EQ(List.AppendText("abc", 3), 0);
  EXPECT_EQ(List.AppendText("", 0), 3);
  EXPECT_EQ(List.TextUsed, 3);
  EXPECT_EQ(List.AppendText("de", 2), 3);
  EXPECT_EQ(List.TextUsed, 5);
  EXPECT_EQ(std::string(List.TextBuffer.Data(), 5), "abcde");
  EXPECT_GT(List.TextBuffer.Length(), 5u);
}

TEST(LogList, TextBufferGrowth) {
  TLogList List;
  // From empty: TextUsed + Len + 65536.
  List.AppendText("a", 1);
  EXPECT_EQ(List.TextBuffer.Length(), 65537u);
  // Doubling wins when it is larger.
  std::string Big(65536, 'b');
  List.AppendText(Big.data(), static_cast<int32_t>(Big.size()));
  EXPECT_EQ(List.TextBuffer.Length(), 131074u);
  EXPECT_EQ(List.TextBuffer[0], 'a');
  EXPECT_EQ(List.TextBuffer[65536], 'b');
  // A line larger than the doubled buffer gets its own size plus the margin.
  std::string Huge(400000, 'c');
  const int32_t Used = List.TextUsed;
  List.AppendText(Huge.data(), static_cast<int32_t>(Huge.size()));
  EXPECT_EQ(List.TextBuffer.Length(), static_cast<size_t>(Used + 400000 + 65536));
}

TEST(LogList, ReserveTextResetsUsedAndClearKeepsAllocation) {
  TLogList List;
  List.ReserveText(1000);
  EXPECT_EQ(List.TextBuffer.Length(), 1001u);
  List.AppendText("hello", 5);
  List.ReserveText(10);
  EXPECT_EQ(List.TextUsed, 0);
  EXPECT_EQ(List.TextBuffer.Length(), 1001u);

  List.AppendText("hello", 5);
  AddLine(List, "x", 1);
  const char* Before = List.TextBuffer.Data();
  List.Clear();
  EXPECT_EQ(List.Count, 0);
  EXPECT_EQ(List.TextUsed, 0);
  EXPECT_EQ(List.TextBuffer.Length(), 1001u);
  EXPECT_EQ(List.TextBuffer.Data(), Before);
}

// Text positions are 64-bit: where the address space allows (a 64-bit process) a list holds
// text past 2 GiB; a 32-bit process refuses it rather than wrap offsets.
TEST(LogList, TextPositionsPass2GiBWhereTheAddressSpaceAllows) {
  TLogList List;
  const int64_t Past2GiB = (int64_t{1} << 31) + 5;
  if (sizeof(void*) < 8) {
    EXPECT_THROW(List.ReserveText(Past2GiB), std::length_error);
    EXPECT_THROW(List.ReserveText((int64_t{1} << 31) - 1), std::length_error);
    List.AppendText("abc", 3);
    EXPECT_THROW(List.AppendText("x", 0x7FFFFFFF - 3), std::length_error);
    EXPECT_EQ(List.TextUsed, 3);
    return;
  }
  // Committed but never touched below the line: only its page takes memory.
  List.ReserveText(Past2GiB + 64);
  List.TextUsed = Past2GiB;
  AddLine(List, "past 2 GiB", 1);
  EXPECT_EQ(List.Items[0].TextOffset, Past2GiB);
  EXPECT_EQ(TextOf(List, 0), "past 2 GiB");
  EXPECT_EQ(List.TextUsed, Past2GiB + 10);
}

// A block that moves while another thread may read it leaves the old memory, unchanged, for its
// owner to release once that reader is done.
TEST(LogList, AMoveLeavesTheOldMemoryToWhoeverRetiresIt) {
  TRawArray<int32_t> A;
  std::vector<TRetiredBlock> Retired;
  A.Resize(1000);
  for (int32_t i = 0; i < 1000; ++i) A[i] = i;
  A.RetireMovesTo(&Retired);
  const int32_t* Old = A.Data();
  A.Resize(A.ReservedLength() + 1);
  ASSERT_NE(A.Data(), Old);
  ASSERT_EQ(Retired.size(), 1u);
  EXPECT_EQ(reinterpret_cast<const int32_t*>(Retired[0].Base), Old);
  for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(Old[i], i);
  for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(A[i], i);
  Retired[0].Release();
  A.RetireMovesTo(nullptr);
  A.Resize(A.ReservedLength() + 1);
  EXPECT_EQ(Retired.size(), 1u);
}

TEST(LogList, EntriesKeepFileOrderAndText) {
  TLogList List;
  const char* Lines[] = {"first", "", "third line", "\xC3\xA9t\xC3\xA9"};
  for (int i = 0; i < 4; ++i) AddLine(List, Lines[i], i + 1);
  ASSERT_EQ(List.Count, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(TextOf(List, i), Lines[i]);
    EXPECT_EQ(List.Items[i].LineNumber, i + 1);
    EXPECT_LE(List.Items[i].TextOffset + List.Items[i].TextLength, List.TextUsed);
    EXPECT_EQ(List.Items[i].Level, lCustom);
    EXPECT_EQ(List.Items[i].Timestamp, 0.0);
  }
  EXPECT_LT(List.TextUsed, static_cast<int64_t>(List.TextBuffer.Length()));
}
