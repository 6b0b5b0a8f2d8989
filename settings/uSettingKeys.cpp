#include "settings/uSettingKeys.h"

#include <algorithm>
#include <type_traits>
#include <variant>

#include "model/uTextScan.h"
#include "settings/uIniFile.h"

namespace {

// The field of a record that holds a setting.
using TFieldRef = std::variant<bool*, int32_t*, std::string*, char*, TLogFormat*, TCustomFieldRole*, TLogLevel*>;

// One key of the file and the field of TRecord behind it. The default of the setting is the
// field's own initial value.
template <class TRecord>
struct TKey {
  const char* Section;  // none for the keys of a colour rule, whose section is numbered
  const char* Key;
  TFieldRef (*Field)(TRecord&);
  TSettingRange Range = AnyNumber;
  // The field's name in the dump where it is not the key.
  const char* Name = nullptr;
  // Texts lose the blanks at their ends when read, and empty gives the default; not these.
  bool KeepBlanks = false;
};

template <class T>
struct TMemberOf;
template <class TRecord, class TValue>
struct TMemberOf<TValue TRecord::*> {
  using Record = TRecord;
};

// A key's accessor made from the member (and the index in it) that the key stands for, so that a
// row names its field once and the compiler checks it.
template <auto Member>
TFieldRef FieldOf(typename TMemberOf<decltype(Member)>::Record& R) {
  return &(R.*Member);
}
template <auto Member, int Index>
TFieldRef FieldOf(typename TMemberOf<decltype(Member)>::Record& R) {
  return &(R.*Member)[Index];
}

template <class... TCases>
struct TOverloaded : TCases... {
  using TCases::operator()...;
};
// Not deduced by itself before clang 17.
template <class... TCases>
TOverloaded(TCases...) -> TOverloaded<TCases...>;

// Short names for the rows below.
using TSet = TAppSettings;
using TCustom = TCustomFormatConfig;
using TRule = TColorStringRule;

// The view and the look, written before the colours.
const TKey<TSet> LeadingKeys[] = {
    {"View", "ShowLineNumbers", FieldOf<&TSet::ShowLineNumbers>},
    {"View", "LineNumWidth", FieldOf<&TSet::LineNumWidth>, LineNumWidthRange},
    {"View", "WindowBgColor", FieldOf<&TSet::WindowBgColor>},
    {"View", "BarDarkModeColor", FieldOf<&TSet::BarDarkModeColor>},
    {"View", "WordWrap", FieldOf<&TSet::WordWrap>},
    {"View", "HorzScrollbar", FieldOf<&TSet::HorzScrollbar>},
    {"View", "FontName", FieldOf<&TSet::FontName>},
    {"View", "FontSize", FieldOf<&TSet::FontSize>, FontSizeRange},
    {"Theme", "Mode", FieldOf<&TSet::ThemeMode>, ThemeModeRange, "ThemeMode"},
};

// The count comes first in the file, so that a reader knows how many rule sections follow; it
// changes together with the rules.
const TKey<TSet> RuleSetKeys[] = {
    {"ColorRules", "Count", FieldOf<&TSet::ColorRuleCount>, RuleCountRange, "ColorRuleCount"},
    {"ColorRules", "DisableDefaultLevels", FieldOf<&TSet::DisableDefaultLevels>},
};

constexpr char RuleSectionPrefix[] = "ColorRule";
constexpr char PatternKey[] = "Pattern";
// The pattern's bytes in hexadecimal keep what the plain key cannot: blanks at its ends.
constexpr char PatternHexKey[] = "PatternUtf8Hex";
const TKey<TRule> RuleKeys[] = {
    {nullptr, "Color", FieldOf<&TRule::Color>},
    {nullptr, "FgColor", FieldOf<&TRule::FgColor>},
    {nullptr, "Enabled", FieldOf<&TRule::Enabled>},
    {nullptr, "UseLevel", FieldOf<&TRule::UseLevel>},
    {nullptr, "Level", FieldOf<&TRule::Level>, RuleLevelRange},
};

const TKey<TSet> FormatKeys[] = {
    {"Format", "AutoDetect", FieldOf<&TSet::AutoDetect>},
    {"Format", "ForceFormat", FieldOf<&TSet::ForceFormat>, ForceFormatRange},
};

// All eight field roles are read and written whatever FieldCount says.
const TKey<TCustom> CustomFormatKeys[] = {
    {"CustomFormat", "Mode", FieldOf<&TCustom::Mode>, CustomModeRange},
    // The character's code; only the low 8 bits of a number read count.
    {"CustomFormat", "Delimiter", FieldOf<&TCustom::Delimiter>},
    {"CustomFormat", "FieldCount", FieldOf<&TCustom::FieldCount>, FieldCountRange},
    {"CustomFormat", "Field0", FieldOf<&TCustom::Fields, 0>, FieldRoleRange},
    {"CustomFormat", "Field1", FieldOf<&TCustom::Fields, 1>, FieldRoleRange},
    {"CustomFormat", "Field2", FieldOf<&TCustom::Fields, 2>, FieldRoleRange},
    {"CustomFormat", "Field3", FieldOf<&TCustom::Fields, 3>, FieldRoleRange},
    {"CustomFormat", "Field4", FieldOf<&TCustom::Fields, 4>, FieldRoleRange},
    {"CustomFormat", "Field5", FieldOf<&TCustom::Fields, 5>, FieldRoleRange},
    {"CustomFormat", "Field6", FieldOf<&TCustom::Fields, 6>, FieldRoleRange},
    {"CustomFormat", "Field7", FieldOf<&TCustom::Fields, 7>, FieldRoleRange},
    {"CustomFormat", "TSStart", FieldOf<&TCustom::TSStart>},
    {"CustomFormat", "TSLen", FieldOf<&TCustom::TSLen>},
    {"CustomFormat", "LvlStart", FieldOf<&TCustom::LvlStart>},
    {"CustomFormat", "LvlLen", FieldOf<&TCustom::LvlLen>},
    {"CustomFormat", "SrcStart", FieldOf<&TCustom::SrcStart>},
    {"CustomFormat", "SrcLen", FieldOf<&TCustom::SrcLen>},
    {"CustomFormat", "ThrStart", FieldOf<&TCustom::ThrStart>},
    {"CustomFormat", "ThrLen", FieldOf<&TCustom::ThrLen>},
    {"CustomFormat", "TimestampFmt", FieldOf<&TCustom::TimestampFmt>},
};

// CloseOnEscInLister came later than the rest of its section, and the window's place and the
// last folder are only kept for older versions.
const TKey<TSet> TrailingKeys[] = {
    {"Tail", "Enabled", FieldOf<&TSet::TailEnabled>, AnyNumber, "TailEnabled"},
    {"Tail", "Follow", FieldOf<&TSet::Follow>},
    {"Tail", "IntervalMs", FieldOf<&TSet::TailIntervalMs>, TailIntervalRange, "TailIntervalMs"},
    {"View", "CloseOnEscInLister", FieldOf<&TSet::CloseOnEscInLister>},
    {"Window", "Left", FieldOf<&TSet::WindowLeft>, AnyNumber, "WindowLeft"},
    {"Window", "Top", FieldOf<&TSet::WindowTop>, AnyNumber, "WindowTop"},
    {"Window", "Width", FieldOf<&TSet::WindowWidth>, AnyNumber, "WindowWidth"},
    {"Window", "Height", FieldOf<&TSet::WindowHeight>, AnyNumber, "WindowHeight"},
    {"Window", "Maximized", FieldOf<&TSet::WindowMaximized>, AnyNumber, "WindowMaximized"},
    {"Files", "LastDir", FieldOf<&TSet::LastDir>, AnyNumber, nullptr, true},
};

// The schemes' sections; "Colors" holds the scheme of the look in force for older versions,
// and is read only when there is no "ColorsLight".
constexpr char LightSection[] = "ColorsLight";
constexpr char DarkSection[] = "ColorsDark";
constexpr char InForceSection[] = "Colors";

struct TSchemeKey {
  const char* Key;
  const char* OldKey;
};
// In the order of the fields in memory: BgColor, FgColor, then background and foreground per
// level.
constexpr TSchemeKey SchemeKeys[2 + 2 * LogLevelCount] = {
    {"BgColor", "BgDefault"}, {"FgColor", "FgDefault"}, {"ErrBg", "Error"},   {"ErrFg", "FgError"},
    {"WarnBg", "Warn"},       {"WarnFg", "FgWarn"},     {"InfoBg", "Info"},   {"InfoFg", "FgInfo"},
    {"DebugBg", "Debug"},     {"DebugFg", "FgDebug"},   {"TraceBg", "Trace"}, {"TraceFg", "FgTrace"},
    {"CustomBg", "Custom"},   {"CustomFg", "FgCustom"}};
// The order in which the colours are written: backgrounds, then foregrounds, then the same
// values under the old names, whose own order ends with the two plain colours.
constexpr int NewKeyWriteOrder[] = {0, 1, 2, 4, 6, 8, 10, 12, 3, 5, 7, 9, 11, 13};
constexpr int OldKeyWriteOrder[] = {2, 4, 6, 8, 10, 12, 3, 5, 7, 9, 11, 13, 0, 1};

TColor& SchemeColor(TColorScheme& Scheme, int Index) {
  if (Index == 0) return Scheme.BgColor;
  if (Index == 1) return Scheme.FgColor;
  TLevelColors& Pair = Scheme.Levels[(Index - 2) / 2];
  return Index % 2 == 0 ? Pair.Bg : Pair.Fg;
}

TColor SchemeColor(const TColorScheme& Scheme, int Index) {
  return SchemeColor(const_cast<TColorScheme&>(Scheme), Index);
}

// The field of a record that is only looked at: the accessors serve reading and writing alike.
template <class TRecord>
TFieldRef FieldIn(const TKey<TRecord>& Key, const TRecord& Record) {
  return Key.Field(const_cast<TRecord&>(Record));
}

std::string FieldText(TFieldRef Field) {
  return std::visit(
      TOverloaded{[](bool* Flag) { return std::string(*Flag ? "1" : "0"); }, [](std::string* Text) { return *Text; },
                  [](char* Byte) { return std::to_string(static_cast<unsigned char>(*Byte)); },
                  [](auto* Number) { return std::to_string(static_cast<int32_t>(*Number)); }},
      Field);
}

bool SameValue(TFieldRef A, TFieldRef B) {
  return std::visit([&](auto* Value) { return *Value == *std::get<decltype(Value)>(B); }, A);
}

void CopyValue(TFieldRef From, TFieldRef To) {
  std::visit([&](auto* Value) { *std::get<decltype(Value)>(To) = *Value; }, From);
}

template <class TRecord>
std::string_view SectionOf(const TKey<TRecord>& Key, std::string_view Numbered) {
  return Key.Section ? std::string_view(Key.Section) : Numbered;
}

// Each value read uses the field's current value as its default.
template <class TRecord, size_t N>
void ReadKeys(const TIniFile& Ini, const TKey<TRecord> (&Keys)[N], TRecord& Record, std::string_view Numbered = {}) {
  for (const TKey<TRecord>& K : Keys) {
    const std::string_view Section = SectionOf(K, Numbered);
    std::visit(TOverloaded{[&](bool* Flag) { *Flag = Ini.ReadBool(Section, K.Key, *Flag); },
                           [&](std::string* Text) {
                             *Text = Ini.ReadString(Section, K.Key, *Text);
                             if (K.KeepBlanks) return;
                             *Text = std::string(Trim(*Text));
                             if (Text->empty()) *Text = *std::get<std::string*>(FieldIn(K, TRecord{}));
                           },
                           [&](char* Byte) {
                             const int32_t Code = Ini.ReadInteger(Section, K.Key, static_cast<unsigned char>(*Byte));
                             *Byte = static_cast<char>(static_cast<unsigned char>(Code & 0xFF));
                           },
                           [&](auto* Number) {
                             using TValue = std::remove_pointer_t<decltype(Number)>;
                             const auto Current = static_cast<int32_t>(*Number);
                             *Number =
                                 static_cast<TValue>(K.Range.Apply(Ini.ReadInteger(Section, K.Key, Current), Current));
                           }},
               K.Field(Record));
  }
}

using TVisit = std::function<void(const TStoredKey&)>;

template <class TRecord, size_t N>
void StoreKeys(const TKey<TRecord> (&Keys)[N], const TRecord& Record, const TVisit& Visit,
               std::string_view Numbered = {}) {
  for (const TKey<TRecord>& K : Keys) Visit({SectionOf(K, Numbered), K.Key, FieldText(FieldIn(K, Record))});
}

class TDump {
 public:
  void Line(std::string_view Name, std::string_view Value) { Text.append(Name).append("=").append(Value).append("\n"); }

