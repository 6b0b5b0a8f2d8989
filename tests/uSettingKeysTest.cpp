#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "settings/uIniFile.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

// The commented sample of the package: every key a save writes, apart from the copies kept for
// older versions, stands there with its default (a key shown as ";Key=Value" counts), and the
// sample colour rule with the defaults of a rule.
TEST(SettingKeys, TheSampleFileNamesEveryKeyWithItsDefault) {
  std::string Shown;
  for (const std::string& Line : ReadFileLines(SourcePath("packaging/Skerrin.sample.ini"))) {
    const bool ShownKey = Line.size() > 1 && Line[0] == ';' && std::isalpha(static_cast<unsigned char>(Line[1]));
    Shown += (ShownKey ? Line.substr(1) : Line) + "\n";
  }
  TIniFile Sample;
  Sample.Parse(Shown);
  TAppSettings Defaults;
  SetDefaultSettings(Defaults);
  TAppSettings WithRule = Defaults;
  WithRule.ColorRuleCount = 1;
  WithRule.ColorRules[0] = {"Timeout", 13434879, AutoColor, true, false, lCustom};
  int Checked = 0;
  for (const TAppSettings* Settings : {&Defaults, &WithRule}) {
    ForEachStoredKey(*Settings, false, [&](const TStoredKey& Key) {
      if (Key.Copy || (Settings == &WithRule) != (Key.Section == "ColorRule0")) return;
      ++Checked;
      EXPECT_EQ(Sample.ReadString(Key.Section, Key.Key, "<missing>"), Key.Text) << Key.Section << "/" << Key.Key;
    });
  }
  EXPECT_GT(Checked, 70) << "the keys of every section";
}

// The options dialog's OK over the settings in force: what the dialog changed comes in, and what
// changed meanwhile elsewhere (a toggle in the viewer, or in another one) stays.
TEST(SettingKeys, TakenOverAreOnlyTheSettingsThatTheDialogChanged) {
  TAppSettings Start;
  SetDefaultSettings(Start);
  TAppSettings Edited = Start;
  Edited.FontSize = 12;
  Edited.ThemeMode = 2;
  Edited.ColorsDark.Levels[lWarn].Fg = 5;
  Edited.CustomFormat.Fields[6] = cfrThread;
  Edited.Colors.BgColor = 1;  // the scheme in force is no setting
  TAppSettings InForce = Start;
  InForce.WordWrap = true;
  InForce.Follow = false;
  InForce.ColorsDark.BgColor = 7;
  InForce.ColorRuleCount = 1;
  InForce.ColorRules[0].Pattern = "kept";
  TAppSettings Expected = InForce;
  Expected.FontSize = 12;
  Expected.ThemeMode = 2;
  Expected.ColorsDark.Levels[lWarn].Fg = 5;
  Expected.CustomFormat.Fields[6] = cfrThread;
  TakeChangedSettings(Start, Edited, InForce);
  EXPECT_EQ(SettingsDumpText(InForce), SettingsDumpText(Expected));

  // Rules edited in the dialog replace the rules as a whole.
  Edited.ColorRuleCount = 2;
  Edited.ColorRules[0].Pattern = "a";
  Edited.ColorRules[1].Pattern = "b";
  Expected.ColorRuleCount = 2;
  Expected.ColorRules[0] = Edited.ColorRules[0];
  Expected.ColorRules[1] = Edited.ColorRules[1];
  TakeChangedSettings(Start, Edited, InForce);
  EXPECT_EQ(SettingsDumpText(InForce), SettingsDumpText(Expected));
}

TEST(SettingKeys, TheTailIntervalIsClampedToTheTimerRange) {
  const struct {
    int32_t In, Out;
  } Cases[] = {{-5, 200}, {0, 200}, {50, 200}, {200, 200}, {1000, 1000}, {30000, 30000}, {60000, 30000}};
  for (const auto& Case : Cases) EXPECT_EQ(TailIntervalRange.Clamped(Case.In), Case.Out) << Case.In;
}
