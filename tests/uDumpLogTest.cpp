// Runs the built skerrin-dump beside the test program: its output is an interface for scripts.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "loader/uLogLoader.h"
#include "model/uDateTime.h"
#include "platform/uPlatformModule.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

namespace fs = std::filesystem;

namespace {

fs::path ToolPath() {
  std::string Path = DirectoryOf(ModuleFilePath()) + "skerrin-dump";
#ifdef _WIN32
  Path += ".exe";
#endif
  return fs::path(std::u8string(Path.begin(), Path.end()));
}

struct TRun {
  int ExitCode;
  std::string Out;
};

// Arguments are quoted as they are; the tests use no quotes inside them. Standard error is
// dropped unless WithErrors is set, and then it is read together with standard output.
TRun RunTool(const std::vector<fs::path>& Args, bool WithErrors = false) {
  fs::path::string_type Command =
      fs::path::string_type{} + fs::path("\"").native() + ToolPath().native() + fs::path("\"").native();
  for (const fs::path& Arg : Args) Command += fs::path(" \"").native() + Arg.native() + fs::path("\"").native();
#ifdef _WIN32
  Command += WithErrors ? L" 2>&1" : L" 2>NUL";
  // cmd.exe drops the outermost quotes of a command that starts with one.
  Command = L"\"" + Command + L"\"";
  FILE* Pipe = _wpopen(Command.c_str(), L"rb");
#else
  Command += WithErrors ? " 2>&1" : " 2>/dev/null";
  FILE* Pipe = popen(Command.c_str(), "r");
#endif
  TRun Run{-1, {}};
  if (!Pipe) return Run;
  char Buffer[65536];
  size_t Got;
  while ((Got = std::fread(Buffer, 1, sizeof(Buffer), Pipe)) > 0) Run.Out.append(Buffer, Got);
#ifdef _WIN32
  Run.ExitCode = _pclose(Pipe);
#else
  const int Status = pclose(Pipe);
  Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
#endif
  return Run;
}

std::string ExpectedTimestamp(double Value) {
  if (Value == 0) return "-";
  const TDateTimeParts P = DecodeDateTime(Value);
  char Buffer[40];
  std::snprintf(Buffer, sizeof(Buffer), "%04d-%02d-%02d %02d:%02d:%02d.%03d", P.Year, P.Month, P.Day, P.Hour, P.Minute,
                P.Second, P.Ms);
  return Buffer;
}

// What the tool must print for a log loaded in this process with the same settings.
std::string ExpectedDump(const TLoadedLog& Log, bool Summary) {
  std::string Out = "format\t" + std::to_string(Log.Format) + "\t" + FormatDisplayName(Log.Format) + "\n" +
                    "encoding\t" + std::to_string(Log.Encoding) + "\nlines\t" + std::to_string(Log.List.Count) +
                    "\nsize\t" + std::to_string(Log.FileSize) + "\nmaxline\t" + std::to_string(Log.MaxLineLength) +
                    "\ntsfmt\t" + Log.CustomConfig.TimestampFmt + "\n";
  if (Summary) return Out;
  for (int32_t I = 0; I < Log.List.Count; ++I) {
    const TLogEntry& E = Log.List.Items[I];
    for (const std::string& Field :
         {std::to_string(E.LineNumber), std::to_string(E.Level), ExpectedTimestamp(E.Timestamp),
          std::to_string(E.Format), std::to_string(E.SourceStart), std::to_string(E.SourceLength),
          std::to_string(E.ThreadStart)})
      Out += Field + "\t";
    Out += std::to_string(E.ThreadLength) + "\n";
  }
  return Out;
}

class DumpLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "skerrin-dump is not built";
    Saved = AppSettings;
    Dir = fs::temp_directory_path() /
          ("skerrin-dump-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(Dir);
    Write("c.ini", "[Format]\nAutoDetect=0\nForceFormat=9\n[CustomFormat]\nTimestampFmt=hh:nn:ss.zzz\n");
    Write("c.log", "10:00:00.123|INFO|src|msg\r\n23:59:59.999|ERROR|worker|x\nno fields\n");
    Write("l.log",
          "2024-03-01 10:00:00,123 ERROR [main] com.example.App - boom\n"
          "2024-03-01 10:00:01,999 WARN [pool-1] com.example.Db - slow\ncontinued\n");
  }
  void TearDown() override {
    AppSettings = Saved;
    std::error_code Ignored;
    fs::remove_all(Dir, Ignored);
  }
  void Write(const std::string& Name, const std::string& Bytes) {
    std::ofstream(Dir / Name, std::ios::binary) << Bytes;
  }
  TAppSettings Saved;
  fs::path Dir;
};

}  // namespace

