#include "uFuzzSupport.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "loader/uLineParser.h"
#include "settings/uSettings.h"

void FuzzFail(const std::string& What) {
  std::fprintf(stderr, "property broken: %s\n", What.c_str());
  std::abort();
}

uint8_t TFuzzInput::Byte() {
  if (Rest.empty()) return 0;
  const auto B = static_cast<uint8_t>(Rest.front());
  Rest.remove_prefix(1);
  return B;
}

int32_t TFuzzInput::Int(int32_t Min, int32_t Max) {
  const uint64_t Span = static_cast<uint64_t>(static_cast<int64_t>(Max) - Min) + 1;
  uint64_t Value = 0;
  for (int i = 0; i < 4 && (Span >> (8 * i)) > 1; ++i) Value = (Value << 8) | Byte();
  return static_cast<int32_t>(Min + static_cast<int64_t>(Value % Span));
}

std::string TFuzzInput::Bytes(size_t MaxLen) {
  const size_t Len = std::min<size_t>({Byte() % (MaxLen + 1), Rest.size()});
  std::string Out(Rest.substr(0, Len));
  Rest.remove_prefix(Len);
  return Out;
}

std::string ScratchPath(const char* Name) {
  const char* Dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(Dir) + "/skerrin-fuzz-" + std::to_string(getpid()) + "-" + Name;
}

namespace {
void WriteAll(int Fd, std::string_view Bytes) {
  while (!Bytes.empty()) {
    const ssize_t Done = ::write(Fd, Bytes.data(), Bytes.size());
    if (Done <= 0) FuzzFail("cannot write the scratch file");
    Bytes.remove_prefix(static_cast<size_t>(Done));
  }
}
}  // namespace

void WriteWholeFile(const std::string& Path, std::string_view Bytes) {
  const int Fd = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (Fd < 0) FuzzFail("cannot create " + Path);
  WriteAll(Fd, Bytes);
  ::close(Fd);
}

void AppendToFile(const std::string& Path, std::string_view Bytes) {
  const int Fd = ::open(Path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (Fd < 0) FuzzFail("cannot open " + Path);
  WriteAll(Fd, Bytes);
  ::close(Fd);
}

std::vector<std::string> NaiveLines(std::string_view Text, bool KeepOpenRest) {
  std::vector<std::string> Lines;
  std::string Current;
  for (char C : Text) {
    if (C != '\n') {
      Current += C;
      continue;
    }
    if (!Current.empty() && Current.back() == '\r') Current.pop_back();
    Lines.push_back(Current);
    Current.clear();
  }
  if (!Current.empty() && KeepOpenRest) {
    if (Current.back() == '\r') Current.pop_back();
    Lines.push_back(Current);
  }
  return Lines;
}

namespace {
void PutUtf8(uint32_t Cp, std::string& Out) {
  if (Cp < 0x80) {
    Out += static_cast<char>(Cp);
  } else if (Cp < 0x800) {
    Out += static_cast<char>(0xC0 | (Cp >> 6));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  } else if (Cp < 0x10000) {
    Out += static_cast<char>(0xE0 | (Cp >> 12));
    Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Cp >> 18));
    Out += static_cast<char>(0x80 | ((Cp >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Cp >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Cp & 0x3F));
  }
}
}  // namespace

std::string NaiveUtf16ToUtf8(std::string_view Bytes, bool BigEndian) {
  std::vector<uint32_t> Units;
  for (size_t i = 0; i + 1 < Bytes.size(); i += 2) {
    const auto A = static_cast<uint8_t>(Bytes[i]), B = static_cast<uint8_t>(Bytes[i + 1]);
    Units.push_back(BigEndian ? (A << 8 | B) : (B << 8 | A));
  }
  std::string Out;
  for (size_t i = 0; i < Units.size(); ++i) {
    const uint32_t U = Units[i];
    const bool High = U >= 0xD800 && U <= 0xDBFF, Low = U >= 0xDC00 && U <= 0xDFFF;
    if (High && i + 1 < Units.size() && Units[i + 1] >= 0xDC00 && Units[i + 1] <= 0xDFFF) {
      PutUtf8(0x10000 + ((U - 0xD800) << 10) + (Units[i + 1] - 0xDC00), Out);
      ++i;
    } else {
      PutUtf8(High || Low ? 0xFFFD : U, Out);
    }
  }
  return Out;
}

