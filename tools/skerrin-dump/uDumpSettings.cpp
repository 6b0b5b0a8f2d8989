#include "uDumpSettings.h"

#include <cstdio>
#include <string_view>

#include "platform/uPlatformModule.h"
#include "settings/uSettings.h"

namespace {

int UsageError(const char* Problem) {
  std::fprintf(stderr, "skerrin-dump: %s; usage: skerrin-dump --settings [--ini PATH] [--save OUT]\n", Problem);
  return 2;
}

}  // namespace

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
  // No host here: the system's preference decides the look whose scheme "Colors" gets.
  if (Save && !SaveSettingsTo(Save, AppSettings, std::nullopt)) {
    std::fprintf(stderr, "skerrin-dump: could not save the settings to %s\n", Save);
    return 1;
  }
  return 0;
}
