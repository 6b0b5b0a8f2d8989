#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "loader/uLineParser.h"
#include "loader/uLogLoader.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

// Every allocation of the test program goes through here; while a test counts, the bytes asked
// for are added up, and the bytes still held are known at any time. A header in front of each
// block remembers its size. Not inlined: the compiler would then see the header arithmetic
// against the object it knows was allocated and warn about it.
namespace {
std::atomic<bool> Counting{false};
std::atomic<int64_t> BytesAllocated{0};
std::atomic<int64_t> BytesHeld{0};
constexpr size_t Header = 16;  // keeps the alignment of malloc
}  // namespace

[[gnu::noinline]] void* operator new(size_t Size) {
  auto* Block = static_cast<char*>(std::malloc(Size + Header));
  if (!Block) throw std::bad_alloc();
  *reinterpret_cast<size_t*>(Block) = Size;
  BytesHeld += static_cast<int64_t>(Size);
  if (Counting) BytesAllocated += static_cast<int64_t>(Size);
  return Block + Header;
}
void* operator new[](size_t Size) { return operator new(Size); }
[[gnu::noinline]] void operator delete(void* Pointer) noexcept {
  if (!Pointer) return;
  char* Block = static_cast<char*>(Pointer) - Header;
  BytesHeld -= static_cast<int64_t>(*reinterpret_cast<size_t*>(Block));
  std::free(Block);
}
void operator delete[](void* Pointer) noexcept { operator delete(Pointer); }
void operator delete(void* Pointer, size_t) noexcept { operator delete(Pointer); }
void operator delete[](void* Pointer, size_t) noexcept { operator delete(Pointer); }

namespace {

struct TAllocations {
  int64_t Allocated;  // bytes asked for while counting
  int64_t Kept;       // bytes held afterwards that were not held before
};

template <typename TFunction>
TAllocations Measure(TFunction&& Function) {
  const int64_t HeldBefore = BytesHeld;
  BytesAllocated = 0;
  Counting = true;
  Function();
  Counting = false;
  return {BytesAllocated, BytesHeld - HeldBefore};
}

}  // namespace

// A line of many megabytes must cost its own bytes in the list and no more: no copy for the
// keyword search, the CSV fields or the format sample, and nothing held once the load is over.
TEST(LoadMemory, LongLinesAreNeitherCopiedNorKept) {
  constexpr int64_t LongLine = int64_t{2} << 20;
  const std::string Heads[] = {"[2024-05-06 07:08:09] ", "2024-05-06 07:08:09 x ", "plain ", "a,\"b\","};
  TCustomFormatConfig Config;
  for (const std::string& Head : Heads) {
    const std::string Line = Head + std::string(static_cast<size_t>(LongLine), 'x');
    for (int Format = 0; Format < LogFormatCount; ++Format) {
      TLogEntry Entry;
      const TAllocations A = Measure([&] { ParseLine(Line, 1, static_cast<TLogFormat>(Format), Entry, Config); });
      EXPECT_EQ(A.Allocated, 0) << Head << " as format " << Format;
    }
  }

  SetDefaultSettings();
  const std::filesystem::path Path = std::filesystem::temp_directory_path() / "skerrin-long-line.log";
  for (const std::string& Head : Heads) {
    WriteFileBytes(Utf8Path(Path), "first\n" + Head + std::string(static_cast<size_t>(LongLine), 'x') + "\nlast\n");
    TLoadedLog Log;
    const TAllocations A = Measure([&] { ASSERT_TRUE(Log.Load(Utf8Path(Path), AppSettings)); });
    EXPECT_LT(A.Allocated, LongLine / 8) << Head;
    EXPECT_EQ(A.Kept, 0) << Head;
    EXPECT_EQ(Log.List.Count, 3) << Head;
  }
  std::filesystem::remove(Path);
}
