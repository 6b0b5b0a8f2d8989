#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "platform/uPlatformModule.h"
#include "uTestSupport.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace {

// The tool is built into the same directory as the tests.
std::string DumpToolPath() {
#ifdef _WIN32
  return DirectoryOf(ModuleFilePath()) + "skerrin-dump.exe";
#else
  return DirectoryOf(ModuleFilePath()) + "skerrin-dump";
#endif
}

struct TRun {
  int ExitCode;
  std::string Output;
};

TRun RunDump(const std::string& Arguments) {
  std::string Command = "\"" + DumpToolPath() + "\" " + Arguments + " 2>&1";
#ifdef _WIN32
  // cmd /c drops the first and the last quote of a command line that starts with one.
  Command = "\"" + Command + "\"";
#endif
  TRun Run{-1, {}};
  FILE* Pipe = popen(Command.c_str(), "r");
  if (!Pipe) return Run;
  char Buffer[4096];
  size_t Got;
  while ((Got = std::fread(Buffer, 1, sizeof(Buffer), Pipe)) > 0) Run.Output.append(Buffer, Got);
  const int Status = pclose(Pipe);
#ifdef _WIN32
  Run.ExitCode = Status;
#else
  Run.ExitCode = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
#endif
  return Run;
}

std::string Quoted(const fs::path& Path) { return "\"" + Path.string() + "\""; }

bool IsNameChar(char C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9'); }

// The keys of an INI text as "Section/Key". With Commented, a key that the text shows behind a
// ";" (";BgColor=...") counts too: the sample documents some keys without setting them.
std::set<std::string> IniKeys(const std::string& Text, bool Commented) {
  std::set<std::string> Keys;
  std::string Section;
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find('\n', Start);
    if (End == std::string::npos) End = Text.size();
    std::string Line = Text.substr(Start, End - Start);
    Start = End + 1;
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    if (Commented && Line.size() > 1 && Line[0] == ';' && IsNameChar(Line[1])) Line.erase(0, 1);
    if (!Line.empty() && Line[0] == '[') Section = Line.substr(1, Line.find(']') - 1);
    else if (!Line.empty() && IsNameChar(Line[0]) && Line.find('=') != std::string::npos)
      Keys.insert(Section + "/" + Line.substr(0, Line.find('=')));
  }
  return Keys;
}

const char* const SampleIni =
    "[View]\r\nFontSize=72\r\nFontName=Consolas\r\n[Theme]\r\nMode=2\r\n"
    "[ColorsLight]\r\nBgColor=16777215\r\nFgColor=0\r\n[ColorsDark]\r\nError=5\r\n"
    "[ColorRules]\r\nCount=2\r\n[ColorRule0]\r\nPatternUtf8Hex=c3a9\r\nFgColor=255\r\n"
    "[ColorRule1]\r\nPattern=Timeout\r\nUseLevel=1\r\nLevel=1\r\n"
    "[CustomFormat]\r\nDelimiter=59\r\nField3=4\r\n[Files]\r\nLastDir=C:\\Logs\r\n";

const char* const SampleDump =
    "ShowLineNumbers=1\nLineNumWidth=5\nWindowBgColor=16777215\nBarDarkModeColor=2105376\n"
    "WordWrap=0\nHorzScrollbar=0\nFontName=Consolas\nFontSize=36\nThemeMode=2\n"
    "ColorsLight.BgColor=16777215\nColorsLight.FgColor=0\nColorsLight.ErrBg=11184895\n"
    "ColorsLight.ErrFg=0\nColorsLight.WarnBg=43775\nColorsLight.WarnFg=0\n"
    "ColorsLight.InfoBg=65535\nColorsLight.InfoFg=0\nColorsLight.DebugBg=15790320\n"
    "ColorsLight.DebugFg=0\nColorsLight.TraceBg=16771280\nColorsLight.TraceFg=0\n"
    "ColorsLight.CustomBg=14811135\nColorsLight.CustomFg=0\n"
    "ColorsDark.BgColor=2631720\nColorsDark.FgColor=13948116\nColorsDark.ErrBg=5\n"
    "ColorsDark.ErrFg=11184895\nColorsDark.WarnBg=1062984\nColorsDark.WarnFg=8441087\n"
    "ColorsDark.InfoBg=1589312\nColorsDark.InfoFg=8454143\nColorsDark.DebugBg=3684408\n"
    "ColorsDark.DebugFg=12632256\nColorsDark.TraceBg=4206632\nColorsDark.TraceFg=13680800\n"
    "ColorsDark.CustomBg=3158064\nColorsDark.CustomFg=12632256\n"
    "Colors.BgColor=2631720\nColors.FgColor=13948116\nColors.ErrBg=5\n"
    "Colors.ErrFg=11184895\nColors.WarnBg=1062984\nColors.WarnFg=8441087\n"
    "Colors.InfoBg=1589312\nColors.InfoFg=8454143\nColors.DebugBg=3684408\n"
    "Colors.DebugFg=12632256\nColors.TraceBg=4206632\nColors.TraceFg=13680800\n"
    "Colors.CustomBg=3158064\nColors.CustomFg=12632256\n"
    "ColorRule0.PatternUtf8Hex=C3A9\nColorRule0.Color=16777215\nColorRule0.FgColor=255\n"
    "ColorRule0.Enabled=1\nColorRule0.UseLevel=0\nColorRule0.Level=5\n"
    "ColorRule1.PatternUtf8Hex=54696D656F7574\nColorRule1.Color=16777215\nColorRule1.FgColor=-1\n"
    "ColorRule1.Enabled=1\nColorRule1.UseLevel=1\nColorRule1.Level=1\n"
    "ColorRuleCount=2\nDisableDefaultLevels=0\nAutoDetect=1\nForceFormat=1\n"
    "CustomFormat.Mode=0\nCustomFormat.Delimiter=59\nCustomFormat.FieldCount=4\n"
    "CustomFormat.Field0=1\nCustomFormat.Field1=2\nCustomFormat.Field2=3\nCustomFormat.Field3=4\n"
    "CustomFormat.Field4=0\nCustomFormat.Field5=0\nCustomFormat.Field6=0\nCustomFormat.Field7=0\n"
    "CustomFormat.TSStart=0\nCustomFormat.TSLen=0\nCustomFormat.LvlStart=0\n"
    "CustomFormat.LvlLen=0\nCustomFormat.SrcStart=0\nCustomFormat.SrcLen=0\n"
    "CustomFormat.ThrStart=0\nCustomFormat.ThrLen=0\nCustomFormat.TimestampFmt=YYYY-MM-DD hh:nn:ss\n"
    "TailEnabled=0\nFollow=1\nTailIntervalMs=1000\nCloseOnEscInLister=1\nWindowLeft=100\n"
    "WindowTop=80\nWindowWidth=960\nWindowHeight=650\nWindowMaximized=0\nLastDir=C:\\Logs\n";

