#include "uDumpLog.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "loader/uLogLoader.h"
#include "model/uDateTime.h"
#include "settings/uSettings.h"

namespace {

int UsageError(const std::string& Problem) {
  std::fprintf(stderr, "skerrin-dump: %s; usage: skerrin-dump [--format auto|N] [--ini PATH] [--summary] FILE\n",
               Problem.c_str());
  return 2;
}

// 0..10 in plain decimal digits; anything else names no format.
bool ParseFormatOrdinal(std::string_view Text, TLogFormat& Format) {
  if (Text.empty() || Text.size() > 2) return false;
  int Value = 0;
  for (char C : Text) {
    if (C < '0' || C > '9') return false;
    Value = Value * 10 + (C - '0');
  }
  if (Value >= LogFormatCount) return false;
  Format = static_cast<TLogFormat>(Value);
  return true;
}

void AppendTimestamp(std::string& Out, double Value) {
  if (Value == 0) {
    Out += '-';
    return;
  }
  const TDateTimeParts P = DecodeDateTime(Value);
  char Buffer[48];
  const int Len = std::snprintf(Buffer, sizeof(Buffer), "%04d-%02d-%02d %02d:%02d:%02d.%03d", P.Year, P.Month, P.Day,
                                P.Hour, P.Minute, P.Second, P.Ms);
  Out.append(Buffer, static_cast<size_t>(Len));
}

void AppendEntry(std::string& Out, const TLogEntry& E) {
  char Buffer[96];
  int Len = std::snprintf(Buffer, sizeof(Buffer), "%d\t%d\t", E.LineNumber, static_cast<int>(E.Level));
  Out.append(Buffer, static_cast<size_t>(Len));
  AppendTimestamp(Out, E.Timestamp);
  Len = std::snprintf(Buffer, sizeof(Buffer), "\t%d\t%d\t%d\t%d\t%d\n", static_cast<int>(E.Format), E.SourceStart,
                      E.SourceLength, E.ThreadStart, E.ThreadLength);
  Out.append(Buffer, static_cast<size_t>(Len));
}

}  // namespace

std::string LogDumpHeader(const TLoadedLog& Log) {
  std::string Out;
  Out += "format\t" + std::to_string(static_cast<int>(Log.Format)) + "\t" + FormatDisplayName(Log.Format) + "\n";
  Out += "encoding\t" + std::to_string(Log.Encoding) + "\n";
  Out += "lines\t" + std::to_string(Log.List.Count) + "\n";
  Out += "size\t" + std::to_string(Log.FileSize) + "\n";
  Out += "maxline\t" + std::to_string(Log.MaxLineLength) + "\n";
  Out += "tsfmt\t" + Log.CustomConfig.TimestampFmt + "\n";
  return Out;
}

bool WriteLogDump(const TLoadedLog& Log, bool Summary, std::FILE* Out) {
  // Printed in pieces: the text of a log of millions of lines, held whole, would need about as
  // much memory again as the loaded log itself.
  constexpr size_t Piece = 1 << 16;
  std::string Block = LogDumpHeader(Log);
  Block.reserve(Piece + 256);
  const auto Flush = [&] {
    const bool Written = std::fwrite(Block.data(), 1, Block.size(), Out) == Block.size();
    Block.clear();
    return Written;
  };
  for (int32_t I = 0; !Summary && I < Log.List.Count; ++I) {
    AppendEntry(Block, Log.List.Items[static_cast<size_t>(I)]);
    if (Block.size() >= Piece && !Flush()) return false;
  }
  return Flush() && std::fflush(Out) == 0;
}

int DumpLog(int argc, char** argv) {
  const char* Ini = nullptr;
  const char* File = nullptr;
  const char* FormatArg = nullptr;
  bool Summary = false;
  for (int I = 1; I < argc; ++I) {
    const std::string_view Arg = argv[I];
    if (Arg == "--summary") {
      Summary = true;
    } else if (Arg == "--ini" || Arg == "--format") {
      if (I + 1 >= argc) return UsageError(std::string(Arg) + " needs a value");
      (Arg == "--ini" ? Ini : FormatArg) = argv[++I];
    } else if (Arg.size() > 1 && Arg[0] == '-') {
      return UsageError("unknown argument " + std::string(Arg));
    } else if (File) {
      return UsageError("more than one file");
    } else {
      File = argv[I];
    }
  }
  if (!File) return UsageError("no file");
  bool AutoDetect = true;
  TLogFormat Forced = lfPlain;
  if (FormatArg && std::strcmp(FormatArg, "auto") != 0) {
    if (!ParseFormatOrdinal(FormatArg, Forced)) return UsageError("bad format " + std::string(FormatArg));
    AutoDetect = false;
  }

  // Like the plug-in, an INI file that cannot be read leaves the defaults.
  if (Ini) LoadSettingsFrom(Ini);
  else SetDefaultSettings();
  if (FormatArg) {
    AppSettings.AutoDetect = AutoDetect;
    if (!AutoDetect) AppSettings.ForceFormat = Forced;
  }

  TLoadedLog Log;
  if (!Log.Load(File, AppSettings)) {
    std::fprintf(stderr, "skerrin-dump: cannot load %s: %s\n", File, LoadErrorText(Log).c_str());
    return 1;
  }
  if (!WriteLogDump(Log, Summary, stdout)) {
    std::fprintf(stderr, "skerrin-dump: cannot write the output\n");
    return 1;
  }
  return 0;
}
