#pragma once
// Following a log file that grows while it is shown: one poll reads only the bytes appended
// since the last one, adds their lines to the loaded log, and tells the viewer when the file
// was replaced, shrank or was rewritten so that it must be loaded again.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/uLogLoader.h"
#include "model/uLogTypes.h"
#include "platform/uPlatformFile.h"

// Size and identity of the followed file; compared field by field.
using TTailFileInfo = TPlatformFileInfo;

// Opens the file with read, write and delete sharing just to take its information; false and
// an all-zero record when it cannot be opened.
bool ReadFileInfo(std::string_view FileName, TTailFileInfo& Info);

// What one viewer remembers between polls. Set by ResetTail after every load.
struct TTailState {
  int64_t TailOffset = 0;      // file bytes consumed (lines stored, or held in TailPending)
  TTailFileInfo TailFileInfo;  // the file as seen at the load or at the last poll
  std::string TailPending;     // text after the last line feed read so far (UTF-8)
  int32_t LastLineNumber = 0;
  int32_t LongestLine = 0;  // bytes of the longest stored line
  // The entry the load made from a last line that had no line feed yet, or -1. Its bytes are
  // read again by the next poll, and the entry is replaced once its line feed arrives.
  int32_t OpenEntry = -1;
  // UTF-16 files are decoded as they grow; a code unit or surrogate pair split between two
  // polls waits here.
  bool Utf16 = false;
  TUtf16Decoder Decoder;
  // Set when the load could not read enough of the file to recognise its encoding and format
  // (it failed, or the file had fewer than 3 bytes): any change of the file then asks for a
  // new load instead of appending to a guess.
  bool ReloadOnChange = false;

  // Reused between polls so that a poll allocates nothing per line.
  std::vector<char> ReadBuffer;
  std::vector<char> DecodeBuffer;
};

// After every load (also a failed one): resume where the load stopped consuming whole lines.
// The file's identity is the one the load's own handle saw, so that a log the writer rotated
// while it was loading is found replaced at the first poll.
void ResetTail(TTailState& Tail, const TLoadedLog& Log);
// The same with the file's information read after the load.
void ResetTail(TTailState& Tail, const TLoadedLog& Log, const TTailFileInfo& Info);

enum TTailChange : int32_t {
  tcNothing,     // no new line; TailFileInfo and TailPending may have been brought up to date
  tcReload,      // the file must be loaded again (see Reason); TailPending was emptied
  tcAppended,    // entries OldCount..NewCount-1 were added, and/or ChangedEntry was completed
  tcReadFailed,  // reading failed or memory ran out: log and tail state are as they were
};

enum TTailReloadReason : int32_t { trNone, trReplaced, trTruncated, trRewritten, trUnrecognised };

struct TTailResult {
  TTailChange Change = tcNothing;
  TTailReloadReason Reason = trNone;
  int32_t OldCount = 0;
  int32_t NewCount = 0;
  // An entry that already existed and was parsed again because its line was completed (its
  // text, level and timestamp may differ; its line number does not), or -1. ChangedBefore is
  // the entry as it was, so that counters can take its old level back.
  int32_t ChangedEntry = -1;
  TLogEntry ChangedBefore = EmptyLogEntry();
  bool LongestLineChanged = false;
};

// One poll of the file. Never throws. Only tcAppended changes Log's list.
TTailResult PollTail(TTailState& Tail, TLoadedLog& Log, std::string_view FileName);

// Test seams, null outside tests. TailReadHook runs before every read of appended bytes with
// the offset and count about to be asked for; it may lower the count (the read then comes up
// short) or throw. TailStoreHook runs before each line is stored and may throw, as storing
// does when memory runs out.
using TTailReadHook = void (*)(int64_t Offset, int64_t& Count);
using TTailStoreHook = void (*)(int32_t LineNumber);
extern TTailReadHook TailReadHook;
extern TTailStoreHook TailStoreHook;