class SkerrinDumpTest : public testing::Test {
 protected:
  void SetUp() override { Scratch.Write("in.ini", SampleIni); }
  const TScratchDir Scratch{"skerrin-dump"};
  const fs::path Dir = Scratch.Path();
};

}  // namespace

TEST_F(SkerrinDumpTest, PrintsEveryFieldAfterLoading) {
  ASSERT_TRUE(fs::exists(DumpToolPath())) << DumpToolPath();
  const TRun Run = RunDump("--settings --ini " + Quoted(Dir / "in.ini"));
  EXPECT_EQ(Run.ExitCode, 0);
  EXPECT_EQ(Run.Output, SampleDump);
}

TEST_F(SkerrinDumpTest, SavedSettingsDumpTheSame) {
  const TRun First = RunDump("--settings --ini " + Quoted(Dir / "in.ini") + " --save " + Quoted(Dir / "out.ini"));
  ASSERT_EQ(First.ExitCode, 0) << First.Output;
  const TRun Second = RunDump("--settings --ini " + Quoted(Dir / "out.ini"));
  EXPECT_EQ(Second.ExitCode, 0);
  EXPECT_EQ(Second.Output, First.Output);
}

TEST_F(SkerrinDumpTest, MissingFileGivesDefaultsAndBadArgumentsExitTwo) {
  const TRun Defaults = RunDump("--settings --ini " + Quoted(Dir / "none.ini"));
  EXPECT_EQ(Defaults.ExitCode, 0);
  EXPECT_NE(Defaults.Output.find("\nFontName=Courier New\nFontSize=9\nThemeMode=0\n"), std::string::npos);
  EXPECT_NE(Defaults.Output.find("\nColorRuleCount=0\n"), std::string::npos);
  EXPECT_EQ(Defaults.Output.find("ColorRule0."), std::string::npos);

  for (const char* Bad : {"--settings --ini", "--settings --frobnicate", "--settings --save"}) {
    const TRun Run = RunDump(Bad);
    EXPECT_EQ(Run.ExitCode, 2) << Bad;
    EXPECT_EQ(Run.Output.find('\n'), Run.Output.size() - 1) << "one line: " << Run.Output;
  }
}

// The sample shipped with the plug-in: copied to Skerrin.ini it changes nothing, and it shows
// every key the plug-in writes except the old colour names kept for older versions.
TEST_F(SkerrinDumpTest, SampleIniDocumentsEveryKeyWithItsDefault) {
  const std::string Sample = SourcePath("packaging/Skerrin.sample.ini");
  const TRun Defaults = RunDump("--settings --ini " + Quoted(Dir / "none.ini"));
  const TRun FromSample = RunDump("--settings --ini " + Quoted(Sample));
  EXPECT_EQ(FromSample.ExitCode, 0);
  EXPECT_EQ(FromSample.Output, Defaults.Output);

  // With one rule, so that the keys of a rule section are written too.
  WriteFileBytes(Utf8Path(Dir / "rule.ini"), "[ColorRules]\r\nCount=1\r\n[ColorRule0]\r\nPattern=x\r\n");
  const TRun Saved = RunDump("--settings --ini " + Quoted(Dir / "rule.ini") + " --save " + Quoted(Dir / "out.ini"));
  ASSERT_EQ(Saved.ExitCode, 0) << Saved.Output;
  const std::set<std::string> OldColorNames = {"Error",   "Warn",     "Info",      "Debug",    "Trace",
                                               "Custom",  "FgError",  "FgWarn",    "FgInfo",   "FgDebug",
                                               "FgTrace", "FgCustom", "BgDefault", "FgDefault"};
  std::set<std::string> Written;
  for (const std::string& Key : IniKeys(ReadFileBytes(Utf8Path(Dir / "out.ini")), false)) {
    const std::string Section = Key.substr(0, Key.find('/'));
    if (Section == "Colors" || OldColorNames.count(Key.substr(Key.find('/') + 1))) continue;
    Written.insert(Key);
  }
  EXPECT_EQ(IniKeys(ReadFileBytes(Sample), true), Written);
}
