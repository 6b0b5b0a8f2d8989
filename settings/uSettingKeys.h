#pragma once
// Every setting as "Skerrin.ini" holds it: its section and key, the field of the record and its
// range. Reading the file, writing it, the dump of skerrin-dump and taking over what the
// options dialog changed all go by this one description.

#include <functional>
#include <string>
#include <string_view>

#include "settings/uSettingsRecord.h"

class TIniFile;

// The file's values over Settings: a key that is missing or unreadable leaves its field as it
// was, a number outside its range is brought into it, and colour rules with an empty pattern
// are dropped so that the rules in use are always the first ColorRuleCount slots.
void ReadSettingKeys(const TIniFile& Ini, TAppSettings& Settings);

// One key as a save writes it. Copy marks what is written only for older versions: the colours
// again under their old names, and the section "Colors".
struct TStoredKey {
  std::string_view Section;
  std::string_view Key;
  std::string Text;
  bool Copy = false;
};
// Every key of Settings in the order of a new file; the section "Colors" gets the scheme of the
// dark look when Dark, else of the light one.
void ForEachStoredKey(const TAppSettings& Settings, bool Dark, const std::function<void(const TStoredKey&)>& Visit);

// Every field, one "Name=Value" line each, in the record's order. skerrin-dump prints it for
// scripts and tests: keep it stable.
std::string SettingsDumpText(const TAppSettings& Settings);

// Into takes every setting that differs between Start and Edited, as Edited has it, and keeps
// the rest; the colour rules count as one setting. The scheme in force is not a setting.
void TakeChangedSettings(const TAppSettings& Start, const TAppSettings& Edited, TAppSettings& Into);

std::string EncodePatternHex(std::string_view Bytes);
std::string DecodePatternHex(std::string_view Hex);
