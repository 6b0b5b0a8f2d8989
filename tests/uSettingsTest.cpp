#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "settings/uIniFile.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& Path) { return ReadFileBytes(Path.string()); }

void WriteAllText(const fs::path& Path, const std::string& Text) { WriteFileBytes(Path.string(), Text); }

// A scratch directory per test, removed afterwards; settings start from their defaults with
// the light theme in force.
class SettingsTest : public testing::Test {
 protected:
  void SetUp() override { SetDefaultSettings(); }
  void TearDown() override {
    ModuleDir.clear();
    SetDefaultSettings();
  }
  void Load(const std::string& Text) {
    WriteAllText(Ini, Text);
    ASSERT_TRUE(LoadSettingsFrom(Ini.string()));
  }
  std::string Save() {
    EXPECT_TRUE(SaveSettingsTo(Ini.string(), AppSettings, std::nullopt));
    return ReadAll(Ini);
  }
  TIniFile Saved() {
    TIniFile File;
    File.Parse(Save());
    return File;
  }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()));
  }

  const TScratchDir Scratch{"skerrin-settings"};
  const fs::path Dir = Scratch.Path();
  const fs::path Ini = Dir / "Skerrin.ini";
};

}  // namespace

TEST_F(SettingsTest, WithoutAFileEverySettingHasItsDefault) {
  EXPECT_FALSE(LoadSettingsFrom((Dir / "missing.ini").string()));
  const TAppSettings& S = AppSettings;
  EXPECT_TRUE(S.ShowLineNumbers);
  EXPECT_EQ(S.LineNumWidth, 5);
  EXPECT_FALSE(S.WordWrap);
  EXPECT_EQ(S.FontName, "Courier New");
  EXPECT_EQ(S.FontSize, 9);
  EXPECT_EQ(S.ThemeMode, 0);
  EXPECT_EQ(S.ColorRuleCount, 0);
  EXPECT_TRUE(S.AutoDetect);
  EXPECT_EQ(S.ForceFormat, lfPlain);
  EXPECT_FALSE(S.TailEnabled);
  EXPECT_TRUE(S.Follow);
  EXPECT_EQ(S.TailIntervalMs, 1000);
  EXPECT_EQ(S.CustomFormat.TimestampFmt, "YYYY-MM-DD hh:nn:ss");
  EXPECT_EQ(S.ColorsDark.BgColor, 2631720);
  EXPECT_EQ(S.ColorsLight.Levels[lError].Bg, 11184895);
  EXPECT_EQ(FileCount(), 0u) << "loading creates no file";
}

