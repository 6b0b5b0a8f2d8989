#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "win/uWinTestSupport.h"

namespace {
using TListGetDetectString = void(WINAPI*)(char*, int);

const std::string Expected =
    "EXT=\"LOG\" | EXT=\"TXT\" | EXT=\"OUT\" | EXT=\"ERR\" | EXT=\"TRACE\" | EXT=\"CSV\" | "
    "FIND(\"[ERROR]\") | FIND(\"[WARN]\") | FIND(\"INFO\")";
}  // namespace

TEST(PluginLibrary, LoadsAndExportsDetectStringByPlainName) {
  TPluginLibrary Plugin;
  ASSERT_NE(Plugin.Handle(), nullptr) << "LoadLibrary failed: " << GetLastError();
  auto Detect = Plugin.Export<TListGetDetectString>("ListGetDetectString");
  ASSERT_NE(Detect, nullptr);

  ASSERT_EQ(Expected.size(), 121u);
  char Buffer[512];
  std::memset(Buffer, 'Z', sizeof(Buffer));
  Detect(Buffer, sizeof(Buffer));
  EXPECT_EQ(std::string(Buffer), Expected);
}

TEST(PluginLibrary, DetectStringIsTruncatedToBufferSize) {
  TPluginLibrary Plugin;
  auto Detect = Plugin.Export<TListGetDetectString>("ListGetDetectString");
  ASSERT_NE(Detect, nullptr);
  struct Case {
    int Size;
    size_t Length;
  };
  for (const Case& C : {Case{50, 49}, Case{1, 0}, Case{121, 120}, Case{122, 121}}) {
    char Buffer[200];
    std::memset(Buffer, 'Z', sizeof(Buffer));
    Detect(Buffer, C.Size);
    EXPECT_EQ(std::strlen(Buffer), C.Length) << C.Size;
    EXPECT_EQ(std::string(Buffer), Expected.substr(0, C.Length)) << C.Size;
    EXPECT_EQ(Buffer[C.Size], 'Z') << "wrote past the buffer of " << C.Size;
  }
  // A zero-sized buffer is left alone.
  char Untouched = 'Z';
  Detect(&Untouched, 0);
  EXPECT_EQ(Untouched, 'Z');
}
