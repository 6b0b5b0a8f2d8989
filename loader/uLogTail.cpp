#include "loader/uLogTail.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "loader/uLineParser.h"
#include "model/uTextScan.h"

TTailReadHook TailReadHook = nullptr;
TTailStoreHook TailStoreHook = nullptr;

namespace {
// Appended bytes are read in blocks of this size, so a burst of growth between two polls is
// never held in memory whole.
constexpr int64_t ReadChunk = 131072;

struct TTailReadFailure {};

bool SameIdentity(const TTailFileInfo& A, const TTailFileInfo& B) {
  return A.VolumeSerial == B.VolumeSerial && A.FileIndexHigh == B.FileIndexHigh && A.FileIndexLow == B.FileIndexLow &&
         A.CreationTime == B.CreationTime;
}

TTailResult Reload(TTailState& Tail, TTailReloadReason Reason) {
  Tail.TailPending.clear();
  TTailResult Result;
  Result.Change = tcReload;
  Result.Reason = Reason;
  return Result;
}

// One growth step in progress. Lines go straight into the log's list; the tail's own memory
// is changed on a working copy. Either Commit hands everything over, or Undo puts the list
// back exactly as it was, so that a poll that fails half-way can simply be repeated.
class TTailRun {
 public:
  TTailRun(TTailState& Tail, TLoadedLog& Log)
      : Tail(Tail),
        Log(Log),
        List(Log.List),
        OldCount(List.Count),
        OldTextUsed(List.TextUsed),
        LastLineNumber(Tail.LastLineNumber),
        LongestLine(Tail.LongestLine),
        OpenEntry(Tail.OpenEntry),
        Decoder(Tail.Decoder) {}

  // The partial line of the last poll is put back in front of the new bytes, in the text
  // buffer itself, so that a line is contiguous there without another copy.
  void Begin() {
    LineStart = List.TextUsed;
    List.AppendText(Tail.TailPending.data(), static_cast<int32_t>(Tail.TailPending.size()));
  }

  void FeedBytes(const char* Data, int64_t Count) {
    if (!Tail.Utf16) {
      Feed(Data, static_cast<size_t>(Count));
      return;
    }
    const size_t Written = Decoder.Decode(reinterpret_cast<const unsigned char*>(Data), static_cast<size_t>(Count),
                                          Tail.DecodeBuffer.data());
    Feed(Tail.DecodeBuffer.data(), Written);
  }

  // Takes the text after the last line feed out of the list again; it waits for its line feed.
  std::string TakePending() {
    std::string Pending(List.TextBuffer.Data() + LineStart, static_cast<size_t>(List.TextUsed - LineStart));
    List.TextUsed = LineStart;
    return Pending;
  }

  // Must not throw: it runs after every step that can fail.
  TTailResult Commit(std::string& Pending, int64_t NewOffset, const TTailFileInfo& Info) {
    TTailResult Result;
    Result.OldCount = OldCount;
    Result.NewCount = List.Count;
    Result.ChangedEntry = ChangedEntry;
    Result.ChangedBefore = ChangedBefore;
    Result.LongestLineChanged = LongestLine != Tail.LongestLine;
    Result.Change = (List.Count > OldCount || ChangedEntry >= 0) ? tcAppended : tcNothing;
    Tail.TailPending.swap(Pending);
    Tail.TailOffset = NewOffset;
    Tail.TailFileInfo = Info;
    Tail.LastLineNumber = LastLineNumber;
    Tail.LongestLine = LongestLine;
    Tail.OpenEntry = OpenEntry;
    Tail.Decoder = Decoder;
    return Result;
  }

  void Undo() {
    if (ChangedEntry >= 0) List.Items[static_cast<size_t>(ChangedEntry)] = ChangedBefore;
    List.Count = OldCount;
    List.TextUsed = OldTextUsed;
  }

