#pragma once
// One log file loaded into a parsed entry list, with its encoding and format decided.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "model/uLogModel.h"
#include "model/uLogTypes.h"
#include "platform/uPlatformFile.h"
#include "platform/uPlatformThread.h"
#include "settings/uSettings.h"

// Why the last load failed, so that the user is told more than that it did.
enum TLoadError : int32_t {
  leNone,
  leNotFound,
  leAccessDenied,
  leInUse,       // another program holds the file open without sharing it
  leCannotOpen,  // any other reason the file could not be opened
  leTooLarge,    // its text passes what the list can address in this process (2 GiB in 32 bits)
  leOutOfMemory,
  leReadError,     // reading failed after the file was opened
  leTooManyLines,  // more lines than a 32-bit line number counts
  leLineTooLong,   // one line of 2 GiB or more
};

// A short text for the user, in English like the rest of the viewer; empty for leNone.
const char* LoadErrorText(TLoadError Error);

class TLoadedLog {
 public:
  TLogList List;
  TLogFormat Format = lfUnknown;
  TCustomFormatConfig CustomConfig;
  int32_t Encoding = 0;  // 0 8-bit, 1 UTF-16 LE, 2 UTF-16 BE
  // The file starts with a byte-order mark (UTF-8 or UTF-16): it says itself how it is encoded.
  bool ByteOrderMark = false;
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
  // The file the load read, as its own handle saw it when the load ended: the identity is that
  // of the file read even when the writer renamed it meanwhile and a new one took its name.
  TPlatformFileInfo FileInfo;
  // leNone after a successful load; after a failed one, why it failed, and the size of the file
  // it had opened (0 when it could not open it).
  TLoadError LoadError = leNone;
  int64_t FailedFileSize = 0;

  TLoadedLog() = default;
  TLoadedLog(const TLoadedLog&) = delete;
  TLoadedLog& operator=(const TLoadedLog&) = delete;

  // Loads the file on the caller's thread, the same way as a TBackgroundLoad run to its end.
  // False when the file cannot be opened or read, when its text or lines are too many for the
  // list, or when memory runs out; the list is then empty, Format lfUnknown and FileSize,
  // MaxLineLength and LineEndOffset 0. Never throws. The format comes from the settings'
  // AutoDetect, ForceFormat and CustomFormat.
  bool Load(const std::string& FileName, const TAppSettings& Settings);
};

// Lets go of Log; when that was its last owner, it is freed on a thread of its own: a log of
// gigabytes takes a while to give back (half a second for 3 GB under Wine), which the host's
// thread must not wait for.
void ReleaseLogInBackground(std::shared_ptr<TLoadedLog> Log);

// The reason of a failed load for the user, with the size where memory ran out ("Not enough
// memory to load 9.8 GB"); empty after a successful one.
std::string LoadErrorText(const TLoadedLog& Log);

// How far a load on a worker thread has come, as its reader took it.
enum TLoadState : int32_t {
  lsLoading,    // more rows may come
  lsDone,       // every row is taken: the log is complete, as after a successful Load
  lsFailed,     // the log is empty and LoadError says why, as after a failed Load
  lsCancelled,  // nothing more comes; the rows taken so far stay readable
};

struct TLoadProgress {
  TLoadState State = lsLoading;
  // List.Count before and after the Take: the new rows are OldCount .. NewCount - 1.
  int32_t OldCount = 0;
  int32_t NewCount = 0;
  // More rows are published than this Take was allowed to take: take again soon, even without
  // a notification.
  bool MoreRows = false;
  int64_t BytesRead = 0;  // file bytes consumed so far, of FileSize
  int64_t FileSize = 0;
};

// The notification interval of a load: new rows and progress are announced at most this often
// (the first rows and the end at once).
constexpr uint32_t LoadNotifyIntervalMs = 50;

struct TLoadChannel;

// A load on a worker thread, and its one reader: the thread that started it (the viewer's).
//
// What the two share, and how:
// - The entries and text of Log's list. The worker appends behind what it has published and
//   never changes a published entry or byte. The reader reads entries below List.Count and their
//   text without a lock. They do not move: the load reserves address space for all the file can
//   hold before it starts; where a buffer must still move (a 32-bit process cannot reserve that
//   much), the old copy stays readable until the reader's next Take, so a pointer into the list
//   is good until then (or until the load is destroyed).
// - List.Count belongs to the reader: only Take changes it, and only upwards.
// - The rest of Log (the list's TextUsed and bookkeeping, its other fields) is the worker's until
//   Take reports the end. Take copies into Log what the reader may see as it comes: Format and
//   CustomConfig once the format is decided (before the first row is published: the first lines
//   are parsed again with it before anyone sees them), and MaxLineLength. FileSize and Encoding
//   are set by Start.
// - Progress (rows published, bytes read, the end and its reason) lives in the channel in atomic
//   values: the worker stores the count of rows with release after the rows are complete, and
//   Take loads it with acquire, so Take never waits for the worker. What comes once (the format,
//   the end's findings) is written before the flag or state that announces it.
// - Cancel sets one flag, which the worker reads between blocks of the file (a block of 128 KiB
//   takes well under a millisecond), and the worker then publishes nothing more. The worker calls
//   Notify under a mutex that Cancel takes too, so that none comes after Cancel returns.
//
// The worker and the reader share Log: whoever lets go of it last frees it. A reader that cancels
// and lets go of its log leaves the freeing to the worker, on the worker's thread.
class TBackgroundLoad {
 public:
  // Opens FileName for Log (which no other load may be filling) on the caller's thread, decides
  // its encoding and takes memory for it, then reads it on a worker thread. Null when that fails at once (missing,
  // locked, too large for this process, not enough memory): Log then says why, as after a failed Load. Notify, when
  // given, is called on the worker's thread when there is something new to take; it must return
  // quickly, without calling into the load (a viewer posts itself a message). It is not called
  // again until the reader has taken. When no thread can be started the file is read on the
  // caller's thread before Start returns.
  static std::unique_ptr<TBackgroundLoad> Start(const std::shared_ptr<TLoadedLog>& Log, const std::string& FileName,
                                                const TAppSettings& Settings, std::function<void()> Notify = {});
  // Cancels, and does not wait for the worker.
  ~TBackgroundLoad();
  TBackgroundLoad(const TBackgroundLoad&) = delete;
  TBackgroundLoad& operator=(const TBackgroundLoad&) = delete;

  // Takes what was published: at most MaxNewRows more rows, progress, and the end. On the
  // reader's thread only.
  TLoadProgress Take(int32_t MaxNewRows = MaxListCount);
  // Stops the load and lets go of its log; returns at once. No row is published and Notify is
  // not called afterwards; a later Take only reports lsCancelled.
  void Cancel();
  // Waits until the worker has ended (tools and tests).
  void Wait();

 private:
  TBackgroundLoad() = default;
  std::shared_ptr<TLoadedLog> Loaded;
  std::shared_ptr<TLoadChannel> Channel;
  TPlatformThread Worker;
  bool FormatTaken = false;
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
// Test seam: when false, a load takes memory for its estimates only and no address space ahead,
// so that its buffers move as they grow (as they may in a 32-bit process), also under a reader.
extern bool LoadReservesAhead;
