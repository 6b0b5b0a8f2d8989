#include "uDumpSettings.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "platform/uPlatformModule.h"
#include "settings/uSettings.h"

namespace {

constexpr const char* SchemeKeys[2 + 2 * LogLevelCount] = {"BgColor", "FgColor", "ErrBg",    "ErrFg",   "WarnBg",
                                                           "WarnFg",  "InfoBg",  "InfoFg",   "DebugBg", "DebugFg",
                                                           "TraceBg", "TraceFg", "CustomBg", "CustomFg"};

class TDump {
 public:
  void Line(std::string_view Name, std::string_view Value) { Text.append(Name).append("=").append(Value).append("\n"); }
  void Line(std::string_view Name, int32_t Value) { Line(Name, std::string_view(std::to_string(Value))); }
  void Flag(std::string_view Name, bool Value) { Line(Name, std::string_view(Value ? "1" : "0")); }

  void Scheme(std::string_view Prefix, const TColorScheme& S) {
    const std::string P = std::string(Prefix) + ".";
    Line(P + SchemeKeys[0], S.BgColor);
    Line(P + SchemeKeys[1], S.FgColor);
    for (int L = 0; L < LogLevelCount; ++L) {
      Line(P + SchemeKeys[2 + 2 * L], S.Levels[L].Bg);
      Line(P + SchemeKeys[3 + 2 * L], S.Levels[L].Fg);
    }
  }

  void Rule(int Index, const TColorStringRule& R, std::string_view PatternHex) {
    const std::string P = "ColorRule" + std::to_string(Index) + ".";
    Line(P + "PatternUtf8Hex", PatternHex);
    Line(P + "Color", R.Color);
    Line(P + "FgColor", R.FgColor);
    Flag(P + "Enabled", R.Enabled);
    Flag(P + "UseLevel", R.UseLevel);
    Line(P + "Level", static_cast<int32_t>(R.Level));
  }

  void Custom(const TCustomFormatConfig& C) {
    Line("CustomFormat.Mode", C.Mode);
    Line("CustomFormat.Delimiter", static_cast<int32_t>(static_cast<unsigned char>(C.Delimiter)));
    Line("CustomFormat.FieldCount", C.FieldCount);
    for (int i = 0; i < CustomFieldSlots; ++i)
      Line("CustomFormat.Field" + std::to_string(i), static_cast<int32_t>(C.Fields[i]));
    Line("CustomFormat.TSStart", C.TSStart);
    Line("CustomFormat.TSLen", C.TSLen);
    Line("CustomFormat.LvlStart", C.LvlStart);
    Line("CustomFormat.LvlLen", C.LvlLen);
    Line("CustomFormat.SrcStart", C.SrcStart);
    Line("CustomFormat.SrcLen", C.SrcLen);
    Line("CustomFormat.ThrStart", C.ThrStart);
    Line("CustomFormat.ThrLen", C.ThrLen);
    Line("CustomFormat.TimestampFmt", C.TimestampFmt);
  }

  std::string Text;
};

int UsageError(const char* Problem) {
  std::fprintf(stderr, "skerrin-dump: %s; usage: skerrin-dump --settings [--ini PATH] [--save OUT]\n", Problem);
  return 2;
}

}  // namespace

std::string SettingsDumpText(const TAppSettings& S) {
  TDump D;
  D.Flag("ShowLineNumbers", S.ShowLineNumbers);
  D.Line("LineNumWidth", S.LineNumWidth);
  D.Line("WindowBgColor", S.WindowBgColor);
  D.Line("BarDarkModeColor", S.BarDarkModeColor);
  D.Flag("WordWrap", S.WordWrap);
  D.Flag("HorzScrollbar", S.HorzScrollbar);
  D.Line("FontName", S.FontName);
  D.Line("FontSize", S.FontSize);
  D.Line("ThemeMode", S.ThemeMode);
  D.Scheme("ColorsLight", S.ColorsLight);
  D.Scheme("ColorsDark", S.ColorsDark);
  D.Scheme("Colors", S.Colors);
  const int32_t Count = std::clamp(S.ColorRuleCount, 0, MaxColorRules);
  for (int i = 0; i < Count; ++i) D.Rule(i, S.ColorRules[i], EncodePatternHex(S.ColorRules[i].Pattern));
  D.Line("ColorRuleCount", S.ColorRuleCount);
  D.Flag("DisableDefaultLevels", S.DisableDefaultLevels);
  D.Flag("AutoDetect", S.AutoDetect);
  D.Line("ForceFormat", static_cast<int32_t>(S.ForceFormat));
  D.Custom(S.CustomFormat);
  D.Flag("TailEnabled", S.TailEnabled);
  D.Flag("Follow", S.Follow);
  D.Line("TailIntervalMs", S.TailIntervalMs);
  D.Flag("CloseOnEscInLister", S.CloseOnEscInLister);
  D.Line("WindowLeft", S.WindowLeft);
  D.Line("WindowTop", S.WindowTop);
  D.Line("WindowWidth", S.WindowWidth);
  D.Line("WindowHeight", S.WindowHeight);
  D.Flag("WindowMaximized", S.WindowMaximized);
  D.Line("LastDir", S.LastDir);
  return D.Text;
}

int DumpSettings(int argc, char** argv) {
  const char* Ini = nullptr;
  const char* Save = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string_view Arg = argv[i];
    if (Arg == "--settings") continue;
    const bool TakesValue = Arg == "--ini" || Arg == "--save";
    if (!TakesValue) return UsageError(("unknown argument " + std::string(Arg)).c_str());
    if (i + 1 >= argc) return UsageError((std::string(Arg) + " needs a path").c_str());
    (Arg == "--ini" ? Ini : Save) = argv[++i];
  }

  if (Ini) {
    LoadSettingsFrom(Ini);
  } else {
    ModuleDir = DirectoryOf(ModuleFilePath());
    LoadSettings();
  }
  const std::string Text = SettingsDumpText(AppSettings);
  std::fwrite(Text.data(), 1, Text.size(), stdout);
  if (Save && !SaveSettingsTo(Save)) {
    std::fprintf(stderr, "skerrin-dump: could not save the settings to %s\n", Save);
    return 1;
  }
  return 0;
}
