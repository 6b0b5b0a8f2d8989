#pragma once
// One log file loaded into a parsed entry list, with its encoding and format decided.

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/uLogModel.h"
#include "model/uLogTypes.h"
#include "settings/uSettings.h"

// Why the last load failed, so that the user is told more than that it did.
enum TLoadError : int32_t {
  leNone,
  leNotFound,
  leAccessDenied,
  leInUse,       // another program holds the file open without sharing it
  leCannotOpen,  // any other reason the file could not be opened
  leTooLarge,    // its text passes the 2 GiB the entry list can address
  leOutOfMemory,
  leReadError,  // reading failed, or the file shrank under the load
};

// A short text for the user, in English like the rest of the viewer; empty for leNone.
const char* LoadErrorText(TLoadError Error);

class TLoadedLog {
 public:
  TLogList List;
  TLogFormat Format = lfUnknown;
  TCustomFormatConfig CustomConfig;
  int32_t Encoding = 0;  // 0 8-bit, 1 UTF-16 LE, 2 UTF-16 BE
  int64_t FileSize = 0;  // size measured at the load; tail continues reading here
  int32_t MaxLineLength = 0;

  // Where a follower of the growing file should resume so that no byte is parsed twice and
  // none is lost. The load reads no further than FileSize, whatever the file grows by meanwhile.
  //
  // LineEndOffset: the file offset just past the last line feed the load consumed (the
  // byte-order mark's length when it consumed none). Every entry except an open last one
  // comes from the bytes before it.
  int64_t LineEndOffset = 0;
  // True when the last entry is a line that had no line feed yet: its bytes start at
  // LineEndOffset. A follower that later reads its line feed must replace that entry rather
  // than add the completed line as a new one.
  bool LastLineOpen = false;
  // leNone after a successful load; after a failed one, why it failed.
  TLoadError LoadError = leNone;

  TLoadedLog() = default;
  TLoadedLog(const TLoadedLog&) = delete;
  TLoadedLog& operator=(const TLoadedLog&) = delete;

  // False when the file cannot be opened or read whole, when its text is too large for the
  // list (2^31 bytes), or when memory runs out; the list is then empty, Format lfUnknown and
  // FileSize, MaxLineLength and LineEndOffset 0. Never throws. The format comes from the
  // settings' AutoDetect, ForceFormat and CustomFormat.
  bool Load(const std::string& FileName, const TAppSettings& Settings);
};

// 1 (UTF-16 LE) or 2 (UTF-16 BE) when the first bytes of a file without byte-order mark look
// like UTF-16 text, else 0. Data holds min(file size, 65536) bytes from offset 0.
int32_t DetectUtf16(const unsigned char* Data, size_t Count);

// Converts a UTF-16 byte stream to UTF-8 in pieces of any size. A code unit or surrogate pair
// split between pieces is carried to the next one; an unpaired surrogate becomes U+FFFD, so
// the output is always valid UTF-8.
struct TUtf16Decoder {
  bool BigEndian = false;

  // The most bytes Decode can write for Count input bytes.
  static constexpr size_t MaxOutput(size_t Count) { return (Count / 2 + 2) * 3; }
  // Writes the UTF-8 of Data to Out (room for MaxOutput(Count) bytes); returns the bytes written.
  size_t Decode(const unsigned char* Data, size_t Count, char* Out);
  // Ends the stream: a high surrogate still waiting becomes U+FFFD (at most 3 bytes); an odd
  // last byte is dropped.
  size_t Finish(char* Out);

 private:
  int32_t CarryByte = -1;    // first byte of a split code unit
  uint32_t PendingHigh = 0;  // a high surrogate waiting for its low half
};

// Test seam: when set, it is called before every read of the file with the file offset and
// the byte count about to be asked for. It may lower the count (the file then seems to end
// there) or throw, as a read or an allocation can. Null outside tests.
using TLoadReadHook = void (*)(int64_t Offset, int64_t& Count);
extern TLoadReadHook LoadReadHook;
// Test seam: the bytes each read of the load asks for (made even, at least 2). Tests make it
// small to put block boundaries everywhere: between CR and LF, inside a UTF-16 unit or a UTF-8
// sequence, just after a byte-order mark.
extern int64_t LoadReadChunk;
