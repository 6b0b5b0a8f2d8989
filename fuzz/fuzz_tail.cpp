// A file followed while it is appended to (also by halves of UTF-16 code units), truncated,
// rewritten in place and replaced. After every poll the viewer's entries must be the file's
// completed lines, each exactly once and in order, plus at most the open last line the load
// showed; and they must agree with a one-shot load of the file as it is now.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "loader/uLogTail.h"
#include "settings/uSettings.h"
#include "uFuzzSupport.h"

namespace {

enum TFileKind { fkEightBit, fkUtf16LE, fkUtf16BE, fkUtf16NoMark, fkKindCount };

// One input byte per UTF-16 code unit, with a few bytes standing for surrogates so that pairs
// and unpaired halves occur.
std::string Encode(std::string_view Text, TFileKind Kind) {
  if (Kind == fkEightBit) return std::string(Text);
  std::string Out;
  for (char C : Text) {
    const auto B = static_cast<uint8_t>(C);
    const uint16_t Unit = B == 'S' ? 0xD83D : B == 's' ? 0xDE00 : B >= 0x80 ? 0x0300 + B : B;
    const char Low = static_cast<char>(Unit & 0xFF), High = static_cast<char>(Unit >> 8);
    Out += Kind == fkUtf16BE ? High : Low;
    Out += Kind == fkUtf16BE ? Low : High;
  }
  return Out;
}

std::string FileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// Rewrites that keep the size are only visible through the write time, which the kernel
// updates at a coarse tick: give each one a time of its own, as a real writer's would be.
void SetWriteTime(const std::string& Path, int64_t Seconds) {
  const timespec Times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(Seconds), 0}};
  utimensat(AT_FDCWD, Path.c_str(), Times, 0);
}

struct TFollowed {
  std::string Path;
  bool AutoDetect;
  TLogFormat Forced;
  TCustomFormatConfig Custom;
  TLoadedLog Log;
  TTailState Tail;

  void Load() {
    LoadWithFormat(Log, Path, AutoDetect, Forced, Custom);
    TTailFileInfo Info;
    ReadFileInfo(Path, Info);
    ResetTail(Tail, Log, Info);
  }
};

