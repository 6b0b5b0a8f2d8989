#include "loader/uLogLoader.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "loader/uFormatDetect.h"
#include "loader/uLineParser.h"
#include "model/uStatusText.h"
#include "model/uTextScan.h"
#include "loader/uTimestamp.h"
#include "platform/uPlatformClock.h"
#include "platform/uPlatformFile.h"
#include "platform/uTextCodec.h"

TLoadReadHook LoadReadHook = nullptr;
int64_t LoadReadChunk = 131072;
bool LoadReservesAhead = true;

namespace {
constexpr int32_t SampleSize = 50;
constexpr int64_t Utf16ProbeWindow = 65536;
constexpr int64_t BytesPerEntryEstimate = 80;
// The list keeps one byte spare past the text.
constexpr int64_t MaxStoredText = MaxListText - 1;

// The file ended early or could not be read after it was opened.
struct TReadFailure {};

bool IsAsciiTextByte(unsigned char B) { return B == 9 || B == 10 || B == 13 || (B >= 32 && B <= 126); }

// The file of one load. Every read goes through here, so that tests can shorten or fail any of
// them; the test seams are taken when the load starts, as the worker must not read what a test
// may change meanwhile.
struct TLoadFile {
  TPlatformFile File;
  TLoadReadHook Hook = LoadReadHook;
  // UTF-16 units must not straddle two reads.
  int64_t Chunk = std::max<int64_t>(2, LoadReadChunk & ~int64_t{1});

  int64_t Read(int64_t Offset, char* Buffer, int64_t Count) {
    if (Hook) Hook(Offset, Count);
    return File.Read(Buffer, Count);
  }
};

// Writes the leading code units below 0x80 of the Units at Data as single bytes; returns how
// many there were.
size_t PutAsciiRun(const unsigned char* Data, size_t Units, bool BigEndian, char* Out) {
  size_t Done = 0;
#if defined(__SSE2__)
  const __m128i NotAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
  for (; Units - Done >= 8; Done += 8) {
    __m128i Block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Data + 2 * Done));
    if (BigEndian) Block = _mm_or_si128(_mm_srli_epi16(Block, 8), _mm_slli_epi16(Block, 8));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(Block, NotAscii), _mm_setzero_si128())) != 0xFFFF) break;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(Out + Done), _mm_packus_epi16(Block, Block));
  }
#endif
  for (; Done < Units; ++Done) {
    const unsigned Unit = BigEndian ? (unsigned{Data[2 * Done]} << 8) | Data[2 * Done + 1]
                                    : Data[2 * Done] | (unsigned{Data[2 * Done + 1]} << 8);
    if (Unit >= 0x80) break;
    Out[Done] = static_cast<char>(Unit);
  }
  return Done;
}

constexpr uint32_t ReplacementChar = 0xFFFD;
bool IsHighSurrogate(uint32_t U) { return U >= 0xD800 && U <= 0xDBFF; }
bool IsLowSurrogate(uint32_t U) { return U >= 0xDC00 && U <= 0xDFFF; }
}  // namespace

int32_t DetectUtf16(const unsigned char* Data, size_t Count) {
  if (Count < 8) return 0;
  const size_t Units = Count / 2;
  int64_t ZeroLow = 0, ZeroHigh = 0, AsciiLE = 0, AsciiBE = 0;
  for (size_t K = 0; K < Units; ++K) {
    const unsigned char B0 = Data[2 * K], B1 = Data[2 * K + 1];
    if (B0 == 0) {
      ++ZeroLow;
      if (IsAsciiTextByte(B1)) ++AsciiBE;
    }
    if (B1 == 0) {
      ++ZeroHigh;
      if (IsAsciiTextByte(B0)) ++AsciiLE;
    }
  }
  const int64_t Zeros = ZeroLow + ZeroHigh;
  const int64_t ZeroPermille = Zeros * 1000 / std::max<int64_t>(static_cast<int64_t>(Units) * 2, 1);
  if (ZeroPermille < 120) return 0;
  const int64_t Imbalance =
      (ZeroHigh > ZeroLow ? ZeroHigh - ZeroLow : ZeroLow - ZeroHigh) * 1000 / std::max<int64_t>(Zeros, 1);
  if (Imbalance < 300) return 0;
  const int64_t Threshold = std::max<int64_t>(static_cast<int64_t>(Units) / 8, 16);
  if (ZeroLow * 2 < ZeroHigh && (AsciiLE >= Threshold || ZeroPermille >= 300)) return 1;
  if (ZeroHigh * 2 < ZeroLow && (AsciiBE >= Threshold || ZeroPermille >= 300)) return 2;
  return 0;
}