std::string NaiveFileText(std::string_view Bytes, int32_t Encoding) {
  const bool Utf8Bom = Bytes.size() >= 3 && Bytes.substr(0, 3) == "\xEF\xBB\xBF";
  const bool Utf16Bom = Bytes.size() >= 3 && (Bytes.substr(0, 2) == "\xFF\xFE" || Bytes.substr(0, 2) == "\xFE\xFF");
  if (Encoding == 0) return std::string(Bytes.substr(Utf8Bom ? 3 : 0));
  return NaiveUtf16ToUtf8(Bytes.substr(Utf16Bom ? 2 : 0), Encoding == 2);
}

std::string EntryText(const TLogList& List, int32_t Index) {
  return std::string(List.EntryText(Index), static_cast<size_t>(List.Items[static_cast<size_t>(Index)].TextLength));
}

namespace {
void CheckSpan(int32_t Start, int32_t Length, int32_t TextLength, const char* What) {
  if (Start == 0) {
    FUZZ_CHECK(Length == 0, std::string(What) + ": a length without a start");
    return;
  }
  FUZZ_CHECK(Start >= 1 && Length >= 0 && static_cast<int64_t>(Start) + Length - 1 <= TextLength,
             std::string(What) + " span outside the line");
}
}  // namespace

void CheckEntries(const TLoadedLog& Log, bool OneLoad) {
  const TLogList& List = Log.List;
  int64_t Next = 0;
  int32_t Longest = 0;
  for (int32_t I = 0; I < List.Count; ++I) {
    const TLogEntry& E = List.Items[static_cast<size_t>(I)];
    FUZZ_CHECK(E.LineNumber == I + 1, "entries are not numbered 1..Count");
    FUZZ_CHECK(E.TextLength >= 0 && E.TextOffset >= 0 && E.TextOffset + E.TextLength <= List.TextUsed,
               "text outside the buffer");
    if (OneLoad) FUZZ_CHECK(E.TextOffset == Next, "text not stored back to back");
    Next += E.TextLength;
    Longest = std::max(Longest, E.TextLength);
    CheckSpan(E.SourceStart, E.SourceLength, E.TextLength, "source");
    CheckSpan(E.ThreadStart, E.ThreadLength, E.TextLength, "thread");
    FUZZ_CHECK(E.Level >= lError && E.Level <= lCustom, "level out of range");
    FUZZ_CHECK(E.Format >= lfUnknown && E.Format <= lfRapidScada, "format out of range");
    FUZZ_CHECK(std::isfinite(E.Timestamp) && E.Timestamp >= -700000 && E.Timestamp < 3000000,
               "timestamp outside the years 1..9999");
    TLogEntry Again = EmptyLogEntry();
    ParseLine(std::string_view(List.EntryText(I), static_cast<size_t>(E.TextLength)), E.LineNumber, Log.Format, Again,
              Log.CustomConfig);
    FUZZ_CHECK(Again.Level == E.Level && Again.Timestamp == E.Timestamp && Again.SourceStart == E.SourceStart &&
                   Again.SourceLength == E.SourceLength && Again.ThreadStart == E.ThreadStart &&
                   Again.ThreadLength == E.ThreadLength && Again.Format == E.Format,
               "a stored entry differs from a fresh parse of its line");
  }
  if (!OneLoad) return;
  FUZZ_CHECK(List.TextUsed == Next, "text buffer holds more than the lines");
  FUZZ_CHECK(Log.MaxLineLength == Longest, "longest line wrong");
}

TCustomFormatConfig FuzzedCustomConfig(TFuzzInput& In) {
  TCustomFormatConfig C;
  const auto Column = [&In]() -> int32_t {
    switch (In.Byte() % 8) {
      case 0:
        return 0;
      case 1:
        return -In.Int(0, 3);
      case 2:
        return In.Int(INT32_MIN, INT32_MAX);
      case 3:
        return INT32_MAX - In.Int(0, 3);
      default:
        return In.Int(0, 40);
    }
  };
  C.Mode = In.Int(-1, 2);
  C.Delimiter = static_cast<char>(In.Byte());
  C.FieldCount = In.Int(-2, 12);
  for (TCustomFieldRole& Role : C.Fields) Role = static_cast<TCustomFieldRole>(In.Int(0, 5));
  for (int32_t* Field : {&C.TSStart, &C.TSLen, &C.LvlStart, &C.LvlLen, &C.SrcStart, &C.SrcLen, &C.ThrStart, &C.ThrLen})
    *Field = Column();
  C.TimestampFmt = In.Bytes(24);
  return C;
}

bool LoadWithFormat(TLoadedLog& Log, const std::string& Path, bool AutoDetect, TLogFormat Forced,
                    const TCustomFormatConfig& Custom) {
  static TAppSettings Settings;
  Settings.AutoDetect = AutoDetect;
  Settings.ForceFormat = Forced;
  Settings.CustomFormat = Custom;
  return Log.Load(Path, Settings);
}
