#include <gtest/gtest.h>

#include <string>

#include "settings/uSettingsEdit.h"

namespace {

TOptionControlValues ControlsOf(const TAppSettings& S) {
  TOptionControlValues V;
  V.ShowLineNumbers = S.ShowLineNumbers;
  V.LineNumWidth = std::to_string(S.LineNumWidth);
  V.FontName = S.FontName;
  V.FontSize = std::to_string(S.FontSize);
  V.ThemeSelection = S.ThemeMode;
  V.AutoDetect = S.AutoDetect;
  V.ForceFormatSelection = S.ForceFormat;
  V.ModeSelection = S.CustomFormat.Mode;
  V.Delimiter = std::string(1, S.CustomFormat.Delimiter);
  for (int i = 0; i < CustomFieldSlots; ++i) V.FieldSelections[i] = S.CustomFormat.Fields[i];
  for (std::string& P : V.Positions) P = "0";
  V.TailInterval = std::to_string(S.TailIntervalMs);
  return V;
}

TAppSettings Defaults() {
  TAppSettings S;
  SetDefaultSettings(S);
  return S;
}

TColorStringRule Rule(const std::string& Pattern) {
  TColorStringRule R;
  R.Pattern = Pattern;
  return R;
}

}  // namespace

TEST(SettingsEdit, NumberEditsAreUnsignedDecimalsAndAnythingElseIsNoNumber) {
  struct TCase {
    const char* Text;
    std::optional<int32_t> Number;
  };
  const TCase Cases[] = {{"0", 0},
                         {"42", 42},
                         {"007", 7},
                         {"", std::nullopt},
                         {" 5", std::nullopt},
                         {"-3", std::nullopt},
                         {"5x", std::nullopt},
                         {"+5", std::nullopt},
                         {"2147483647", 2147483647},
                         {"99999999999999999999", 2147483647}};
  for (const TCase& C : Cases) EXPECT_EQ(OptionNumber(C.Text), C.Number) << "'" << C.Text << "'";
}

TEST(SettingsEdit, CommitClampsNumbersAndKeepsFieldsWhoseEditHoldsNoNumber) {
  struct TCase {
    const char* Name;
    void (*Edit)(TOptionControlValues&);
    void (*Expect)(const TAppSettings&);
  };
  const TCase Cases[] = {
      {"digits 0", [](TOptionControlValues& V) { V.LineNumWidth = "0"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.LineNumWidth, 1); }},
      {"digits 12", [](TOptionControlValues& V) { V.LineNumWidth = "12"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.LineNumWidth, 9); }},
      {"digits cleared", [](TOptionControlValues& V) { V.LineNumWidth = ""; },
       [](const TAppSettings& S) { EXPECT_EQ(S.LineNumWidth, 7); }},
      {"font size 4", [](TOptionControlValues& V) { V.FontSize = "4"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.FontSize, 6); }},
      {"font size 72", [](TOptionControlValues& V) { V.FontSize = "72"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.FontSize, 36); }},
      {"font size text", [](TOptionControlValues& V) { V.FontSize = "big"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.FontSize, 11); }},
      {"interval 50", [](TOptionControlValues& V) { V.TailInterval = "50"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.TailIntervalMs, 200); }},
      {"interval 60000", [](TOptionControlValues& V) { V.TailInterval = "60000"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.TailIntervalMs, 30000); }},
      {"interval empty", [](TOptionControlValues& V) { V.TailInterval = ""; },
       [](const TAppSettings& S) { EXPECT_EQ(S.TailIntervalMs, 1500); }},
      {"positions",
       [](TOptionControlValues& V) {
         V.Positions[0] = "12";
         V.Positions[7] = "x";
       },
       [](const TAppSettings& S) {
         EXPECT_EQ(S.CustomFormat.TSStart, 12);
         EXPECT_EQ(S.CustomFormat.ThrLen, 9) << "no number: unchanged";
       }},
      {"font blank", [](TOptionControlValues& V) { V.FontName = " \t "; },
       [](const TAppSettings& S) { EXPECT_EQ(S.FontName, "Courier New"); }},
      {"font padded", [](TOptionControlValues& V) { V.FontName = "  Consolas\r\n"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.FontName, "Consolas"); }},
      {"theme none", [](TOptionControlValues& V) { V.ThemeSelection = -1; },
       [](const TAppSettings& S) { EXPECT_EQ(S.ThemeMode, 0); }},
      {"theme dark", [](TOptionControlValues& V) { V.ThemeSelection = 2; },
       [](const TAppSettings& S) { EXPECT_EQ(S.ThemeMode, 2); }},
      {"force none", [](TOptionControlValues& V) { V.ForceFormatSelection = -1; },
       [](const TAppSettings& S) { EXPECT_EQ(S.ForceFormat, lfJSON); }},
      {"force custom", [](TOptionControlValues& V) { V.ForceFormatSelection = 9; },
       [](const TAppSettings& S) { EXPECT_EQ(S.ForceFormat, lfCustom); }},
      {"mode none", [](TOptionControlValues& V) { V.ModeSelection = -1; },
       [](const TAppSettings& S) { EXPECT_EQ(S.CustomFormat.Mode, 1); }},
      {"two semicolons", [](TOptionControlValues& V) { V.Delimiter = ";;"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.CustomFormat.Delimiter, ';'); }},
      {"delimiter empty", [](TOptionControlValues& V) { V.Delimiter = ""; },
       [](const TAppSettings& S) { EXPECT_EQ(S.CustomFormat.Delimiter, ','); }},
      {"delimiter byte above 127", [](TOptionControlValues& V) { V.Delimiter = "\xA7"; },
       [](const TAppSettings& S) { EXPECT_EQ(S.CustomFormat.Delimiter, '\xA7'); }},
      {"roles",
       [](TOptionControlValues& V) {
         V.FieldSelections[0] = -1;
         V.FieldSelections[5] = 4;
       },
       [](const TAppSettings& S) {
         EXPECT_EQ(S.CustomFormat.Fields[0], cfrIgnore);
         EXPECT_EQ(S.CustomFormat.Fields[5], cfrThread);
       }},
  };
  TAppSettings Stored = Defaults();
  Stored.LineNumWidth = 7;
  Stored.FontSize = 11;
  Stored.TailIntervalMs = 1500;
  Stored.ForceFormat = lfJSON;
  Stored.CustomFormat.Mode = 1;
  Stored.CustomFormat.Delimiter = ',';
  Stored.CustomFormat.ThrLen = 9;
  Stored.CustomFormat.FieldCount = 3;
  Stored.WindowBgColor = static_cast<TColor>(0xAB123456);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TAppSettings S = Stored;
    TOptionControlValues V = ControlsOf(S);
    V.Positions[7] = "9";
    C.Edit(V);
    CommitOptionValues(V, S);
    C.Expect(S);
    EXPECT_EQ(S.CustomFormat.FieldCount, 8) << "always eight fields";
    EXPECT_EQ(S.WindowBgColor, 0x123456) << "colours keep their low 24 bits";
  }
}