size_t TUtf16Decoder::Decode(const unsigned char* Data, size_t Count, char* Out) {
  char* O = Out;
  size_t I = 0;
  const auto Put = [&](uint32_t Unit) {
    if (PendingHigh != 0) {
      if (IsLowSurrogate(Unit)) {
        O = PutUtf8(0x10000 + ((PendingHigh - 0xD800) << 10) + (Unit - 0xDC00), O);
        PendingHigh = 0;
        return;
      }
      O = PutUtf8(ReplacementChar, O);
      PendingHigh = 0;
    }
    if (Unit < 0x80) {
      *O++ = static_cast<char>(Unit);
    } else if (IsHighSurrogate(Unit)) {
      PendingHigh = Unit;
    } else {
      O = PutUtf8(IsLowSurrogate(Unit) ? ReplacementChar : Unit, O);
    }
  };
  const auto UnitAt = [&](unsigned First, unsigned Second) -> uint32_t {
    return BigEndian ? (First << 8) | Second : First | (Second << 8);
  };
  if (CarryByte >= 0 && Count > 0) {
    Put(UnitAt(static_cast<unsigned>(CarryByte), Data[0]));
    CarryByte = -1;
    I = 1;
  }
  while (I + 1 < Count) {
    // Runs of ASCII, most of a log, eight code units a step.
    if (PendingHigh == 0) {
      const size_t Ascii = PutAsciiRun(Data + I, (Count - I) / 2, BigEndian, O);
      O += Ascii;
      I += 2 * Ascii;
      if (I + 1 >= Count) break;
    }
    Put(UnitAt(Data[I], Data[I + 1]));
    I += 2;
  }
  if (I < Count) CarryByte = Data[I];
  return static_cast<size_t>(O - Out);
}

size_t TUtf16Decoder::Finish(char* Out) {
  CarryByte = -1;
  if (PendingHigh == 0) return 0;
  PendingHigh = 0;
  return static_cast<size_t>(PutUtf8(ReplacementChar, Out) - Out);
}

// The state a load's worker and its reader share; see TBackgroundLoad. What the worker writes
// before a release store is the reader's after the matching acquire load; the reader never
// waits for the worker.
struct TLoadChannel {
  int64_t FileSize = 0;  // set before the worker starts
  std::atomic<bool> Cancelled{false};

  // Rows whose entries and text are final, and what goes with them.
  std::atomic<int32_t> Published{0};
  std::atomic<int32_t> PublishedLongest{0};
  std::atomic<int64_t> BytesRead{0};
  // Publications so far, and the last one the reader's Take saw: memory that a move left behind
  // before publication N is not read any more once the reader has seen N.
  std::atomic<uint64_t> Publications{0};
  std::atomic<uint64_t> SeenByReader{0};
  // Written once, before Decided.
  TLogFormat Format = lfUnknown;
  TCustomFormatConfig CustomConfig;
  std::atomic<bool> Decided{false};
  // Written before End leaves lsLoading; the worker touches the log no more afterwards.
  TLoadError Error = leNone;
  int64_t LineEndOffset = 0;
  bool LastLineOpen = false;
  TPlatformFileInfo FileInfo;
  std::vector<TRetiredBlock> Retired;  // left by moves, for the reader to release
  std::atomic<int32_t> End{lsLoading};

  // A notification is due unless one is pending (the reader clears it as it takes). The worker
  // calls Notify holding NotifyLock, which Cancel takes too: none comes after Cancel returns.
  std::atomic<bool> NotifyPending{false};
  std::mutex NotifyLock;
  std::function<void()> Notify;

  ~TLoadChannel() {
    for (TRetiredBlock& Block : Retired) Block.Release();
  }
};

