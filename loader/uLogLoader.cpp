#include "loader/uLogLoader.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "loader/uFormatDetect.h"
#include "loader/uLineParser.h"
#include "model/uTextScan.h"
#include "loader/uTimestamp.h"
#include "platform/uPlatformFile.h"
#include "platform/uTextCodec.h"

TLoadReadHook LoadReadHook = nullptr;
int64_t LoadReadChunk = 131072;

namespace {
constexpr int32_t SampleSize = 50;
constexpr int64_t Utf16ProbeWindow = 65536;
constexpr int64_t BytesPerEntryEstimate = 80;
// Offsets in the list are 32-bit and the list keeps one byte spare past the text.
constexpr int64_t MaxStoredText = std::numeric_limits<int32_t>::max() - 1;

// The file ended early or could not be read after it was opened.
struct TReadFailure {};

bool IsAsciiTextByte(unsigned char B) { return B == 9 || B == 10 || B == 13 || (B >= 32 && B <= 126); }

// UTF-16 units must not straddle two reads.
int64_t ReadChunk() { return std::max<int64_t>(2, LoadReadChunk & ~int64_t{1}); }

// Every read of the load goes through here, so that tests can shorten or fail any of them.
int64_t ReadBlock(TPlatformFile& File, int64_t Offset, char* Buffer, int64_t Count) {
  if (LoadReadHook) LoadReadHook(Offset, Count);
  return File.Read(Buffer, Count);
}

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

namespace {
// One run of Load: the sampling and decision state that lives from line to line.
class TLoadRun {
 public:
  TLoadRun(TLoadedLog& Log, const TAppSettings& Settings)
      : Log(Log),
        List(Log.List),
        AutoDetect(Settings.AutoDetect),
        ForceFormat(Settings.ForceFormat),
        CustomFormat(Settings.CustomFormat) {
    if (!AutoDetect) {
      Log.Format = ForceFormat;
      // The custom format still needs the first lines to choose its timestamp pattern.
      Decided = ForceFormat != lfCustom;
    }
  }

  // The line's bytes are already stored at Offset in the list's text buffer.
  void AddLine(int32_t Offset, int32_t Len) {
    if (LineCount == std::numeric_limits<int32_t>::max()) throw std::length_error("too many lines");
    ++LineCount;
    if (Len > Log.MaxLineLength) Log.MaxLineLength = Len;
    if (!Decided) {
      Samples[SampleCount++] = {Offset, Len};
      if (LineCount == SampleSize) DecideAndReparse();
    }
    const std::string_view Text(List.TextBuffer.Data() + Offset, static_cast<size_t>(Len));
    const int32_t Index = List.ReserveEntry();
    // ReserveEntry may move the entries but never the text.
    TLogEntry& Entry = List.Items[static_cast<size_t>(Index)];
    ParseLine(Text, LineCount, Log.Format, Entry, Log.CustomConfig);
    Entry.TextOffset = Offset;
    Entry.TextLength = Len;
    ++List.Count;
  }

  // A file of fewer lines than the sample is decided once all of them are in.
  void Finish() {
    if (!Decided) DecideAndReparse();
  }

 private:
  void DecideAndReparse() {
    // Views of the stored lines: nothing is appended to the text while they are in use.
    std::string_view Views[SampleSize];
    for (int32_t I = 0; I < SampleCount; ++I)
      Views[I] = std::string_view(List.TextBuffer.Data() + Samples[I].Offset, static_cast<size_t>(Samples[I].Length));
    const std::span<const std::string_view> Taken(Views, static_cast<size_t>(SampleCount));
    Log.Format = AutoDetect ? DetectFormat(Taken) : ForceFormat;
    Log.CustomConfig = CustomFormat;
    if (Log.Format == lfCustom && SampleCount > 0) {
      std::string Pattern;
      if (ChooseTimestampPattern(Taken, SampleCount, Log.CustomConfig, Pattern))
        Log.CustomConfig.TimestampFmt = Pattern;
    }
    Decided = true;
    for (int32_t I = 0; I < List.Count; ++I) {
      TLogEntry& Entry = List.Items[static_cast<size_t>(I)];
      const int32_t Offset = Entry.TextOffset, Len = Entry.TextLength;
      ParseLine(std::string_view(List.TextBuffer.Data() + Offset, static_cast<size_t>(Len)), Entry.LineNumber,
                Log.Format, Entry, Log.CustomConfig);
      Entry.TextOffset = Offset;
      Entry.TextLength = Len;
    }
  }