TEST(SettingsEdit, CommitTakesTheChecksAndLeavesFieldsWithoutControls) {
  TAppSettings S = Defaults();
  S.Follow = false;
  S.CustomFormat.TimestampFmt = "hh:nn";
  S.WindowWidth = 1234;
  S.LastDir = "C:\\logs";
  TOptionControlValues V = ControlsOf(S);
  V.ShowLineNumbers = false;
  V.WordWrap = V.HorzScrollbar = V.DisableDefaultLevels = V.TailEnabled = true;
  V.CloseOnEscInLister = V.AutoDetect = false;
  CommitOptionValues(V, S);
  EXPECT_FALSE(S.ShowLineNumbers);
  EXPECT_TRUE(S.WordWrap && S.HorzScrollbar && S.DisableDefaultLevels && S.TailEnabled);
  EXPECT_FALSE(S.CloseOnEscInLister || S.AutoDetect);
  EXPECT_FALSE(S.Follow);
  EXPECT_EQ(S.CustomFormat.TimestampFmt, "hh:nn");
  EXPECT_EQ(S.WindowWidth, 1234);
  EXPECT_EQ(S.LastDir, "C:\\logs");
}

TEST(SettingsEdit, FormatPageShowsOnlyTheControlsThatApply) {
  struct TCase {
    bool AutoDetect;
    int32_t Force, Mode;
    TFormatPageView View;
  };
  const TCase Cases[] = {
      {true, 9, 0, {false, false, false, false}}, {false, 1, 0, {true, false, false, false}},
      {false, 9, 0, {true, true, true, false}},   {false, 9, 1, {true, true, false, true}},
      {false, 9, -1, {true, true, false, true}},  {false, -1, 0, {true, false, false, false}},
  };
  for (const TCase& C : Cases) {
    const TFormatPageView V = FormatPageView(C.AutoDetect, C.Force, C.Mode);
    EXPECT_EQ((std::vector<bool>{V.ForceEnabled, V.CustomMode, V.Delimited, V.Positional}),
              (std::vector<bool>{C.View.ForceEnabled, C.View.CustomMode, C.View.Delimited, C.View.Positional}))
        << C.AutoDetect << " " << C.Force << " " << C.Mode;
  }
}

TEST(SettingsEdit, RuleListTextsNameColoursOrTheLevel) {
  struct TCase {
    TColorStringRule Rule;
    const char* Text;
  };
  const TCase Cases[] = {
      {{"timeout", 0x00AAFF, AutoColor, true, false, lCustom}, "[x] timeout -> BG #ffaa00 / FG Auto"},
      {{"disk", 0x0000FF, 0x102030, false, false, lCustom}, "[ ] disk -> BG #ff0000 / FG #302010"},
      {{"slow", 0, AutoColor, true, true, lWarn}, "[x] slow -> WARN"},
      {{"odd", 0, AutoColor, true, true, static_cast<TLogLevel>(9)}, "[x] odd -> Custom"},
      {{"\xC3\xA9t\xC3\xA9", 0xFFFFFF, 0, true, false, lError}, "[x] \xC3\xA9t\xC3\xA9 -> BG #ffffff / FG #000000"},
  };
  for (const TCase& C : Cases) EXPECT_EQ(RuleListText(C.Rule), C.Text);
}