namespace {
// The load was cancelled: the worker stops where it is.
struct TLoadCancelled {};
// A failure with a reason of its own.
struct TLoadFailure {
  TLoadError Error;
};

TLoadError FailureOfCurrentException() {
  try {
    throw;
  } catch (const TLoadFailure& Failure) {
    return Failure.Error;
  } catch (const std::bad_alloc&) {
    return leOutOfMemory;
  } catch (const std::length_error&) {
    return leTooLarge;
  } catch (...) {
    // A read that failed or came up short: like every failure here, the viewer shows an empty
    // file with the reason rather than a part of it or a crash in its host.
    return leReadError;
  }
}

struct TEncodingFound {
  int32_t Encoding;
  int64_t Skip;
};

// What the worker finds out about the file besides its lines.
struct TLoadEnd {
  int64_t LineEndOffset = 0;
  bool LastLineOpen = false;
  TPlatformFileInfo FileInfo;
};

// The settings a load goes by, copied when it starts: the host's thread may change them while
// the worker runs.
struct TLoadSettings {
  bool AutoDetect;
  TLogFormat ForceFormat;
  TCustomFormatConfig CustomFormat;
};

// One run of a load: the sampling and decision state that lives from line to line, the count of
// entries filled (the list's Count is the reader's), and the publishing.
class TLoadRun {
 public:
  TLoadRun(TLogList& List, const TLoadSettings& Settings, TLoadChannel& Channel, bool Concurrent)
      : List(List), Settings(Settings), Channel(Channel) {
    if (!Settings.AutoDetect) {
      Format = Settings.ForceFormat;
      // The custom format still needs the first lines to choose its timestamp pattern.
      Decided = Settings.ForceFormat != lfCustom;
    }
    CustomConfig = Settings.CustomFormat;
    // A reader on another thread may hold pointers into the buffers while they grow.
    if (Concurrent) List.RetireMovesTo(&Moved);
  }

  // The line's bytes are already stored at Offset in the list's text buffer.
  void AddLine(int64_t Offset, int32_t Len) {
    if (LineCount == MaxListCount) throw TLoadFailure{leTooManyLines};
    ++LineCount;
    if (Len > Longest) Longest = Len;
    if (!Decided) {
      Samples[SampleCount++] = {Offset, Len};
      if (LineCount == SampleSize) DecideAndReparse();
    }
    const std::string_view Text(List.TextBuffer.Data() + Offset, static_cast<size_t>(Len));
    const int32_t Index = List.ReserveEntryAt(Filled);
    // ReserveEntryAt may move the entries but never the text.
    TLogEntry& Entry = List.Items[static_cast<size_t>(Index)];
    ParseLine(Text, LineCount, Format, Entry, CustomConfig);
    Entry.TextOffset = Offset;
    Entry.TextLength = Len;
    ++Filled;
  }

  // After each block of the file: the rows complete so far become the reader's to take, once
  // the format is decided. Throws TLoadCancelled when the load was cancelled.
  void Publish(int64_t BytesRead) {
    if (Channel.Cancelled.load(std::memory_order_relaxed)) throw TLoadCancelled{};
    // What moves left behind until now is not read any more once the reader has seen this
    // publication, which carries the new addresses.
    const uint64_t This = Publications + 1;
    for (const TRetiredBlock& Block : Moved) Waiting.emplace_back(Block, This);
    Moved.clear();
    PublishRows(BytesRead);
    if (!Waiting.empty()) ReleaseUnread();
    const uint32_t Now = MonotonicMilliseconds();
    if ((Filled > 0 && !RowsAnnounced) || Now - LastNotifyMs >= LoadNotifyIntervalMs) Announce(Now);
  }

  // The last publication: the worker lets go of the log.
  void PublishEnd(TLoadState End, TLoadError Error, const TLoadEnd& Found) {
    List.RetireMovesTo(nullptr);
    HandOver();
    if (Channel.Cancelled.load(std::memory_order_relaxed)) return;
    if (End == lsDone) PublishRows(Channel.FileSize);
    Channel.Error = Error;
    Channel.LineEndOffset = Found.LineEndOffset;
    Channel.LastLineOpen = Found.LastLineOpen;
    Channel.FileInfo = Found.FileInfo;
    // Sequentially consistent with the reader's clearing of NotifyPending before it looks at
    // the end: either its Take sees the end, or this announcement finds nothing pending.
    Channel.End.store(End);
    Announce(MonotonicMilliseconds());
  }

  // A file of fewer lines than the sample is decided once all of them are in.
  void Finish() {
    if (!Decided) DecideAndReparse();
  }

