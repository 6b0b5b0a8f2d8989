#include <gtest/gtest.h>

#include <optional>

#include "settings/uSettings.h"
#include "settings/uTheme.h"

namespace {

int QueryCalls = 0;
std::optional<uint32_t> RegistrySays;

std::optional<uint32_t> FakeRegistry() {
  ++QueryCalls;
  return RegistrySays;
}

// Restores the process-wide settings that the tests change.
class ThemeTest : public testing::Test {
 protected:
  void SetUp() override {
    QueryCalls = 0;
    RegistrySays.reset();
    SetDefaultSettings();
  }
  void TearDown() override { SetDefaultSettings(); }
};

}  // namespace

TEST_F(ThemeTest, SystemPreferenceFromTheRegistryValue) {
  struct Case {
    std::optional<uint32_t> Value;
    bool Dark;
  };
  const Case Cases[] = {{0u, true}, {1u, false}, {std::nullopt, false}, {2u, false}};
  for (const Case& C : Cases) {
    RegistrySays = C.Value;
    EXPECT_EQ(SystemPrefersDark(FakeRegistry), C.Dark) << (C.Value ? int(*C.Value) : -1);
  }
}

TEST_F(ThemeTest, DecisionTable) {
  struct Case {
    int32_t Mode;
    bool HostKnown, HostDark;
    std::optional<uint32_t> Registry;
    bool Dark;
    bool AsksRegistry;
  };
  const Case Cases[] = {
      {0, false, false, 0u, true, true},
      {0, false, false, 1u, false, true},
      {0, false, false, std::nullopt, false, true},
      {0, true, true, 1u, true, false},
      {0, true, true, std::nullopt, true, false},
      {0, true, false, 0u, false, false},
      {1, true, true, 0u, false, false},
      {1, false, false, 0u, false, false},
      {2, true, false, 1u, true, false},
      {2, false, false, std::nullopt, true, false},
  };
  int Row = 0;
  for (const Case& C : Cases) {
    RegistrySays = C.Registry;
    QueryCalls = 0;
    const THostDark Host = C.HostKnown ? THostDark(C.HostDark) : std::nullopt;
    EXPECT_EQ(DecideDarkTheme(C.Mode, Host, FakeRegistry), C.Dark) << Row;
    EXPECT_EQ(QueryCalls > 0, C.AsksRegistry) << Row;
    ++Row;
  }
}

TEST_F(ThemeTest, ApplyCopiesTheSchemeInForceDecidedByTheHostOnceItHasSpoken) {
  AppSettings.ColorsLight.Levels[lError].Bg = 1;
  AppSettings.ColorsDark.Levels[lError].Bg = 2;
  const auto InForce = [] { return AppSettings.Colors.Levels[lError].Bg; };
  RegistrySays = 0u;  // the system prefers dark
  ApplyThemeColors(AppSettings, std::nullopt, FakeRegistry);
  EXPECT_EQ(InForce(), 2);
  RegistrySays = 1u;
  ApplyThemeColors(AppSettings, std::nullopt, FakeRegistry);
  EXPECT_EQ(InForce(), 1);
  RegistrySays = 0u;
  ApplyThemeColors(AppSettings, false, FakeRegistry);  // a viewer opened without the host's dark flag
  EXPECT_EQ(InForce(), 1);
  RegistrySays = 1u;
  ApplyThemeColors(AppSettings, true, FakeRegistry);
  EXPECT_EQ(InForce(), 2);
  AppSettings.ThemeMode = 1;
  ApplyThemeColors(AppSettings, true, FakeRegistry);
  EXPECT_EQ(InForce(), 1);
}

TEST_F(ThemeTest, DefaultSchemes) {
  TColorScheme Light{};
  TColorScheme Dark{};
  DefaultLightColors(Light);
  DefaultDarkColors(Dark);
  const TColor LightBg[] = {11184895, 43775, 65535, 15790320, 16771280, 14811135};
  const TColor DarkBg[] = {1056832, 1062984, 1589312, 3684408, 4206632, 3158064};
  const TColor DarkFg[] = {11184895, 8441087, 8454143, 12632256, 13680800, 12632256};
  for (int L = 0; L < LogLevelCount; ++L) {
    EXPECT_EQ(Light.Levels[L].Bg, LightBg[L]) << L;
    EXPECT_EQ(Light.Levels[L].Fg, 0) << L;
    EXPECT_EQ(Dark.Levels[L].Bg, DarkBg[L]) << L;
    EXPECT_EQ(Dark.Levels[L].Fg, DarkFg[L]) << L;
  }
  EXPECT_EQ(Dark.BgColor, 2631720);
  EXPECT_EQ(Dark.FgColor, 13948116);
}

TEST_F(ThemeTest, NewRulesTakeTheBackgroundOfTheSchemeInForce) {
  AppSettings.ThemeMode = 2;
  ApplyThemeColors(AppSettings, std::nullopt, FakeRegistry);
  ResetColorRules(AppSettings);
  EXPECT_EQ(AppSettings.ColorRules[0].Color, 2631720);
  EXPECT_EQ(AppSettings.ColorRules[19].Color, 2631720);
  EXPECT_EQ(AppSettings.ColorRules[0].FgColor, AutoColor);
}