 private:
  void Feed(const char* Data, size_t Count) {
    const char* P = Data;
    const char* const End = Data + Count;
    while (P < End) {
      const char* Lf = FindByte(P, End, '\n');
      Append(P, Lf);
      if (Lf == End) return;
      EndLine();
      P = Lf + 1;
    }
  }

  void Append(const char* From, const char* To) {
    if (!List.AppendLinePart(LineStart, From, To)) throw std::length_error("line too long");
  }

  void EndLine() {
    const int32_t Len = List.EndLineText(LineStart);
    if (OpenEntry >= 0) CompleteOpenEntry(LineStart, Len);
    else AppendTailLine(LineStart, Len);
    LongestLine = std::max(LongestLine, Len);
    LineStart = List.TextUsed;
  }

  std::string_view StoredText(int64_t Offset, int32_t Len) const {
    return std::string_view(List.TextBuffer.Data() + Offset, static_cast<size_t>(Len));
  }

  void AppendTailLine(int64_t Offset, int32_t Len) {
    if (LastLineNumber == std::numeric_limits<int32_t>::max()) throw std::length_error("too many lines");
    if (TailStoreHook) TailStoreHook(LastLineNumber + 1);
    const int32_t Index = List.ReserveEntry();
    ++LastLineNumber;
    TLogEntry& Entry = List.Items[static_cast<size_t>(Index)];
    ParseLine(StoredText(Offset, Len), LastLineNumber, Log.Format, Entry, Log.CustomConfig);
    Entry.TextOffset = Offset;
    Entry.TextLength = Len;
    ++List.Count;
  }

  // The load showed this line before its line feed was written; the whole line now replaces
  // it under the same line number, so the line is neither split in two nor counted twice.
  void CompleteOpenEntry(int64_t Offset, int32_t Len) {
    TLogEntry& Entry = List.Items[static_cast<size_t>(OpenEntry)];
    if (TailStoreHook) TailStoreHook(Entry.LineNumber);
    ChangedEntry = OpenEntry;
    ChangedBefore = Entry;
    ParseLine(StoredText(Offset, Len), ChangedBefore.LineNumber, Log.Format, Entry, Log.CustomConfig);
    Entry.TextOffset = Offset;
    Entry.TextLength = Len;
    OpenEntry = -1;
  }