  // Keys of the record itself go by their field's name, those of a part of it by section and key.
  template <class TRecord, size_t N>
  void Keys(const TKey<TRecord> (&Table)[N], const TRecord& Record, bool Qualified) {
    for (const TKey<TRecord>& K : Table) {
      const std::string Name = Qualified ? std::string(K.Section) + "." + K.Key : K.Name ? K.Name : K.Key;
      Line(Name, FieldText(FieldIn(K, Record)));
    }
  }

  void Scheme(std::string_view Section, const TColorScheme& Scheme) {
    for (int i = 0; i < 2 + 2 * LogLevelCount; ++i)
      Line(std::string(Section) + "." + SchemeKeys[i].Key, std::to_string(SchemeColor(Scheme, i)));
  }

  void Rule(int Index, const TColorStringRule& Rule) {
    const std::string Prefix = RuleSectionPrefix + std::to_string(Index) + ".";
    Line(Prefix + PatternHexKey, EncodePatternHex(Rule.Pattern));
    for (const TKey<TRule>& K : RuleKeys) Line(Prefix + K.Key, FieldText(FieldIn(K, Rule)));
  }

  std::string Text;
};

template <class TRecord, size_t N>
void TakeChangedKeys(const TKey<TRecord> (&Keys)[N], const TRecord& Start, const TRecord& Edited, TRecord& Into) {
  for (const TKey<TRecord>& K : Keys)
    if (!SameValue(FieldIn(K, Start), FieldIn(K, Edited))) CopyValue(FieldIn(K, Edited), K.Field(Into));
}

void TakeChangedScheme(const TColorScheme& Start, const TColorScheme& Edited, TColorScheme& Into) {
  for (int i = 0; i < 2 + 2 * LogLevelCount; ++i)
    if (SchemeColor(Start, i) != SchemeColor(Edited, i)) SchemeColor(Into, i) = SchemeColor(Edited, i);
}

int32_t RulesInUse(const TAppSettings& Settings) { return RuleCountRange.Clamped(Settings.ColorRuleCount); }

bool SameRules(const TAppSettings& A, const TAppSettings& B) {
  const int32_t Count = RulesInUse(A);
  return Count == RulesInUse(B) && std::equal(A.ColorRules, A.ColorRules + Count, B.ColorRules);
}

std::string RuleSection(int Index) { return RuleSectionPrefix + std::to_string(Index); }

// A new key wins over its old name, and a colour with neither keeps its value.
void ReadScheme(const TIniFile& Ini, std::string_view Section, TColorScheme& Scheme) {
  for (int i = 0; i < 2 + 2 * LogLevelCount; ++i) {
    TColor& Color = SchemeColor(Scheme, i);
    Color = Ini.ReadInteger(Section, SchemeKeys[i].Key, Ini.ReadInteger(Section, SchemeKeys[i].OldKey, Color));
  }
}

void ReadSchemes(const TIniFile& Ini, TAppSettings& Settings) {
  if (Ini.SectionExists(LightSection)) ReadScheme(Ini, LightSection, Settings.ColorsLight);
  else if (Ini.SectionExists(InForceSection)) ReadScheme(Ini, InForceSection, Settings.ColorsLight);
  if (Ini.SectionExists(DarkSection)) ReadScheme(Ini, DarkSection, Settings.ColorsDark);
}

void StoreScheme(std::string_view Section, const TColorScheme& Scheme, bool Copy, const TVisit& Visit) {
  for (int i : NewKeyWriteOrder) Visit({Section, SchemeKeys[i].Key, std::to_string(SchemeColor(Scheme, i)), Copy});
  for (int i : OldKeyWriteOrder) Visit({Section, SchemeKeys[i].OldKey, std::to_string(SchemeColor(Scheme, i)), true});
}

// A rule without a colour of its own takes DefaultColor, the background of the default scheme.
TColorStringRule ReadRule(const TIniFile& Ini, int Index, TColor DefaultColor) {
  const std::string Section = RuleSection(Index);
  TColorStringRule Rule;
  Rule.Color = DefaultColor;
  const std::string Hex(Trim(Ini.ReadString(Section, PatternHexKey, "")));
  Rule.Pattern = !Hex.empty() ? DecodePatternHex(Hex) : std::string(Trim(Ini.ReadString(Section, PatternKey, "")));
  ReadKeys(Ini, RuleKeys, Rule, Section);
  return Rule;
}

void ReadRules(const TIniFile& Ini, TAppSettings& Settings) {
  const int32_t Stored = Settings.ColorRuleCount;
  Settings.ColorRuleCount = 0;
  for (int i = 0; i < Stored; ++i) {
    TColorStringRule Rule = ReadRule(Ini, i, Settings.Colors.BgColor);
    if (!Rule.Pattern.empty()) Settings.ColorRules[Settings.ColorRuleCount++] = std::move(Rule);
  }
}

int HexDigit(char Digit) {
  if (Digit >= '0' && Digit <= '9') return Digit - '0';
  if (Digit >= 'A' && Digit <= 'F') return Digit - 'A' + 10;
  if (Digit >= 'a' && Digit <= 'f') return Digit - 'a' + 10;
  return -1;
}

}  // namespace