void CheckAgainstFile(TFollowed& F) {
  const TLogList& List = F.Log.List;
  const std::string Bytes = FileBytes(F.Path);
  const std::string Text = NaiveFileText(Bytes, F.Log.Encoding);
  const std::vector<std::string> Complete = NaiveLines(Text, false);
  const bool Open = F.Tail.OpenEntry >= 0;
  FUZZ_CHECK(!Open || F.Tail.OpenEntry == List.Count - 1, "the open entry is not the last one");
  FUZZ_CHECK(List.Count == static_cast<int32_t>(Complete.size()) + (Open ? 1 : 0),
             "entries are not the completed lines of the file");
  int32_t Longest = 0;
  for (int32_t I = 0; I < List.Count; ++I) {
    const std::string Got = EntryText(List, I);
    Longest = std::max(Longest, static_cast<int32_t>(Got.size()));
    if (I < static_cast<int32_t>(Complete.size()))
      FUZZ_CHECK(Got == Complete[static_cast<size_t>(I)], "a completed line is not stored as written");
  }
  if (Open && F.Log.Encoding == 0) {
    const std::string_view Rest = std::string_view(Text).substr(Text.rfind('\n') + 1);
    FUZZ_CHECK(
        Rest.substr(0, List.Items[static_cast<size_t>(List.Count) - 1].TextLength) == EntryText(List, List.Count - 1),
        "the open line is not the start of the file's last line");
  }
  FUZZ_CHECK(F.Tail.LongestLine >= Longest, "the longest line was not noticed");
  FUZZ_CHECK(F.Tail.LastLineNumber == List.Count, "line numbers do not continue");
  CheckEntries(F.Log, false);

  // A one-shot load of the file as it is now stores the same completed lines and, with the same
  // decision of encoding and format, parses them the same.
  TLoadedLog Fresh;
  FUZZ_CHECK(LoadWithFormat(Fresh, F.Path, F.AutoDetect, F.Forced, F.Custom), "the followed file failed to load");
  if (Fresh.Encoding != F.Log.Encoding) return;
  FUZZ_CHECK(Fresh.List.Count >= static_cast<int32_t>(Complete.size()), "a one-shot load lost lines");
  const bool SameParse =
      Fresh.Format == F.Log.Format && Fresh.CustomConfig.TimestampFmt == F.Log.CustomConfig.TimestampFmt;
  for (int32_t I = 0; I < static_cast<int32_t>(Complete.size()); ++I) {
    FUZZ_CHECK(EntryText(Fresh.List, I) == EntryText(List, I), "tail and a one-shot load store different lines");
    const TLogEntry& A = Fresh.List.Items[static_cast<size_t>(I)];
    const TLogEntry& B = List.Items[static_cast<size_t>(I)];
    if (SameParse)
      FUZZ_CHECK(A.Level == B.Level && A.Timestamp == B.Timestamp && A.SourceStart == B.SourceStart &&
                     A.ThreadStart == B.ThreadStart && A.LineNumber == B.LineNumber,
                 "tail and a one-shot load parse a line differently");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Path = ScratchPath("tail.log");
  static int64_t WriteClock = 1000000000;
  // Set SKERRIN_FUZZ_VERBOSE to see the steps of an input that breaks a property.
  static const bool Verbose = std::getenv("SKERRIN_FUZZ_VERBOSE") != nullptr;
  TFuzzInput In(Data, Size);
  const auto Kind = static_cast<TFileKind>(In.Byte() % fkKindCount);
  const int32_t Choice = In.Byte() % (LogFormatCount + 1);
  TFollowed F{
      Path, Choice == LogFormatCount, Choice == LogFormatCount ? lfPlain : static_cast<TLogFormat>(Choice), {}, {}, {}};
  if (F.Forced == lfCustom) F.Custom = FuzzedCustomConfig(In);

  const std::string Mark = Kind == fkUtf16LE ? "\xFF\xFE" : Kind == fkUtf16BE ? "\xFE\xFF" : "";
  std::string Carry;  // the second half of a code unit not yet written
  WriteWholeFile(Path, Mark + Encode(In.Bytes(120), Kind));
  F.Load();
  CheckAgainstFile(F);

  for (int Step = 0; Step < 24 && !In.Empty(); ++Step) {
    const std::string Current = FileBytes(Path);
    switch (In.Byte() % 8) {
      default: {  // append, possibly ending inside a code unit
        std::string Bytes = Carry + Encode(In.Bytes(80), Kind);
        Carry.clear();
        if (Kind != fkEightBit && !Bytes.empty() && In.Flag()) {
          Carry = Bytes.substr(Bytes.size() - 1);
          Bytes.pop_back();
        }
        AppendToFile(Path, Bytes);
        break;
      }
      case 4:  // truncate
        if (truncate(Path.c_str(), In.Int(0, static_cast<int32_t>(Current.size()))) != 0) FuzzFail("truncate");
        Carry.clear();
        break;
      case 5: {  // rewrite in place, same size
        std::string Bytes = Encode(In.Bytes(120), Kind);
        Bytes.resize(Current.size(), 'x');
        WriteWholeFile(Path, Bytes);
        SetWriteTime(Path, ++WriteClock);
        Carry.clear();
        break;
      }
      case 6: {  // replaced by a new file, as a logger's rotation does
        const std::string New = Path + ".new";
        WriteWholeFile(New, Mark + Encode(In.Bytes(120), Kind));
        if (rename(New.c_str(), Path.c_str()) != 0) FuzzFail("rename");
        Carry.clear();
        break;
      }
    }
    const TTailResult Result = PollTail(F.Tail, F.Log, Path);
    if (Verbose)
      std::fprintf(stderr, "step %d: %zu -> %zu bytes, change %d reason %d, %d entries, offset %lld\n", Step,
                   Current.size(), FileBytes(Path).size(), Result.Change, Result.Reason, F.Log.List.Count,
                   static_cast<long long>(F.Tail.TailOffset));
    FUZZ_CHECK(Result.Change != tcReadFailed, "a poll of a readable file failed");
    if (Result.Change == tcReload) F.Load();
    CheckAgainstFile(F);
  }
  return 0;
}