  TTailState& Tail;
  TLoadedLog& Log;
  TLogList& List;
  const int32_t OldCount;
  const int64_t OldTextUsed;
  int64_t LineStart = 0;
  int32_t LastLineNumber;
  int32_t LongestLine;
  int32_t OpenEntry;
  TUtf16Decoder Decoder;
  int32_t ChangedEntry = -1;
  TLogEntry ChangedBefore = EmptyLogEntry();
};

int64_t ReadAppended(TPlatformFile& File, int64_t Offset, char* Buffer, int64_t Count) {
  int64_t Asked = Count;
  if (TailReadHook) TailReadHook(Offset, Asked);
  return File.Read(Buffer, Asked);
}

TTailResult Grow(TTailState& Tail, TLoadedLog& Log, std::string_view FileName, const TTailFileInfo& Info) {
  TTailRun Run(Tail, Log);
  try {
    if (Tail.ReadBuffer.size() < static_cast<size_t>(ReadChunk)) Tail.ReadBuffer.resize(ReadChunk);
    if (Tail.Utf16 && Tail.DecodeBuffer.size() < TUtf16Decoder::MaxOutput(ReadChunk))
      Tail.DecodeBuffer.resize(TUtf16Decoder::MaxOutput(ReadChunk));
    TPlatformFile File;
    if (!File.OpenRead(FileName) || !File.Seek(Tail.TailOffset)) throw TTailReadFailure();
    Run.Begin();
    // Exactly the bytes up to the size just measured: what arrives meanwhile is the next poll's.
    const int64_t End = Info.SizeOnDisk;
    for (int64_t Offset = Tail.TailOffset; Offset < End;) {
      const int64_t Wanted = std::min(ReadChunk, End - Offset);
      // A short read means the file shrank after it was measured; the next poll sees that.
      if (ReadAppended(File, Offset, Tail.ReadBuffer.data(), Wanted) != Wanted) throw TTailReadFailure();
      Run.FeedBytes(Tail.ReadBuffer.data(), Wanted);
      Offset += Wanted;
    }
    std::string Pending = Run.TakePending();
    return Run.Commit(Pending, End, Info);
  } catch (...) {
    // A read error, a file that vanished between measuring and reading, or memory exhausted.
    Run.Undo();
    TTailResult Result;
    Result.Change = tcReadFailed;
    return Result;
  }
}

TTailResult Poll(TTailState& Tail, TLoadedLog& Log, std::string_view FileName) {
  TTailFileInfo Info;
  // A file that has vanished or is locked is simply tried again at the next poll.
  if (FileName.empty() || !ReadFileInfo(FileName, Info)) return TTailResult{};
  if (Tail.ReloadOnChange) {
    if (Info != Tail.TailFileInfo) return Reload(Tail, trUnrecognised);
    return TTailResult{};
  }
  if (Tail.TailFileInfo.Valid && !SameIdentity(Info, Tail.TailFileInfo)) return Reload(Tail, trReplaced);
  const int64_t Size = Info.SizeOnDisk;
  // After a load that ended in an open line the offset lies before the end of the file, so a
  // shrink or a rewrite is judged against the size last seen, not only against the offset.
  const bool Seen = Tail.TailFileInfo.Valid;
  const int64_t SeenSize = Seen ? Tail.TailFileInfo.SizeOnDisk : Tail.TailOffset;
  if (Size < Tail.TailOffset || Size < SeenSize) return Reload(Tail, trTruncated);
  if (Seen && Size == SeenSize && Info.LastWriteTime != Tail.TailFileInfo.LastWriteTime)
    return Reload(Tail, trRewritten);
  if (Size == Tail.TailOffset) {
    Tail.TailFileInfo = Info;
    return TTailResult{};
  }
  return Grow(Tail, Log, FileName, Info);
}
}  // namespace

bool ReadFileInfo(std::string_view FileName, TTailFileInfo& Info) {
  try {
    return QueryFileInfo(FileName, Info);
  } catch (...) {
    Info = TTailFileInfo{};
    return false;
  }
}

void ResetTail(TTailState& Tail, const TLoadedLog& Log) { ResetTail(Tail, Log, Log.FileInfo); }

void ResetTail(TTailState& Tail, const TLoadedLog& Log, const TTailFileInfo& Info) {
  const TLogList& List = Log.List;
  // Not the size measured when the load began: lines written during the load were read by it.
  Tail.TailOffset = Log.LineEndOffset;
  Tail.TailFileInfo = Info;
  Tail.TailPending.clear();
  Tail.LastLineNumber = List.Count > 0 ? List.Items[static_cast<size_t>(List.Count) - 1].LineNumber : 0;
  Tail.LongestLine = Log.MaxLineLength;
  Tail.OpenEntry = Log.LastLineOpen && List.Count > 0 ? List.Count - 1 : -1;
  Tail.Utf16 = Log.Encoding == 1 || Log.Encoding == 2;
  Tail.Decoder = TUtf16Decoder{};
  Tail.Decoder.BigEndian = Log.Encoding == 2;
  // An empty file was given the plain format and 8-bit text without a single line to judge
  // by; a log created empty must not keep that guess once its writer starts.
  Tail.ReloadOnChange = Log.FileSize < 3;
}

TTailResult PollTail(TTailState& Tail, TLoadedLog& Log, std::string_view FileName) {
  try {
    return Poll(Tail, Log, FileName);
  } catch (...) {
    TTailResult Result;
    Result.Change = tcReadFailed;
    return Result;
  }
}
