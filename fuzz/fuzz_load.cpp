// Whole-file loads: any bytes, with format detection or any forced format, in reads of any
// size. Every line of the file must come back exactly once, as the obvious split of the
// decoded text gives it, with fields that lie inside their line.

#include "uFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Path = ScratchPath("load.log");
  TFuzzInput In(Data, Size);
  const int32_t Choice = In.Byte() % (LogFormatCount + 1);
  const bool AutoDetect = Choice == LogFormatCount;
  const TLogFormat Forced = AutoDetect ? lfPlain : static_cast<TLogFormat>(Choice);
  const TCustomFormatConfig Custom = Forced == lfCustom ? FuzzedCustomConfig(In) : TCustomFormatConfig{};
  // Now and then reads of a few bytes, so that block boundaries fall everywhere.
  const uint8_t Reads = In.Byte();
  const std::string_view Bytes = In.Remaining();
  WriteWholeFile(Path, Bytes);

  TLoadedLog Log;
  LoadReadChunk = Reads < 64 ? 2 + Reads % 16 : 131072;
  const bool Loaded = LoadWithFormat(Log, Path, AutoDetect, Forced, Custom);
  LoadReadChunk = 131072;
  FUZZ_CHECK(Loaded, "a readable file failed to load");
  FUZZ_CHECK(Log.LoadError == leNone, "a successful load reports an error");
  FUZZ_CHECK(Log.FileSize == static_cast<int64_t>(Bytes.size()), "size at load");
  if (AutoDetect) FUZZ_CHECK(Log.Format != lfUnknown && Log.Format != lfCustom, "detection chose no built-in format");
  else FUZZ_CHECK(Log.Format == Forced, "the forced format was not used");
  FUZZ_CHECK(Log.Encoding >= 0 && Log.Encoding <= 2, "encoding out of range");

  const std::string Text = NaiveFileText(Bytes, Log.Encoding);
  const std::vector<std::string> Want = NaiveLines(Text, true);
  FUZZ_CHECK(Log.List.Count == static_cast<int32_t>(Want.size()), "line count differs from the plain split");
  for (int32_t I = 0; I < Log.List.Count; ++I)
    FUZZ_CHECK(EntryText(Log.List, I) == Want[static_cast<size_t>(I)], "line text differs from the plain split");
  FUZZ_CHECK(Log.LastLineOpen == (!Text.empty() && Text.back() != '\n'), "open last line not reported");
  CheckEntries(Log);
  return 0;
}
