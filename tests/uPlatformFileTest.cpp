#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/uPlatformFile.h"
#include "uTestSupport.h"

namespace fs = std::filesystem;

namespace {

class PlatformFileTest : public ::testing::Test {
 protected:
  fs::path Write(const fs::path& Name, const std::string& Bytes) {
    std::ofstream Out(Dir / Name, std::ios::binary);
    Out << Bytes;
    return Dir / Name;
  }
  const TScratchDir Scratch{"skerrin-file"};
  const fs::path Dir = Scratch.Path();
};

}  // namespace

TEST_F(PlatformFileTest, ReadsSeeksAndMeasures) {
  const fs::path Path = Write("plain.txt", "0123456789");
  TPlatformFile File;
  ASSERT_TRUE(File.OpenRead(Utf8Path(Path)));
  EXPECT_EQ(File.Size(), 10);
  char Buffer[16] = {};
  EXPECT_EQ(File.Read(Buffer, 4), 4);
  EXPECT_EQ(std::string(Buffer, 4), "0123");
  ASSERT_TRUE(File.Seek(7));
  EXPECT_EQ(File.Read(Buffer, 16), 3);
  EXPECT_EQ(std::string(Buffer, 3), "789");
  EXPECT_EQ(File.Read(Buffer, 16), 0);
  EXPECT_FALSE(File.Seek(-1));
  File.Close();
  EXPECT_FALSE(File.IsOpen());
  EXPECT_EQ(File.Size(), -1);
  EXPECT_EQ(File.Read(Buffer, 1), -1);
}

TEST_F(PlatformFileTest, RefusesWhatIsNoReadableFile) {
  TPlatformFile File;
  EXPECT_FALSE(File.OpenRead(Utf8Path(Dir / "missing.txt")));
  EXPECT_FALSE(File.OpenRead(Utf8Path(Dir)));
  EXPECT_FALSE(File.OpenRead(""));
  EXPECT_FALSE(File.OpenRead(std::string("a\0b", 3)));
#ifdef _WIN32
  EXPECT_FALSE(File.OpenRead("bad\xC3(utf8.txt"));
#endif
  EXPECT_FALSE(File.IsOpen());
}

TEST_F(PlatformFileTest, OpensNamesBeyondAscii) {
  const fs::path Name = fs::path(u8"журнал-\u00FC-\u65E5\u5FD7.log");
  Write(Name, "x");
  TPlatformFile File;
  ASSERT_TRUE(File.OpenRead(Utf8Path(Dir / Name)));
  EXPECT_EQ(File.Size(), 1);
}

TEST_F(PlatformFileTest, InfoTellsFilesApartAndFollowsGrowth) {
  const fs::path A = Write("a.log", "abc");
  const fs::path B = Write("b.log", "abc");
  TPlatformFileInfo InfoA, InfoA2, InfoB;
  ASSERT_TRUE(QueryFileInfo(Utf8Path(A), InfoA));
  ASSERT_TRUE(QueryFileInfo(Utf8Path(A), InfoA2));
  ASSERT_TRUE(QueryFileInfo(Utf8Path(B), InfoB));
  EXPECT_TRUE(InfoA.Valid);
  EXPECT_EQ(InfoA.SizeOnDisk, 3);
  EXPECT_EQ(InfoA, InfoA2);
  EXPECT_EQ(InfoA.VolumeSerial, InfoB.VolumeSerial);
  EXPECT_TRUE(InfoA.FileIndexHigh != InfoB.FileIndexHigh || InfoA.FileIndexLow != InfoB.FileIndexLow);
  EXPECT_NE(InfoA.LastWriteTime, 0);

  { std::ofstream(A, std::ios::binary | std::ios::app) << "defg"; }
  TPlatformFile File;
  ASSERT_TRUE(File.OpenRead(Utf8Path(A)));
  TPlatformFileInfo Grown;
  ASSERT_TRUE(File.QueryInfo(Grown));
  EXPECT_EQ(Grown.SizeOnDisk, 7);
  EXPECT_EQ(Grown.FileIndexLow, InfoA.FileIndexLow);

  TPlatformFileInfo Missing;
  Missing.Valid = true;
  EXPECT_FALSE(QueryFileInfo(Utf8Path(Dir / "missing.log"), Missing));
  EXPECT_EQ(Missing, TPlatformFileInfo{});
}

#ifdef _WIN32
// A reading handle stands in the way of none of what a program writing the log does: append,
// rotate (rename and create anew) and delete.
TEST_F(PlatformFileTest, AReadingHandleLetsTheWriterWriteRotateAndDelete) {
  const fs::path Path = Write("shared.log", "abc");
  TPlatformFile File;
  ASSERT_TRUE(File.OpenRead(Utf8Path(Path)));
  HANDLE Writer = CreateFileW(Path.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(Writer, INVALID_HANDLE_VALUE);
  if (Writer != INVALID_HANDLE_VALUE) CloseHandle(Writer);
  const fs::path Rotated = Dir / "shared.1.log";
  EXPECT_TRUE(MoveFileW(Path.wstring().c_str(), Rotated.wstring().c_str()));
  EXPECT_TRUE(DeleteFileW(Rotated.wstring().c_str()));
  char Bytes[4] = {};
  EXPECT_EQ(File.Read(Bytes, 3), 3) << "the handle still reads what it opened";
  File.Close();
}
#endif