 private:
  void PublishRows(int64_t BytesRead) {
    Channel.BytesRead.store(BytesRead, std::memory_order_relaxed);
    if (Decided) {
      if (!Channel.Decided.load(std::memory_order_relaxed)) {
        Channel.Format = Format;
        Channel.CustomConfig = CustomConfig;
        Channel.Decided.store(true, std::memory_order_release);
      }
      Channel.PublishedLongest.store(Longest, std::memory_order_relaxed);
      Channel.Published.store(Filled, std::memory_order_release);
    }
    Channel.Publications.store(++Publications, std::memory_order_release);
  }

  void Announce(uint32_t Now) {
    LastNotifyMs = Now;
    if (!Channel.Notify) return;
    const std::lock_guard<std::mutex> Hold(Channel.NotifyLock);
    if (Channel.Cancelled.load(std::memory_order_relaxed) || Channel.NotifyPending.exchange(true)) return;
    RowsAnnounced = Filled > 0;
    Channel.Notify();
  }

  // Memory that moves left behind: what the reader cannot read any more is released; the rest
  // waits for the reader's next Take.
  void ReleaseUnread() {
    const uint64_t Seen = Channel.SeenByReader.load(std::memory_order_acquire);
    size_t Kept = 0;
    for (auto& [Block, Before] : Waiting) {
      if (Before <= Seen) Block.Release();
      else Waiting[Kept++] = {Block, Before};
    }
    Waiting.resize(Kept);
  }

  // At the end, what the reader may still read goes to the channel, released by the reader's
  // Take or with the channel. (Should memory run out for a few pointers, a block is left
  // unreleased rather than taken from a reader.)
  void HandOver() {
    Channel.Retired.swap(Moved);
    for (const auto& Pair : Waiting) {
      try {
        Channel.Retired.push_back(Pair.first);
      } catch (...) {
      }
    }
    Waiting.clear();
  }

  void DecideAndReparse() {
    // Views of the stored lines: nothing is appended to the text while they are in use.
    std::string_view Views[SampleSize];
    for (int32_t I = 0; I < SampleCount; ++I)
      Views[I] = std::string_view(List.TextBuffer.Data() + Samples[I].Offset, static_cast<size_t>(Samples[I].Length));
    const std::span<const std::string_view> Taken(Views, static_cast<size_t>(SampleCount));
    Format = Settings.AutoDetect ? DetectFormat(Taken) : Settings.ForceFormat;
    CustomConfig = Settings.CustomFormat;
    if (Format == lfCustom && SampleCount > 0) {
      std::string Pattern;
      if (ChooseTimestampPattern(Taken, SampleCount, CustomConfig, Pattern)) CustomConfig.TimestampFmt = Pattern;
    }
    Decided = true;
    for (int32_t I = 0; I < Filled; ++I) {
      TLogEntry& Entry = List.Items[static_cast<size_t>(I)];
      const int64_t Offset = Entry.TextOffset;
      const int32_t Len = Entry.TextLength;
      ParseLine(std::string_view(List.TextBuffer.Data() + Offset, static_cast<size_t>(Len)), Entry.LineNumber, Format,
                Entry, CustomConfig);
      Entry.TextOffset = Offset;
      Entry.TextLength = Len;
    }
  }

  TLogList& List;
  const TLoadSettings& Settings;
  TLoadChannel& Channel;
  TLogFormat Format = lfUnknown;
  TCustomFormatConfig CustomConfig;
  // The first lines, by where the list holds them: the text buffer may still move as it grows.
  struct TSample {
    int64_t Offset;
    int32_t Length;
  };
  TSample Samples[SampleSize];
  int32_t SampleCount = 0;
  int32_t LineCount = 0;
  int32_t Filled = 0;
  int32_t Longest = 0;
  bool Decided = false;
  uint64_t Publications = 0;
  uint32_t LastNotifyMs = 0;
  bool RowsAnnounced = false;
  // Memory left by moves since the last publication, and memory waiting for the reader to have
  // seen the publication given with it.
  std::vector<TRetiredBlock> Moved;
  std::vector<std::pair<TRetiredBlock, uint64_t>> Waiting;
};

// Cuts a byte stream at line feeds. The bytes go straight into the list's text buffer and a
// line that spans reads is completed in place there, so every byte is copied once.
class TLineSplitter {
 public:
  TLineSplitter(TLoadRun& Run, TLogList& List) : Run(Run), List(List), LineStart(List.TextUsed) {}