TEST_F(SettingsTest, ValuesAreClampedOrReplacedWhenRead) {
  struct Case {
    const char* Ini;
    std::function<int32_t()> Field;
    int32_t Expected;
  };
  const TAppSettings& S = AppSettings;
  const TCustomFormatConfig& C = AppSettings.CustomFormat;
  const Case Cases[] = {
      {"[View]\nLineNumWidth=0", [&] { return S.LineNumWidth; }, 1},
      {"[View]\nLineNumWidth=12", [&] { return S.LineNumWidth; }, 9},
      {"[View]\nLineNumWidth=abc", [&] { return S.LineNumWidth; }, 5},
      {"[View]\nFontSize=4", [&] { return S.FontSize; }, 6},
      {"[View]\nFontSize=72", [&] { return S.FontSize; }, 36},
      {"[View]\nFontSize=11", [&] { return S.FontSize; }, 11},
      {"[View]\nWindowBgColor=-5", [&] { return S.WindowBgColor; }, -5},
      {"[Tail]\nIntervalMs=50", [&] { return S.TailIntervalMs; }, 200},
      {"[Tail]\nIntervalMs=60000", [&] { return S.TailIntervalMs; }, 30000},
      {"[Theme]\nMode=7", [&] { return S.ThemeMode; }, 0},
      {"[Theme]\nMode=-1", [&] { return S.ThemeMode; }, 0},
      {"[Theme]\nMode=2", [&] { return S.ThemeMode; }, 2},
      {"[Format]\nForceFormat=11", [&] { return int32_t(S.ForceFormat); }, lfPlain},
      {"[Format]\nForceFormat=-1", [&] { return int32_t(S.ForceFormat); }, lfPlain},
      {"[Format]\nForceFormat=10", [&] { return int32_t(S.ForceFormat); }, lfRapidScada},
      {"[CustomFormat]\nMode=5", [&] { return C.Mode; }, 0},
      {"[CustomFormat]\nMode=1", [&] { return C.Mode; }, 1},
      {"[CustomFormat]\nField0=9", [&] { return int32_t(C.Fields[0]); }, cfrIgnore},
      {"[CustomFormat]\nField1=-1", [&] { return int32_t(C.Fields[1]); }, cfrIgnore},
      {"[CustomFormat]\nField7=4", [&] { return int32_t(C.Fields[7]); }, cfrThread},
      {"[CustomFormat]\nField2=x", [&] { return int32_t(C.Fields[2]); }, cfrSource},
      {"[CustomFormat]\nDelimiter=59", [&] { return int32_t(C.Delimiter); }, ';'},
      {"[CustomFormat]\nDelimiter=300", [&] { return int32_t(C.Delimiter); }, ','},
      {"[CustomFormat]\nFieldCount=0", [&] { return C.FieldCount; }, 1},
      {"[CustomFormat]\nFieldCount=9", [&] { return C.FieldCount; }, 8},
      {"[CustomFormat]\nTSStart=-3\nThrLen=99999", [&] { return C.TSStart + C.ThrLen; }, 99996},
      {"[ColorRules]\nCount=25", [&] { return S.ColorRuleCount; }, 0},
      {"[View]\nShowLineNumbers=true", [&] { return int32_t(S.ShowLineNumbers); }, 0},
      {"[View]\nShowLineNumbers=", [&] { return int32_t(S.ShowLineNumbers); }, 1},
      {"[Tail]\nEnabled=10", [&] { return int32_t(S.TailEnabled); }, 1},
      {"[Window]\nLeft=-20\nMaximized=1", [&] { return S.WindowLeft * 10 + S.WindowMaximized; }, -199},
  };
  for (const Case& Row : Cases) {
    Load(Row.Ini);
    EXPECT_EQ(Row.Field(), Row.Expected) << Row.Ini;
  }
}

TEST_F(SettingsTest, StringsAreTrimmedExceptTheLastDirectory) {
  Load(
      "[View]\nFontName=\"  Consolas \"\n[CustomFormat]\nTimestampFmt=\" DD.MM \"\n"
      "[Files]\nLastDir=\" C:\\Logs \"\n");
  EXPECT_EQ(AppSettings.FontName, "Consolas");
  EXPECT_EQ(AppSettings.CustomFormat.TimestampFmt, "DD.MM");
  EXPECT_EQ(AppSettings.LastDir, " C:\\Logs ");
  Load("[View]\nFontName=\"   \"\n[CustomFormat]\nTimestampFmt=\n");
  EXPECT_EQ(AppSettings.FontName, "Courier New");
  EXPECT_EQ(AppSettings.CustomFormat.TimestampFmt, "YYYY-MM-DD hh:nn:ss");
}

TEST_F(SettingsTest, PatternHex) {
  EXPECT_EQ(EncodePatternHex("\xC3\xA9"), "C3A9");
  EXPECT_EQ(EncodePatternHex(""), "");
  EXPECT_EQ(EncodePatternHex(std::string("\x00\xFF a", 4)), "00FF2061");
  struct Case {
    const char* Hex;
    std::string Bytes;
  };
  const Case Cases[] = {{"C3A9", "\xC3\xA9"}, {"c3a9", "\xC3\xA9"}, {"", ""},      {"C3A", ""},
                        {"C3AG", ""},         {"20 2", ""},         {"4a4B", "JK"}};
  for (const Case& C : Cases) EXPECT_EQ(DecodePatternHex(C.Hex), C.Bytes) << C.Hex;
}