TEST_F(DumpLogTest, PrintsHeaderAndEntriesOfTheLoadedLog) {
  struct Case {
    std::vector<fs::path> Args;
    const char* Ini;  // settings the tool should end up with
    bool AutoDetect;
    TLogFormat Force;
    const char* File;
    bool Summary;
  };
  const fs::path Ini = Dir / "c.ini";
  const Case Cases[] = {
      {{Dir / "l.log"}, nullptr, true, lfPlain, "l.log", false},
      {{"--format", "2", Dir / "l.log"}, nullptr, false, lfLog4x, "l.log", false},
      {{"--ini", Ini, Dir / "c.log"}, "c.ini", false, lfCustom, "c.log", false},
      {{"--format", "auto", "--ini", Ini, Dir / "c.log"}, "c.ini", true, lfCustom, "c.log", false},
      {{Dir / "c.log", "--ini", Ini, "--format", "0"}, "c.ini", false, lfUnknown, "c.log", false},
      {{"--summary", Dir / "l.log"}, nullptr, true, lfPlain, "l.log", true},
  };
  for (const Case& C : Cases) {
    SetDefaultSettings();
    if (C.Ini) LoadSettingsFrom(Utf8Path(Dir / C.Ini));
    AppSettings.AutoDetect = C.AutoDetect;
    AppSettings.ForceFormat = C.Force;
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(Utf8Path(Dir / C.File), AppSettings));
    const TRun Run = RunTool(C.Args);
    EXPECT_EQ(Run.ExitCode, 0) << C.File;
    EXPECT_EQ(Run.Out, ExpectedDump(Log, C.Summary)) << C.File;
  }
}

TEST_F(DumpLogTest, TimeOfDayAndMissingTimestampsArePrintedAsAgreed) {
  const TRun Run = RunTool({"--format", "1", Dir / "c.log"});
  ASSERT_EQ(Run.ExitCode, 0);
  EXPECT_EQ(Run.Out.substr(0, Run.Out.find("\n1\t") + 1),
            "format\t1\tPlain\nencoding\t0\nlines\t3\nsize\t65\nmaxline\t27\ntsfmt\tYYYY-MM-DD hh:nn:ss\n");
  EXPECT_NE(Run.Out.find("\t1899-12-30 10:00:00.000\t1\t"), std::string::npos) << Run.Out;
  EXPECT_NE(Run.Out.find("\n3\t5\t-\t1\t0\t0\t0\t0\n"), std::string::npos) << Run.Out;
}

TEST_F(DumpLogTest, ExitCodesTellFailuresApart) {
  struct Case {
    std::vector<fs::path> Args;
    int ExitCode;
  };
  const Case Cases[] = {
      {{Dir / "missing.log"}, 1},
      {{Dir}, 1},
      {{}, 2},
      {{Dir / "l.log", Dir / "c.log"}, 2},
      {{"--format", "11", Dir / "l.log"}, 2},
      {{"--format", "x", Dir / "l.log"}, 2},
      {{"--format", "-1", Dir / "l.log"}, 2},
      {{Dir / "l.log", "--format"}, 2},
      {{"--ini"}, 2},
      {{"--bogus", Dir / "l.log"}, 2},
  };
  for (const Case& C : Cases) {
    const TRun Run = RunTool(C.Args);
    EXPECT_EQ(Run.ExitCode, C.ExitCode) << (C.Args.empty() ? "" : Utf8Path(C.Args[0]));
    EXPECT_EQ(Run.Out, "");
  }
}

TEST_F(DumpLogTest, AFailedLoadSaysWhy) {
  struct Case {
    fs::path File;
    const char* Reason;
  };
  const Case Cases[] = {{Dir / "missing.log", "File not found"}, {Dir, "Access denied"}};
  for (const Case& C : Cases) {
    const TRun Run = RunTool({C.File}, true);
    EXPECT_EQ(Run.ExitCode, 1);
    EXPECT_EQ(Run.Out, "skerrin-dump: cannot load " + Utf8Path(C.File) + ": " + C.Reason + "\n");
  }
}
