// Any settings file: reading it, saving and reading again must give the same settings, and a
// second save must not change the file. A fresh file written from the settings must read back
// as the same settings too.

#include <cstdio>
#include <fstream>
#include <iterator>

#include "settings/uSettings.h"
#include "uFuzzSupport.h"

namespace {
std::string FileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

std::string LoadedDump(const std::string& Path) {
  FUZZ_CHECK(LoadSettingsFrom(Path), "a written settings file cannot be read");
  return SettingsDumpText(AppSettings);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Edited = ScratchPath("edited.ini");
  static const std::string Fresh = ScratchPath("fresh.ini");
  WriteWholeFile(Edited, std::string_view(reinterpret_cast<const char*>(Data), Size));
  FUZZ_CHECK(LoadSettingsFrom(Edited), "a readable file was refused");
  const std::string Read = SettingsDumpText(AppSettings);

  FUZZ_CHECK(SaveSettingsTo(Edited, AppSettings, std::nullopt), "saving over the file failed");
  const std::string Saved = FileBytes(Edited);
  FUZZ_CHECK(LoadedDump(Edited) == Read, "settings changed by a save and reload");
  FUZZ_CHECK(SaveSettingsTo(Edited, AppSettings, std::nullopt), "saving again failed");
  FUZZ_CHECK(FileBytes(Edited) == Saved, "a second save changed the file");

  std::remove(Fresh.c_str());
  FUZZ_CHECK(SaveSettingsTo(Fresh, AppSettings, std::nullopt), "writing a new file failed");
  FUZZ_CHECK(LoadedDump(Fresh) == Read, "a new file does not read back as the settings it holds");
  return 0;
}