TEST_F(SettingsTest, RulesAreReadFromHexFirstAndCountedWhenNotEmpty) {
  Load(
      "[Colors]\nBgColor=777\n"
      "[ColorRules]\nCount=6\nDisableDefaultLevels=1\n"
      "[ColorRule0]\nPattern=plain\nPatternUtf8Hex=c3a9\nColor=5\nFgColor=6\nEnabled=true\n"
      "UseLevel=1\nLevel=2\n"
      "[ColorRule1]\nPattern=  trimmed  \n"
      "[ColorRule2]\nPattern=ignored\nPatternUtf8Hex=C3A\n"
      "[ColorRule3]\nPatternUtf8Hex=2020782020\nLevel=9\n"
      "[ColorRule4]\nPattern=\n"
      "[ColorRule5]\nPatternUtf8Hex=ZZ\n");
  EXPECT_TRUE(AppSettings.DisableDefaultLevels);
  ASSERT_EQ(AppSettings.ColorRuleCount, 3);
  const TColorStringRule& R0 = AppSettings.ColorRules[0];
  EXPECT_EQ(R0.Pattern, "\xC3\xA9");
  EXPECT_EQ(R0.Color, 5);
  EXPECT_EQ(R0.FgColor, 6);
  EXPECT_FALSE(R0.Enabled);
  EXPECT_TRUE(R0.UseLevel);
  EXPECT_EQ(R0.Level, lInfo);
  const TColorStringRule& R1 = AppSettings.ColorRules[1];
  EXPECT_EQ(R1.Pattern, "trimmed");
  // A rule without a colour takes the background of the default scheme, not the file's.
  EXPECT_EQ(R1.Color, 16777215);
  EXPECT_EQ(R1.FgColor, AutoColor);
  EXPECT_TRUE(R1.Enabled);
  EXPECT_FALSE(R1.UseLevel);
  EXPECT_EQ(R1.Level, lCustom);
  // The invalid hex values drop rules 2 and 5, the empty pattern rule 4; rule 3 moves up.
  EXPECT_EQ(AppSettings.ColorRules[2].Pattern, "  x  ");
  EXPECT_EQ(AppSettings.ColorRules[2].Level, lCustom);
  EXPECT_EQ(AppSettings.ColorRules[3].Pattern, "");
}

TEST_F(SettingsTest, AtMostTwentyRulesAreRead) {
  std::string Text = "[ColorRules]\nCount=25\n";
  for (int i = 0; i < 25; ++i) Text += "[ColorRule" + std::to_string(i) + "]\nPattern=p" + std::to_string(i) + "\n";
  Load(Text);
  ASSERT_EQ(AppSettings.ColorRuleCount, 20);
  EXPECT_EQ(AppSettings.ColorRules[19].Pattern, "p19");
  Load("[ColorRules]\nCount=1\n[ColorRule0]\nPattern=a\n[ColorRule1]\nPattern=b\n");
  EXPECT_EQ(AppSettings.ColorRuleCount, 1);
  EXPECT_EQ(AppSettings.ColorRules[1].Pattern, "");
}

TEST_F(SettingsTest, ColorSchemesWithNewAndOldKeys) {
  Load("[Colors]\nError=255\nBgDefault=1\nFgCustom=2\n");
  EXPECT_EQ(AppSettings.ColorsLight.Levels[lError].Bg, 255);
  EXPECT_EQ(AppSettings.ColorsLight.BgColor, 1);
  EXPECT_EQ(AppSettings.ColorsLight.Levels[lCustom].Fg, 2);
  EXPECT_EQ(AppSettings.ColorsLight.Levels[lWarn].Bg, 43775);
  EXPECT_EQ(AppSettings.ColorsDark.Levels[lError].Bg, 1056832) << "dark keeps its defaults";
  EXPECT_EQ(AppSettings.Colors.Levels[lError].Bg, 255) << "the scheme in force follows";

  Load("[ColorsLight]\nErrBg=7\nError=8\n[Colors]\nErrBg=9\nWarnBg=9\n[ColorsDark]\nFgWarn=3\n");
  EXPECT_EQ(AppSettings.ColorsLight.Levels[lError].Bg, 7) << "the new key wins";
  EXPECT_EQ(AppSettings.ColorsLight.Levels[lWarn].Bg, 43775) << "Colors unread beside ColorsLight";
  EXPECT_EQ(AppSettings.ColorsDark.Levels[lWarn].Fg, 3);
}