  // Returns the number of bytes up to and including the last line feed in Data (0 if none).
  size_t Feed(const char* Data, size_t Count) {
    const char* P = Data;
    const char* const End = Data + Count;
    size_t Consumed = 0;
    while (P < End) {
      const char* Lf = FindByte(P, End, '\n');
      Append(P, Lf);
      if (Lf == End) {
        Open = true;
        break;
      }
      EndLine();
      P = Lf + 1;
      Consumed = static_cast<size_t>(P - Data);
    }
    return Consumed;
  }

  // Bytes after the last line feed form the last line; returns whether there were any.
  bool Finish() {
    if (!Open) return false;
    EndLine();
    return true;
  }

 private:
  void Append(const char* From, const char* To) {
    if (!List.AppendLinePart(LineStart, From, To)) throw TLoadFailure{leLineTooLong};
  }

  void EndLine() {
    Run.AddLine(LineStart, List.EndLineText(LineStart));
    LineStart = List.TextUsed;
    Open = false;
  }

  TLoadRun& Run;
  TLogList& List;
  int64_t LineStart;
  bool Open = false;
};

// The size was measured when the file was opened; bytes the file grows by meanwhile are left to
// tail, or a log that a fast writer keeps appending to would be read without end. A file that
// comes up short (the writer truncated it) ends there; tail sees the truncation afterwards.
void ReadEightBit(TLoadFile& File, int64_t Skip, int64_t Size, TLineSplitter& Splitter, TLoadRun& Run, TLoadEnd& End) {
  if (!File.File.Seek(Skip)) throw TReadFailure();
  const int64_t Chunk = File.Chunk;
  const std::unique_ptr<char[]> Buffer(new char[Chunk]);
  for (int64_t Offset = Skip; Offset < Size;) {
    const int64_t Wanted = std::min(Chunk, Size - Offset);
    const int64_t Got = File.Read(Offset, Buffer.get(), Wanted);
    if (Got < 0) throw TReadFailure();
    const size_t Consumed = Splitter.Feed(Buffer.get(), static_cast<size_t>(Got));
    if (Consumed > 0) End.LineEndOffset = Offset + static_cast<int64_t>(Consumed);
    Offset += Got;
    Run.Publish(Offset);
    if (Got < Wanted) break;
  }
}

// The offset just past the last U+000A in Block (whose length is even), or -1.
int64_t PastLastLineFeedUnit(const unsigned char* Block, int64_t Count, bool BigEndian) {
  for (int64_t I = (Count & ~int64_t{1}) - 2; I >= 0; I -= 2) {
    const unsigned char Low = BigEndian ? Block[I + 1] : Block[I];
    const unsigned char High = BigEndian ? Block[I] : Block[I + 1];
    if (Low == 10 && High == 0) return I + 2;
  }
  return -1;
}

// The text is decoded to UTF-8 block by block and split like 8-bit text: UTF-8 never holds the
// bytes 10 or 13 other than for U+000A and U+000D, so the line breaks fall in the same places.
void ReadUtf16(TLoadFile& File, int64_t Skip, int64_t Size, bool BigEndian, TLineSplitter& Splitter, TLoadRun& Run,
               TLoadEnd& End) {
  if (!File.File.Seek(Skip)) throw TReadFailure();
  TUtf16Decoder Decoder;
  Decoder.BigEndian = BigEndian;
  const int64_t Chunk = File.Chunk;
  const std::unique_ptr<char[]> Buffer(new char[Chunk]);
  const std::unique_ptr<char[]> Utf8(new char[TUtf16Decoder::MaxOutput(Chunk)]);
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Buffer.get());
  // As in the 8-bit path, no further than the size measured at the start, and a file that comes
  // up short ends there.
  for (int64_t Offset = Skip; Offset < Size;) {
    const int64_t Wanted = std::min(Chunk, Size - Offset);
    const int64_t Got = File.Read(Offset, Buffer.get(), Wanted);
    if (Got < 0) throw TReadFailure();
    const size_t Written = Decoder.Decode(Bytes, static_cast<size_t>(Got), Utf8.get());
    if (Splitter.Feed(Utf8.get(), Written) > 0)
      End.LineEndOffset = Offset + PastLastLineFeedUnit(Bytes, Got, BigEndian);
    Offset += Got;
    Run.Publish(Offset);
    if (Got < Wanted) break;
  }
  Splitter.Feed(Utf8.get(), Decoder.Finish(Utf8.get()));
}

