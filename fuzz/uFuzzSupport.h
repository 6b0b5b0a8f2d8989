#pragma once
// What the fuzz targets share: reading structured choices from the fuzzer's bytes, a scratch
// file per process, the obvious reference splits of a byte stream, and the properties every
// loaded entry must have.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/uLogLoader.h"
#include "model/uLogModel.h"
#include "model/uLogTypes.h"

// Stops the run with the message: libFuzzer then keeps the input that broke the property.
[[noreturn]] void FuzzFail(const std::string& What);
#define FUZZ_CHECK(Condition, What)   \
  do {                                \
    if (!(Condition)) FuzzFail(What); \
  } while (0)

// The fuzzer's bytes as a sequence of choices; past the end every choice is 0 or empty.
class TFuzzInput {
 public:
  TFuzzInput(const uint8_t* Data, size_t Size) : Rest(reinterpret_cast<const char*>(Data), Size) {}
  uint8_t Byte();
  int32_t Int(int32_t Min, int32_t Max);  // Min..Max inclusive
  bool Flag() { return Byte() & 1; }
  // Up to MaxLen bytes, the length taken from the input first.
  std::string Bytes(size_t MaxLen);
  std::string_view Remaining() const { return Rest; }
  bool Empty() const { return Rest.empty(); }

 private:
  std::string_view Rest;
};

// A file of this process that the targets rewrite on every run (in /dev/shm when there is one).
std::string ScratchPath(const char* Name);
void WriteWholeFile(const std::string& Path, std::string_view Bytes);
void AppendToFile(const std::string& Path, std::string_view Bytes);

// Lines as the loader must store them: cut at every line feed, one carriage return before it
// dropped; the text after the last line feed is a line of its own when KeepOpenRest is set.
std::vector<std::string> NaiveLines(std::string_view Text, bool KeepOpenRest);
// UTF-16 bytes to UTF-8, one unit at a time: pairs combine, any unpaired surrogate is U+FFFD,
// an odd last byte is dropped.
std::string NaiveUtf16ToUtf8(std::string_view Bytes, bool BigEndian);
// The text the loader should see in a file: after the byte-order mark, UTF-16 decoded.
std::string NaiveFileText(std::string_view Bytes, int32_t Encoding);

std::string EntryText(const TLogList& List, int32_t Index);
// Every entry numbered 1..Count, fields inside the text, level and format valid, and a parse
// that a fresh ParseLine repeats exactly. After one load (OneLoad) the text is also stored
// back to back and MaxLineLength is the longest line.
void CheckEntries(const TLoadedLog& Log, bool OneLoad = true);

// A user-defined format as the options dialog could never make it: any mode, delimiter,
// roles, negative or huge columns, and a timestamp pattern from the input.
TCustomFormatConfig FuzzedCustomConfig(TFuzzInput& In);

// Loads with the given format choice, as the viewer does with the settings in force.
bool LoadWithFormat(TLoadedLog& Log, const std::string& Path, bool AutoDetect, TLogFormat Forced,
                    const TCustomFormatConfig& Custom);