TEST_F(SettingsTest, SavingWritesEveryColorUnderBothNamesAndTheSchemeInForce) {
  AppSettings.ThemeMode = 2;
  AppSettings.ColorsDark.Levels[lError].Bg = 123;
  const TIniFile File = Saved();
  const char* Keys[] = {"BgColor",  "FgColor", "ErrBg",   "WarnBg",  "InfoBg",   "DebugBg",   "TraceBg",
                        "CustomBg", "ErrFg",   "WarnFg",  "InfoFg",  "DebugFg",  "TraceFg",   "CustomFg",
                        "Error",    "Warn",    "Info",    "Debug",   "Trace",    "Custom",    "FgError",
                        "FgWarn",   "FgInfo",  "FgDebug", "FgTrace", "FgCustom", "BgDefault", "FgDefault"};
  for (const char* Section : {"ColorsLight", "ColorsDark", "Colors"})
    for (const char* Key : Keys) EXPECT_TRUE(File.KeyExists(Section, Key)) << Section << Key;
  EXPECT_EQ(File.ReadInteger("Colors", "ErrBg", 0), 123);
  EXPECT_EQ(File.ReadInteger("Colors", "Error", 0), 123);

  AppSettings.ThemeMode = 1;
  EXPECT_EQ(Saved().ReadInteger("Colors", "ErrBg", 0), 11184895);
}

TEST_F(SettingsTest, ANewFileHasTheKeysInTheirOrder) {
  AppSettings.ColorRuleCount = 1;
  AppSettings.ColorRules[0].Pattern = " sp ";
  const std::string Text = Save();
  const char* InOrder[] = {"[View]\r\nShowLineNumbers=1\r\nLineNumWidth=5\r\n",
                           "FontSize=9\r\nCloseOnEscInLister=1\r\n\r\n[Theme]\r\nMode=0\r\n",
                           "[ColorsLight]\r\nBgColor=",
                           "[ColorsDark]\r\n",
                           "[Colors]\r\n",
                           "[ColorRules]\r\nCount=1\r\nDisableDefaultLevels=0\r\n",
                           "[ColorRule0]\r\nPattern=\" sp \"\r\nPatternUtf8Hex=20737020\r\n"
                           "Color=16777215\r\nFgColor=-1\r\nEnabled=1\r\nUseLevel=0\r\nLevel=5\r\n",
                           "[Format]\r\nAutoDetect=1\r\nForceFormat=1\r\n",
                           "[CustomFormat]\r\nMode=0\r\nDelimiter=124\r\nFieldCount=4\r\nField0=1\r\n",
                           "TimestampFmt=YYYY-MM-DD hh:nn:ss\r\n",
                           "[Tail]\r\nEnabled=0\r\nFollow=1\r\nIntervalMs=1000\r\n",
                           "[Window]\r\nLeft=100\r\nTop=80\r\nWidth=960\r\nHeight=650\r\nMaximized=0\r\n",
                           "[Files]\r\nLastDir=\r\n"};
  size_t At = 0;
  for (const char* Part : InOrder) {
    const size_t Found = Text.find(Part, At);
    ASSERT_NE(Found, std::string::npos) << Part << "\nin\n" << Text;
    At = Found + 1;
  }
}