TEncodingFound DetectEncoding(TLoadFile& File, int64_t Size) {
  if (Size < 3) return {0, 0};
  const int64_t Probe = std::min(Size, Utf16ProbeWindow);
  std::unique_ptr<unsigned char[]> Head(new unsigned char[static_cast<size_t>(Probe)]);
  if (!File.File.Seek(0)) throw TReadFailure();
  const int64_t Got = File.Read(0, reinterpret_cast<char*>(Head.get()), Probe);
  if (Got < 0) throw TReadFailure();
  if (Got >= 3 && Head[0] == 0xEF && Head[1] == 0xBB && Head[2] == 0xBF) return {0, 3};
  if (Got >= 3 && Head[0] == 0xFF && Head[1] == 0xFE) return {1, 2};
  if (Got >= 3 && Head[0] == 0xFE && Head[1] == 0xFF) return {2, 2};
  // A file that shrank under the probe is taken as 8-bit text.
  const int64_t Even = Probe & ~int64_t{1};
  if (Got < Even) return {0, 0};
  return {DetectUtf16(Head.get(), static_cast<size_t>(Even)), 0};
}

// Every non-line-feed byte (8-bit) or code unit (UTF-16) stores at least one byte; a file
// whose payload alone passes the list's limit (in a 32-bit process) cannot be shown and is
// refused before reading.
bool FitsInList(int64_t Size, const TEncodingFound& Found) {
  const int64_t Payload = Size - Found.Skip;
  const int64_t Least = Found.Encoding == 0 ? Payload : Payload / 2;
  return Least <= MaxStoredText;
}

TLoadError LoadErrorOfOpen(TFileOpenError Error) {
  switch (Error) {
    case foeNotFound:
      return leNotFound;
    case foeAccessDenied:
      return leAccessDenied;
    case foeInUse:
      return leInUse;
    default:
      return leCannotOpen;
  }
}

void PresizeList(TLogList& List, int64_t Size, const TEncodingFound& Found) {
  const int64_t Estimate = Size / BytesPerEntryEstimate + 1024;
  const int64_t Entries = std::min<int64_t>(Estimate + Estimate / 10 + 256, MaxListCount);
  // The text first: it takes the place of the previous file's text before the entries are
  // placed, which keeps the largest free block whole for it in a 32-bit address space.
  List.ReserveText(std::min(Size, MaxStoredText));
  List.EnsureCapacity(static_cast<int32_t>(Entries));
  // The estimate is low for short lines; address space for the most lines the file can hold
  // (every byte or code unit a line feed) lets the entries grow without being copied, and
  // room for twice the text lets UTF-8 from UTF-16 and later tail lines in as well. Nothing
  // then moves under a reader of a load in progress in a 64-bit process.
  const int64_t Payload = Size - Found.Skip;
  if (LoadReservesAhead)
    List.ReserveGrowth((Found.Encoding == 0 ? Payload : Payload / 2) + 1, 2 * Payload + (int64_t{1} << 20));
  AdviseLargeBuffer(List.Items.Data(), List.Items.ReservedLength() * sizeof(TLogEntry));
  AdviseLargeBuffer(List.TextBuffer.Data(), List.TextBuffer.ReservedLength());
}

// What the log says about its file before a load and after a failed one.
void ForgetFile(TLoadedLog& Log, TLoadError Error, int64_t FailedSize) {
  Log.Format = lfUnknown;
  Log.Encoding = 0;
  Log.ByteOrderMark = false;
  Log.FileSize = 0;
  Log.MaxLineLength = 0;
  Log.LineEndOffset = 0;
  Log.LastLineOpen = false;
  Log.FileInfo = TPlatformFileInfo{};
  Log.LoadError = Error;
  Log.FailedFileSize = FailedSize;
}

// Empties the log after a failure and gives its memory back.
void FailLoad(TLoadedLog& Log, TLoadError Error, int64_t Size) {
  TLogList& List = Log.List;
  List.Count = 0;
  List.TextUsed = 0;
  try {
    List.Clear();
  } catch (...) {
  }
  List.TextBuffer.Resize(0);
  ForgetFile(Log, Error, Size);
}

// A load between opening the file and reading it: what the reader's thread prepared for the
// worker.
struct TPreparedLoad {
  std::unique_ptr<TLoadFile> File;
  int64_t Size = 0;
  TEncodingFound Found{0, 0};
  TLoadSettings Settings;
};