void ReadSettingKeys(const TIniFile& Ini, TAppSettings& Settings) {
  ReadKeys(Ini, LeadingKeys, Settings);
  ReadSchemes(Ini, Settings);
  // The count is the number of rule sections to look at; the rules found set it anew.
  Settings.ColorRuleCount = 0;
  ReadKeys(Ini, RuleSetKeys, Settings);
  ReadRules(Ini, Settings);
  ReadKeys(Ini, FormatKeys, Settings);
  ReadKeys(Ini, CustomFormatKeys, Settings.CustomFormat);
  ReadKeys(Ini, TrailingKeys, Settings);
}

void ForEachStoredKey(const TAppSettings& Settings, bool Dark, const TVisit& Visit) {
  StoreKeys(LeadingKeys, Settings, Visit);
  StoreScheme(LightSection, Settings.ColorsLight, false, Visit);
  StoreScheme(DarkSection, Settings.ColorsDark, false, Visit);
  StoreScheme(InForceSection, Dark ? Settings.ColorsDark : Settings.ColorsLight, true, Visit);
  StoreKeys(RuleSetKeys, Settings, Visit);
  for (int i = 0; i < RulesInUse(Settings); ++i) {
    const std::string Section = RuleSection(i);
    const TColorStringRule& Rule = Settings.ColorRules[i];
    Visit({Section, PatternKey, Rule.Pattern});
    Visit({Section, PatternHexKey, EncodePatternHex(Rule.Pattern)});
    StoreKeys(RuleKeys, Rule, Visit, Section);
  }
  StoreKeys(FormatKeys, Settings, Visit);
  StoreKeys(CustomFormatKeys, Settings.CustomFormat, Visit);
  StoreKeys(TrailingKeys, Settings, Visit);
}