TEST_F(SettingsTest, SavingKeepsWhatItDoesNotWrite) {
  Load(
      "; hand-written notes\r\n[Mine]\r\nKeep=yes\r\n\r\n[View]\r\nFontSize=10\r\nExtra=x\r\n"
      "[ColorRules]\r\nCount=3\r\n[ColorRule0]\r\nPattern=a\r\n[ColorRule1]\r\nPattern=b\r\n"
      "[ColorRule2]\r\nPattern=c\r\n");
  AppSettings.ColorRuleCount = 1;  // two rules deleted in the options dialog
  const std::string Text = Save();
  EXPECT_EQ(Text.rfind("; hand-written notes\r\n[Mine]\r\nKeep=yes\r\n\r\n[View]\r\nFontSize=10\r\n"
                       "Extra=x\r\nShowLineNumbers=1\r\n",
                       0),
            0u)
      << Text;
  TIniFile File;
  File.Parse(Text);
  EXPECT_EQ(File.ReadInteger("ColorRules", "Count", -1), 1);
  EXPECT_EQ(File.ReadString("ColorRule2", "Pattern", ""), "c") << "surplus rules stay";
  ASSERT_TRUE(LoadSettingsFrom(Ini.string()));
  EXPECT_EQ(AppSettings.ColorRuleCount, 1);
}

TEST_F(SettingsTest, AFileWrittenBySkerrinReadsBackUnchanged) {
  TAppSettings& S = AppSettings;
  S.ShowLineNumbers = false;
  S.LineNumWidth = 7;
  S.WindowBgColor = 0x123456;
  S.BarDarkModeColor = -2;
  S.WordWrap = S.HorzScrollbar = true;
  S.FontName = "Lucida Console";
  S.FontSize = 13;
  S.ThemeMode = 1;
  S.ColorsLight.Levels[lTrace].Fg = 99;
  S.ColorsDark.BgColor = 98;
  S.ColorRuleCount = 2;
  S.ColorRules[0] = {" caf\xC3\xA9 = \"x\" ", 11, AutoColor, false, true, lWarn};
  S.ColorRules[1] = {"[ERROR]", 12, 13, true, false, lDebug};
  S.DisableDefaultLevels = true;
  S.AutoDetect = false;
  S.ForceFormat = lfCustom;
  S.CustomFormat.Mode = 1;
  S.CustomFormat.Delimiter = '\t';
  S.CustomFormat.FieldCount = 8;
  S.CustomFormat.Fields[7] = cfrThread;
  S.CustomFormat.TSStart = 1;
  S.CustomFormat.TSLen = 19;
  S.CustomFormat.ThrLen = -4;
  S.CustomFormat.TimestampFmt = "DD.MM.YYYY hh:nn";
  S.TailEnabled = true;
  S.Follow = false;
  S.TailIntervalMs = 250;
  S.CloseOnEscInLister = false;
  S.WindowLeft = -8;
  S.WindowHeight = 1;
  S.WindowMaximized = true;
  S.LastDir = " D:\\Logs\\ ";
  const std::string First = Save();

  ASSERT_TRUE(LoadSettingsFrom(Ini.string()));
  EXPECT_EQ(S.ColorRules[0].Pattern, " caf\xC3\xA9 = \"x\" ");
  EXPECT_EQ(S.ColorRules[1].FgColor, 13);
  EXPECT_EQ(S.CustomFormat.Delimiter, '\t');
  EXPECT_EQ(S.LastDir, " D:\\Logs\\ ");
  EXPECT_EQ(S.ColorsDark.BgColor, 98);
  EXPECT_EQ(S.Colors.BgColor, S.ColorsLight.BgColor);
  EXPECT_EQ(Save(), First) << "loading and saving again changes nothing";

  SetDefaultSettings();
  fs::remove(Ini);
  const std::string Fresh = Save();
  ASSERT_TRUE(LoadSettingsFrom(Ini.string()));
  EXPECT_EQ(Save(), Fresh);
}