// The first part of every load, on the caller's thread: opens the file, decides the encoding and
// takes the list's memory, so that a failure here is reported at once and the list's buffers
// are in place before a reader may look at them. False when the load failed (Log says why).
bool PrepareLoad(TLoadedLog& Log, const std::string& FileName, const TAppSettings& Settings, TPreparedLoad& Load) {
  Log.List.Clear();
  ForgetFile(Log, leNone, 0);
  Log.CustomConfig = Settings.CustomFormat;
  Load.Settings = TLoadSettings{Settings.AutoDetect, Settings.ForceFormat, Settings.CustomFormat};
  int64_t Size = 0;
  try {
    Load.File = std::make_unique<TLoadFile>();
    if (!Load.File->File.OpenRead(FileName)) {
      FailLoad(Log, LoadErrorOfOpen(Load.File->File.OpenError()), 0);
      return false;
    }
    Size = Load.File->File.Size();
    if (Size < 0) throw TReadFailure();
    Load.Size = Size;
    Load.Found = DetectEncoding(*Load.File, Size);
    if (!FitsInList(Size, Load.Found)) throw TLoadFailure{leTooLarge};
    PresizeList(Log.List, Size, Load.Found);
  } catch (...) {
    FailLoad(Log, FailureOfCurrentException(), Size);
    return false;
  }
  Log.Encoding = Load.Found.Encoding;
  Log.ByteOrderMark = Load.Found.Skip > 0;
  Log.FileSize = Size;
  Log.LineEndOffset = Load.Found.Skip;
  return true;
}

// The second part, on the worker's thread (or the caller's, for Load): reads the lines into the
// list, publishing them as it goes, and ends with one last publication.
void RunLoad(TLogList& List, TPreparedLoad& Load, TLoadChannel& Channel, bool Concurrent) {
  TLoadRun Run(List, Load.Settings, Channel, Concurrent);
  TLoadEnd End;
  End.LineEndOffset = Load.Found.Skip;
  try {
    TLineSplitter Splitter(Run, List);
    if (Load.Found.Encoding == 0) ReadEightBit(*Load.File, Load.Found.Skip, Load.Size, Splitter, Run, End);
    else ReadUtf16(*Load.File, Load.Found.Skip, Load.Size, Load.Found.Encoding == 2, Splitter, Run, End);
    End.LastLineOpen = Splitter.Finish();
    Run.Finish();
    Load.File->File.QueryInfo(End.FileInfo);
    Load.File->File.Close();
    Run.PublishEnd(lsDone, leNone, End);
  } catch (const TLoadCancelled&) {
    Run.PublishEnd(lsCancelled, leNone, End);
  } catch (...) {
    Run.PublishEnd(lsFailed, FailureOfCurrentException(), End);
  }
}

// What a Take applies to the reader's log.
TLoadProgress TakeFromChannel(TLoadedLog& Log, TLoadChannel& Channel, int32_t MaxNewRows, bool& FormatTaken) {
  TLoadProgress Progress;
  Progress.OldCount = Progress.NewCount = Log.List.Count;
  Progress.FileSize = Channel.FileSize;
  if (Channel.Cancelled.load(std::memory_order_relaxed)) {
    Progress.State = lsCancelled;
    return Progress;
  }
  // Cleared before anything is looked at, so that whatever comes after is announced again.
  Channel.NotifyPending.store(false);
  const auto End = static_cast<TLoadState>(Channel.End.load());
  const uint64_t Seen = Channel.Publications.load(std::memory_order_acquire);
  const int32_t Published = Channel.Published.load(std::memory_order_acquire);
  Progress.BytesRead = Channel.BytesRead.load(std::memory_order_relaxed);
  if (!FormatTaken && Channel.Decided.load(std::memory_order_acquire)) {
    Log.Format = Channel.Format;
    Log.CustomConfig = Channel.CustomConfig;
    FormatTaken = true;
  }
  Log.MaxLineLength = Channel.PublishedLongest.load(std::memory_order_relaxed);
  Progress.NewCount = Progress.OldCount + std::min(Published - Progress.OldCount, std::max(MaxNewRows, 0));
  Progress.MoreRows = Progress.NewCount < Published;
  // From here the reader reads the list through the addresses of this publication only.
  Channel.SeenByReader.store(Seen, std::memory_order_release);
  if (End != lsLoading) {
    for (TRetiredBlock& Block : Channel.Retired) Block.Release();
    Channel.Retired.clear();
  }
  if (End == lsFailed) {
    FailLoad(Log, Channel.Error, Progress.FileSize);
    Progress.State = lsFailed;
    Progress.NewCount = 0;
    Progress.MoreRows = false;
    return Progress;
  }
  if (End == lsDone && !Progress.MoreRows) {
    Progress.State = lsDone;
    Log.LineEndOffset = Channel.LineEndOffset;
    Log.LastLineOpen = Channel.LastLineOpen;
    Log.FileInfo = Channel.FileInfo;
  }
  Log.List.Count = Progress.NewCount;
  return Progress;
}
}  // namespace