std::string SettingsDumpText(const TAppSettings& Settings) {
  TDump D;
  D.Keys(LeadingKeys, Settings, false);
  D.Scheme(LightSection, Settings.ColorsLight);
  D.Scheme(DarkSection, Settings.ColorsDark);
  D.Scheme(InForceSection, Settings.Colors);
  for (int i = 0; i < RulesInUse(Settings); ++i) D.Rule(i, Settings.ColorRules[i]);
  D.Keys(RuleSetKeys, Settings, false);
  D.Keys(FormatKeys, Settings, false);
  D.Keys(CustomFormatKeys, Settings.CustomFormat, true);
  D.Keys(TrailingKeys, Settings, false);
  return D.Text;
}

void TakeChangedSettings(const TAppSettings& Start, const TAppSettings& Edited, TAppSettings& Into) {
  TakeChangedKeys(LeadingKeys, Start, Edited, Into);
  TakeChangedScheme(Start.ColorsLight, Edited.ColorsLight, Into.ColorsLight);
  TakeChangedScheme(Start.ColorsDark, Edited.ColorsDark, Into.ColorsDark);
  if (!SameRules(Start, Edited)) {
    Into.ColorRuleCount = RulesInUse(Edited);
    std::copy(Edited.ColorRules, Edited.ColorRules + Into.ColorRuleCount, Into.ColorRules);
  }
  TakeChangedKeys(RuleSetKeys, Start, Edited, Into);
  TakeChangedKeys(FormatKeys, Start, Edited, Into);
  TakeChangedKeys(CustomFormatKeys, Start.CustomFormat, Edited.CustomFormat, Into.CustomFormat);
  TakeChangedKeys(TrailingKeys, Start, Edited, Into);
}

std::string EncodePatternHex(std::string_view Bytes) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Hex;
  Hex.reserve(Bytes.size() * 2);
  for (const char Byte : Bytes) {
    const auto B = static_cast<unsigned char>(Byte);
    Hex += Digits[B >> 4];
    Hex += Digits[B & 15];
  }
  return Hex;
}

std::string DecodePatternHex(std::string_view Hex) {
  if (Hex.size() % 2 != 0) return {};
  std::string Bytes;
  Bytes.reserve(Hex.size() / 2);
  for (size_t i = 0; i < Hex.size(); i += 2) {
    const int High = HexDigit(Hex[i]);
    const int Low = HexDigit(Hex[i + 1]);
    if (High < 0 || Low < 0) return {};
    Bytes += static_cast<char>(High << 4 | Low);
  }
  return Bytes;
}
