#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <regex>
#include <string>

#include "uTestSupport.h"
#include "viewer/uTrace.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& Path) { return ReadFileBytes(Path.string()); }

// Points the trace variable at a scratch file for the test and clears it afterwards.
class TraceTest : public testing::Test {
 protected:
  void TearDown() override { SetEnvironmentVariableW(L"SKERRIN_WINDOW_LOG", nullptr); }
  void TraceOn() { SetEnvironmentVariableW(L"SKERRIN_WINDOW_LOG", File.wstring().c_str()); }
  const TScratchDir Scratch{"skerrin-trace"};
  const fs::path Dir = Scratch.Path();
  const fs::path File = Dir / "trace.log";
};

}  // namespace

TEST(TraceFormat, LineAndGeometryText) {
  SYSTEMTIME T{};
  T.wHour = 7;
  T.wMinute = 5;
  T.wSecond = 3;
  T.wMilliseconds = 9;
  EXPECT_EQ(FormatTraceLine(T, 12, 345, 5000000000ull, "hello w\xC3\xB6rld"),
            "07:05:03.009 pid=12 tid=345 tick=5000000000 hello w\xC3\xB6rld\r\n");
  T.wHour = 23;
  T.wMilliseconds = 999;
  EXPECT_EQ(FormatTraceLine(T, 1, 2, 0, ""), "23:05:03.999 pid=1 tid=2 tick=0 \r\n");

  char Null[64];
  std::snprintf(Null, sizeof(Null), "%p", static_cast<void*>(nullptr));
  EXPECT_EQ(FormatWindowGeometry("parent at entry", nullptr),
            std::string("parent at entry hwnd=") + Null + " valid=0 visible=0 style=$0 window=-1x-1 client=-1x-1");

  const HWND Window =
      CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 10, 20, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(Window, nullptr);
  char Expected[256];
  std::snprintf(Expected, sizeof(Expected),
                "viewer WM_CREATE begin hwnd=%p valid=1 visible=0 style=$%x window=200x100 "
                "client=200x100",
                static_cast<void*>(Window), static_cast<unsigned>(GetWindowLongPtrW(Window, GWL_STYLE)));
  EXPECT_EQ(FormatWindowGeometry("viewer WM_CREATE begin", Window), Expected);
  DestroyWindow(Window);
  EXPECT_NE(FormatWindowGeometry("gone", Window).find(" valid=0 visible=0 style=$0 window=-1x-1"), std::string::npos);
}

TEST_F(TraceTest, AppendsOneLinePerCallWhenTheVariableIsSet) {
  TraceOn();
  Trace("first");
  TraceF("CreateSkerrinWindow enter parent=%p flags=$%x file=%s", static_cast<void*>(nullptr), 0x80u, "C:\\a.log");
  TraceWindow("viewer after ShowWindow", nullptr);
  const std::string Text = ReadAll(File);
  const std::string Prefix = "\\d{2}:\\d{2}:\\d{2}\\.\\d{3} pid=" + std::to_string(GetCurrentProcessId()) +
                             " tid=" + std::to_string(GetCurrentThreadId()) + " tick=\\d+ ";
  const std::regex Expected(Prefix + "first\r\n" + Prefix +
                            "CreateSkerrinWindow enter parent=0+ flags=\\$80 file=C:\\\\a\\.log\r\n" + Prefix +
                            "viewer after ShowWindow hwnd=0+ valid=0 visible=0 style=\\$0 "
                            "window=-1x-1 client=-1x-1\r\n");
  EXPECT_TRUE(std::regex_match(Text, Expected)) << Text;

  // A file removed while tracing is simply started again.
  fs::remove(File);
  Trace("again");
  EXPECT_TRUE(std::regex_match(ReadAll(File), std::regex(Prefix + "again\r\n")));
}

TEST_F(TraceTest, NothingIsCreatedWhenTheVariableIsUnsetOrEmpty) {
  SetEnvironmentVariableW(L"SKERRIN_WINDOW_LOG", nullptr);
  Trace("x");
  TraceF("%s", "y");
  TraceWindow("z", nullptr);
  SetEnvironmentVariableW(L"SKERRIN_WINDOW_LOG", L"");
  Trace("x");
  EXPECT_TRUE(fs::is_empty(Dir));
  EXPECT_FALSE(fs::exists(File));
}

TEST_F(TraceTest, AnUnwritableTraceFileIsIgnored) {
  SetEnvironmentVariableW(L"SKERRIN_WINDOW_LOG", (Dir / "missing" / "trace.log").wstring().c_str());
  Trace("lost");
  EXPECT_TRUE(fs::is_empty(Dir));
}