bool TLoadedLog::Load(const std::string& FileName, const TAppSettings& Settings) {
  TPreparedLoad Prepared;
  if (!PrepareLoad(*this, FileName, Settings, Prepared)) return false;
  TLoadChannel Channel;
  Channel.FileSize = Prepared.Size;
  RunLoad(List, Prepared, Channel, false);
  bool FormatTaken = false;
  return TakeFromChannel(*this, Channel, MaxListCount, FormatTaken).State == lsDone;
}

std::unique_ptr<TBackgroundLoad> TBackgroundLoad::Start(const std::shared_ptr<TLoadedLog>& Log,
                                                        const std::string& FileName, const TAppSettings& Settings,
                                                        std::function<void()> Notify) {
  auto Prepared = std::make_shared<TPreparedLoad>();
  if (!PrepareLoad(*Log, FileName, Settings, *Prepared)) return nullptr;
  std::unique_ptr<TBackgroundLoad> Load(new TBackgroundLoad);
  Load->Loaded = Log;
  Load->Channel = std::make_shared<TLoadChannel>();
  Load->Channel->FileSize = Prepared->Size;
  Load->Channel->Notify = std::move(Notify);
  const std::shared_ptr<TLoadChannel>& Channel = Load->Channel;
  const bool Started = Load->Worker.Start([Log, Channel, Prepared] { RunLoad(Log->List, *Prepared, *Channel, true); });
  // Without a thread the load is still made, only on this one.
  if (!Started) RunLoad(Log->List, *Prepared, *Channel, false);
  return Load;
}

TBackgroundLoad::~TBackgroundLoad() {
  Cancel();
  Worker.Detach();
}

TLoadProgress TBackgroundLoad::Take(int32_t MaxNewRows) {
  if (!Loaded) {
    TLoadProgress Cancelled;
    Cancelled.State = lsCancelled;
    return Cancelled;
  }
  return TakeFromChannel(*Loaded, *Channel, MaxNewRows, FormatTaken);
}

void TBackgroundLoad::Cancel() {
  {
    const std::lock_guard<std::mutex> Hold(Channel->NotifyLock);
    Channel->Cancelled.store(true, std::memory_order_relaxed);
  }
  Loaded.reset();
}

void TBackgroundLoad::Wait() { Worker.Join(); }

void ReleaseLogInBackground(std::shared_ptr<TLoadedLog> Log) {
  if (!Log || Log.use_count() > 1) return;
  // Without a thread the log is freed here, as the work given to Start is dropped.
  TPlatformThread Releaser;
  Releaser.Start([Last = std::move(Log)]() mutable { Last.reset(); });
}

std::string LoadErrorText(const TLoadedLog& Log) {
  if (Log.LoadError == leOutOfMemory && Log.FailedFileSize > 0)
    return std::string(LoadErrorText(leOutOfMemory)) + " to load " + ByteSizeText(Log.FailedFileSize);
  return LoadErrorText(Log.LoadError);
}

const char* LoadErrorText(TLoadError Error) {
  switch (Error) {
    case leNone:
      return "";
    case leNotFound:
      return "File not found";
    case leAccessDenied:
      return "Access denied";
    case leInUse:
      return "File in use by another program";
    case leCannotOpen:
      return "File cannot be opened";
    case leTooLarge:
      return "File too large (over 2 GB of text)";
    case leOutOfMemory:
      return "Not enough memory";
    case leReadError:
      return "Read error";
    case leTooManyLines:
      return "Too many lines (over 2,147,483,647)";
    case leLineTooLong:
      return "A line is too long (over 2 GB)";
  }
  return "File cannot be loaded";
}