  TLoadedLog& Log;
  TLogList& List;
  const bool AutoDetect;
  const TLogFormat ForceFormat;
  const TCustomFormatConfig& CustomFormat;
  // The first lines, by where the list holds them: the text buffer may still move as it grows.
  struct TSample {
    int32_t Offset, Length;
  };
  TSample Samples[SampleSize];
  int32_t SampleCount = 0;
  int32_t LineCount = 0;
  bool Decided = false;
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
      if (Lf == End) {
        List.AppendText(P, static_cast<int32_t>(End - P));
        Open = true;
        break;
      }
      List.AppendText(P, static_cast<int32_t>(Lf - P));
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
  void EndLine() {
    int32_t Len = List.TextUsed - LineStart;
    // The CR of a CR LF pair split between two reads is already stored, so it is taken back
    // from the buffer rather than left out of the block.
    if (Len > 0 && List.TextBuffer[static_cast<size_t>(List.TextUsed) - 1] == '\r') {
      --Len;
      --List.TextUsed;
    }
    Run.AddLine(LineStart, Len);
    LineStart = List.TextUsed;
    Open = false;
  }

  TLoadRun& Run;
  TLogList& List;
  int32_t LineStart;
  bool Open = false;
};

// The size was measured when the file was opened; bytes the file grows by meanwhile are left to
// tail, or a log that a fast writer keeps appending to would be read without end.
void ReadEightBit(TPlatformFile& File, int64_t Skip, int64_t Size, TLineSplitter& Splitter, TLoadedLog& Log) {
  if (!File.Seek(Skip)) throw TReadFailure();
  const int64_t Chunk = ReadChunk();
  const std::unique_ptr<char[]> Buffer(new char[Chunk]);
  for (int64_t Offset = Skip; Offset < Size;) {
    const int64_t Wanted = std::min(Chunk, Size - Offset);
    const int64_t Got = ReadBlock(File, Offset, Buffer.get(), Wanted);
    if (Got < 0) throw TReadFailure();
    const size_t Consumed = Splitter.Feed(Buffer.get(), static_cast<size_t>(Got));
    if (Consumed > 0) Log.LineEndOffset = Offset + static_cast<int64_t>(Consumed);
    Offset += Got;
    // A short block is the end of the file: it shrank during the load.
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
void ReadUtf16(TPlatformFile& File, int64_t Skip, int64_t Size, TLineSplitter& Splitter, TLoadedLog& Log) {
  if (!File.Seek(Skip)) throw TReadFailure();
  const bool BigEndian = Log.Encoding == 2;
  TUtf16Decoder Decoder;
  Decoder.BigEndian = BigEndian;
  const int64_t Chunk = ReadChunk();
  const std::unique_ptr<char[]> Buffer(new char[Chunk]);
  const std::unique_ptr<char[]> Utf8(new char[TUtf16Decoder::MaxOutput(Chunk)]);
  const auto* Bytes = reinterpret_cast<const unsigned char*>(Buffer.get());
  int64_t Offset = Skip;
  // As in the 8-bit path, no further than the size measured at the start.
  while (Offset < Size) {
    const int64_t Wanted = std::min(Chunk, Size - Offset);
    if (ReadBlock(File, Offset, Buffer.get(), Wanted) != Wanted) throw TReadFailure();
    const size_t Written = Decoder.Decode(Bytes, static_cast<size_t>(Wanted), Utf8.get());
    if (Splitter.Feed(Utf8.get(), Written) > 0)
      Log.LineEndOffset = Offset + PastLastLineFeedUnit(Bytes, Wanted, BigEndian);
    Offset += Wanted;
  }
  Splitter.Feed(Utf8.get(), Decoder.Finish(Utf8.get()));
}

struct TEncodingFound {
  int32_t Encoding;
  int64_t Skip;
};

TEncodingFound DetectEncoding(TPlatformFile& File, int64_t Size) {
  if (Size < 3) return {0, 0};
  const int64_t Probe = std::min(Size, Utf16ProbeWindow);
  std::unique_ptr<unsigned char[]> Head(new unsigned char[static_cast<size_t>(Probe)]);
  if (!File.Seek(0)) throw TReadFailure();
  const int64_t Got = ReadBlock(File, 0, reinterpret_cast<char*>(Head.get()), Probe);
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
// whose payload alone passes the list's limit cannot be shown and is refused before reading.
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
  const int64_t Entries = std::min<int64_t>(Estimate + Estimate / 10 + 256, std::numeric_limits<int32_t>::max());
  // The text first: it takes the place of the previous file's text before the entries are
  // placed, which keeps the largest free block whole for it in a 32-bit address space.
  List.ReserveText(std::min(Size, MaxStoredText));
  List.EnsureCapacity(static_cast<int32_t>(Entries));
  // The estimate is low for short lines; address space for the most lines the file can hold
  // (every byte or code unit a line feed) lets the entries grow without being copied, and
  // room for twice the text lets UTF-8 from UTF-16 and later tail lines in as well.
  const int64_t Payload = Size - Found.Skip;
  List.ReserveGrowth((Found.Encoding == 0 ? Payload : Payload / 2) + 1, 2 * Payload + (int64_t{1} << 20));
  AdviseLargeBuffer(List.Items.Data(), List.Items.ReservedLength() * sizeof(TLogEntry));
  AdviseLargeBuffer(List.TextBuffer.Data(), List.TextBuffer.ReservedLength());
}
}  // namespace

bool TLoadedLog::Load(const std::string& FileName, const TAppSettings& Settings) {
  TLoadError Failure = leReadError;
  try {
    List.Clear();
    FileSize = 0;
    Format = lfUnknown;
    CustomConfig = Settings.CustomFormat;
    Encoding = 0;
    MaxLineLength = 0;
    LineEndOffset = 0;
    LastLineOpen = false;
    LoadError = leNone;

    TPlatformFile File;
    if (File.OpenRead(FileName)) {
      const int64_t Size = File.Size();
      if (Size >= 0) {
        const TEncodingFound Found = DetectEncoding(File, Size);
        if (FitsInList(Size, Found)) {
          PresizeList(List, Size, Found);
          Encoding = Found.Encoding;
          LineEndOffset = Found.Skip;
          TLoadRun Run(*this, Settings);
          TLineSplitter Splitter(Run, List);
          if (Encoding == 0) ReadEightBit(File, Found.Skip, Size, Splitter, *this);
          else ReadUtf16(File, Found.Skip, Size, Splitter, *this);
          LastLineOpen = Splitter.Finish();
          Run.Finish();
          FileSize = Size;
          return true;
        }
        Failure = leTooLarge;
      }
    } else {
      Failure = LoadErrorOfOpen(File.OpenError());
    }
  } catch (const std::bad_alloc&) {
    Failure = leOutOfMemory;
  } catch (const std::length_error&) {
    Failure = leTooLarge;
  } catch (...) {
    // A read that failed or came up short: like every failure here, the viewer shows an empty
    // file with the reason rather than a part of it or a crash in its host.
  }
  List.Count = 0;
  List.TextUsed = 0;
  try {
    List.Clear();
  } catch (...) {
  }
  List.TextBuffer.Resize(0);
  Format = lfUnknown;
  Encoding = 0;
  FileSize = 0;
  MaxLineLength = 0;
  LineEndOffset = 0;
  LastLineOpen = false;
  LoadError = Failure;
  return false;
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
  }
  return "File cannot be loaded";
}