TEST(SettingsEdit, RuleEditorBuildsARuleOnlyFromAPattern) {
  TRuleEditorValues E;
  E.Pattern = "  \t ";
  EXPECT_FALSE(RuleFromEditor(E)) << "blank";
  E = {" timeout\n", false, true, false, 0x112233, 0x445566, 1};
  auto R = RuleFromEditor(E);
  ASSERT_TRUE(R);
  EXPECT_EQ(R->Pattern, "timeout");
  EXPECT_FALSE(R->Enabled);
  EXPECT_TRUE(R->UseLevel);
  EXPECT_EQ(R->Color, 0x112233);
  EXPECT_EQ(R->FgColor, 0x445566);
  EXPECT_EQ(R->Level, lWarn);
  E.FgAuto = true;
  E.LevelSelection = 6;
  R = RuleFromEditor(E);
  EXPECT_EQ(R->FgColor, AutoColor) << "FG auto wins over a chosen colour";
  EXPECT_EQ(R->Level, lCustom);
}

TEST(SettingsEdit, RuleEditorControlsFollowUseLevelAndFgAuto) {
  struct TCase {
    bool UseLevel, FgAuto;
    TRuleEditorStates States;
  };
  const TCase Cases[] = {{false, false, {true, true, true, false}},
                         {false, true, {true, false, true, false}},
                         {true, false, {false, false, false, true}},
                         {true, true, {false, false, false, true}}};
  for (const TCase& C : Cases) {
    const TRuleEditorStates S = RuleEditorStates(C.UseLevel, C.FgAuto);
    EXPECT_EQ((std::vector<bool>{S.BgButton, S.FgButton, S.FgAutoBox, S.LevelCombo}),
              (std::vector<bool>{C.States.BgButton, C.States.FgButton, C.States.FgAutoBox, C.States.LevelCombo}));
  }
}

TEST(SettingsEdit, AddUpdateAndDeleteKeepTheRulesInOrderWithinTheLimit) {
  TAppSettings S = Defaults();
  for (int i = 0; i < MaxColorRules; ++i) ASSERT_TRUE(AddColorRule(S, Rule("r" + std::to_string(i))));
  EXPECT_FALSE(AddColorRule(S, Rule("one too many")));
  EXPECT_EQ(S.ColorRuleCount, 20);

  EXPECT_TRUE(ReplaceColorRule(S, 3, Rule("three")));
  EXPECT_FALSE(ReplaceColorRule(S, 20, Rule("past the end")));
  EXPECT_FALSE(ReplaceColorRule(S, -1, Rule("no selection")));
  EXPECT_EQ(S.ColorRules[3].Pattern, "three");

  EXPECT_EQ(DeleteColorRule(S, 3), 3) << "the next rule takes the selection";
  EXPECT_EQ(S.ColorRules[3].Pattern, "r4");
  EXPECT_EQ(S.ColorRuleCount, 19);
  EXPECT_TRUE(AddColorRule(S, Rule("fits again")));
  EXPECT_EQ(DeleteColorRule(S, 19), 18) << "deleting the last selects the new last";
  EXPECT_EQ(DeleteColorRule(S, 19), -1) << "not a rule in use";
  EXPECT_EQ(S.ColorRuleCount, 19);

  while (S.ColorRuleCount > 1) DeleteColorRule(S, 0);
  EXPECT_EQ(S.ColorRules[0].Pattern, "r19");
  EXPECT_EQ(DeleteColorRule(S, 0), -1);
  EXPECT_EQ(S.ColorRuleCount, 0);
}

TEST(SettingsEdit, ColorsPageEditsTheChosenSchemeRowByRow) {
  TAppSettings S = Defaults();
  EXPECT_EQ(&EditedScheme(S, 0), &S.ColorsLight);
  EXPECT_EQ(&EditedScheme(S, -1), &S.ColorsLight);
  EXPECT_EQ(&EditedScheme(S, 1), &S.ColorsDark);
  TColorScheme& Dark = EditedScheme(S, 1);
  EXPECT_EQ(&SchemeRowColor(Dark, 0, false), &Dark.BgColor);
  EXPECT_EQ(&SchemeRowColor(Dark, 0, true), &Dark.FgColor);
  EXPECT_EQ(&SchemeRowColor(Dark, 1, false), &Dark.Levels[lError].Bg);
  EXPECT_EQ(&SchemeRowColor(Dark, 6, true), &Dark.Levels[lCustom].Fg);
  EXPECT_EQ(ColorText(0x00AAFF), "#ffaa00");
  EXPECT_EQ(ColorText(AutoColor), "#ffffff");
}