TEST_F(SettingsTest, AFailedSaveLeavesNoTraceAndNoPartialFile) {
  // A directory in the way of the file: the replacement cannot happen.
  fs::create_directories(Ini);
  EXPECT_FALSE(SaveSettingsTo(Ini.string(), AppSettings, std::nullopt));
  EXPECT_TRUE(fs::is_directory(Ini));
  EXPECT_EQ(FileCount(), 1u) << "the temporary file is removed";
  EXPECT_FALSE(SaveSettingsTo((Dir / "no" / "such" / "dir.ini").string(), AppSettings, std::nullopt));
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(SettingsTest, AFileReadIntoAnotherRecordLeavesTheProcessRecordAlone) {
  WriteAllText(
      Ini, "[View]\r\nFontSize=20\r\n[Theme]\r\nMode=2\r\n[ColorRules]\r\nCount=1\r\n[ColorRule0]\r\nPattern=x\r\n");
  AppSettings.FontSize = 12;
  TAppSettings Copy;
  ASSERT_TRUE(ReadSettingsFile(Ini.string(), Copy));
  EXPECT_EQ(Copy.FontSize, 20);
  EXPECT_EQ(Copy.ColorRuleCount, 1);
  EXPECT_EQ(Copy.Colors.BgColor, Copy.ColorsDark.BgColor) << "its own theme mode picks its scheme";
  EXPECT_EQ(AppSettings.FontSize, 12);
  EXPECT_EQ(AppSettings.ThemeMode, 0);

  Copy.FontSize = 30;
  EXPECT_FALSE(ReadSettingsFile((Dir / "missing.ini").string(), Copy));
  EXPECT_EQ(Copy.FontSize, 9) << "the defaults";
}

TEST_F(SettingsTest, SaveSettingsTellsWhetherTheFileWasWritten) {
  ModuleDir = (Dir / "not-there").string();
  EXPECT_FALSE(SaveSettings(AppSettings, std::nullopt));
  ModuleDir = Dir.string();
  EXPECT_TRUE(SaveSettings(AppSettings, std::nullopt));
}

#ifdef _WIN32
#include <windows.h>

TEST_F(SettingsTest, AFailedSaveLeavesTheOldFileIntact) {
  const std::string Old = "[Mine]\r\nKeep=1\r\n[View]\r\nFontSize=10\r\n";
  WriteAllText(Ini, Old);
  AppSettings.FontSize = 20;
  {
    // Locked by another program: the old contents cannot be read, so nothing is written.
    const HANDLE Lock =
        CreateFileW(Ini.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveSettingsTo(Ini.string(), AppSettings, std::nullopt));
    CloseHandle(Lock);
  }
  EXPECT_EQ(ReadAll(Ini), Old);
  {
    // Open elsewhere without delete sharing: readable, but it cannot be replaced.
    const HANDLE Open = CreateFileW(Ini.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(Open, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveSettingsTo(Ini.string(), AppSettings, std::nullopt));
    CloseHandle(Open);
  }
  EXPECT_EQ(ReadAll(Ini), Old);
  EXPECT_EQ(FileCount(), 1u);
}
#endif

TEST_F(SettingsTest, TheFileLivesInTheModuleDirectory) {
  ModuleDir = Dir.string();
  const std::string Name = SettingsFileName();
  EXPECT_EQ(Name.substr(0, Dir.string().size()), Dir.string());
  EXPECT_EQ(fs::path(Name), Dir / "Skerrin.ini");
  ModuleDir = Dir.string() + "/";
  EXPECT_EQ(SettingsFileName(), Dir.string() + "/Skerrin.ini");
  AppSettings.FontSize = 17;
  EXPECT_TRUE(SaveSettings(AppSettings, std::nullopt));
  SetDefaultSettings();
  LoadSettings();
  EXPECT_EQ(AppSettings.FontSize, 17);

  ModuleDir.clear();
  const fs::path Host = fs::path(SettingsFileName()).parent_path();
  EXPECT_TRUE(fs::exists(Host / fs::path(testing::internal::GetArgvs()[0]).filename()) ||
              fs::exists(Host / (fs::path(testing::internal::GetArgvs()[0]).filename().string() + ".exe")))
      << "without a module directory the file lies beside the program: " << Host;
}
