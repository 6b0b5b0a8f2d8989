// The user-defined format with any configuration: the parse must agree with a plain reading of
// the field rules (fields cut at the delimiter, columns cut at the end of the line, blanks
// trimmed, later fields overwriting earlier ones), and the automatic pattern choice must
// neither fail nor pick a pattern that reads none of the lines.

#include <algorithm>
#include <cmath>

#include "loader/uCustomParser.h"
#include "loader/uLevelDetect.h"
#include "loader/uLineParser.h"
#include "loader/uTimestamp.h"
#include "uFuzzSupport.h"

namespace {

struct TSpan {
  int64_t First = 0;  // 1-based, 0 for nothing
  int64_t Length = 0;
};

// The part of Line from Start for Len bytes, cut at its end and trimmed.
TSpan NaiveSpan(std::string_view Line, int64_t Start, int64_t Len) {
  if (Len <= 0) return {};
  std::vector<int64_t> Kept;
  for (int64_t P = std::max<int64_t>(Start, 1); P <= Start + Len - 1 && P <= static_cast<int64_t>(Line.size()); ++P)
    Kept.push_back(P);
  while (!Kept.empty() && static_cast<unsigned char>(Line[Kept.front() - 1]) <= 32) Kept.erase(Kept.begin());
  while (!Kept.empty() && static_cast<unsigned char>(Line[Kept.back() - 1]) <= 32) Kept.pop_back();
  if (Kept.empty()) return {};
  return {Kept.front(), static_cast<int64_t>(Kept.size())};
}

void NaiveAssign(std::string_view Line, const TCustomFormatConfig& C, int32_t Role, int64_t Start, int64_t Len,
                 bool AllowIso, TLogEntry& E) {
  // Columns beyond the line are never looked at; cap them so the walk stays short.
  Len = std::min<int64_t>(Len, static_cast<int64_t>(Line.size()) + 2);
  const TSpan S = NaiveSpan(Line, Start, Len);
  if (S.First == 0) return;
  const std::string_view Text = Line.substr(static_cast<size_t>(S.First - 1), static_cast<size_t>(S.Length));
  double Value = 0;
  if (Role == cfrTimestamp) {
    if (!C.TimestampFmt.empty() ? ParseWithPattern(Text, C.TimestampFmt, Value)
                                : AllowIso && ParseIsoTimestamp(Text, Value))
      E.Timestamp = Value;
  } else if (Role == cfrLevel) {
    E.Level = LevelFromWord(Text);
  } else if (Role == cfrSource) {
    E.SourceStart = static_cast<int32_t>(S.First);
    E.SourceLength = static_cast<int32_t>(S.Length);
  } else if (Role == cfrThread) {
    E.ThreadStart = static_cast<int32_t>(S.First);
    E.ThreadLength = static_cast<int32_t>(S.Length);
  }
}

TLogEntry NaiveCustomParse(std::string_view Line, const TCustomFormatConfig& C) {
  TLogEntry E = EmptyLogEntry();
  E.Format = lfCustom;
  if (C.Mode != 0) {
    const int32_t Columns[4][3] = {{cfrTimestamp, C.TSStart, C.TSLen},
                                   {cfrLevel, C.LvlStart, C.LvlLen},
                                   {cfrSource, C.SrcStart, C.SrcLen},
                                   {cfrThread, C.ThrStart, C.ThrLen}};
    for (const auto& Col : Columns)
      if (Col[1] > 0 && Col[2] > 0) NaiveAssign(Line, C, Col[0], Col[1], Col[2], Col[0] == cfrTimestamp, E);
    return E;
  }
  std::vector<std::string_view> Fields;
  size_t From = 0;
  for (;;) {
    const size_t At = Line.find(C.Delimiter, From);
    Fields.push_back(Line.substr(From, At == std::string_view::npos ? std::string_view::npos : At - From));
    if (At == std::string_view::npos) break;
    From = At + 1;
  }
  const size_t Count = static_cast<size_t>(std::clamp(C.FieldCount, 0, CustomFieldSlots));
  for (size_t i = 0; i < Count && i < Fields.size(); ++i) {
    const int64_t Start = Fields[i].data() - Line.data() + 1;
    NaiveAssign(Line, C, C.Fields[i], Start, static_cast<int64_t>(Fields[i].size()), false, E);
  }
  return E;
}

bool SameFields(const TLogEntry& A, const TLogEntry& B) {
  return A.Level == B.Level && A.Timestamp == B.Timestamp && A.SourceStart == B.SourceStart &&
         A.SourceLength == B.SourceLength && A.ThreadStart == B.ThreadStart && A.ThreadLength == B.ThreadLength &&
         A.Format == B.Format;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TFuzzInput In(Data, Size);
  const TCustomFormatConfig Config = FuzzedCustomConfig(In);
  const std::vector<std::string> Lines = NaiveLines(In.Remaining(), true);
  for (const std::string& Line : Lines) {
    TLogEntry Got = EmptyLogEntry();
    ParseCustomLine(Line, Got, Config);
    FUZZ_CHECK(SameFields(Got, NaiveCustomParse(Line, Config)), "custom parse differs from the field rules");
    TLogEntry ViaParseLine = EmptyLogEntry();
    ParseLine(Line, 1, lfCustom, ViaParseLine, Config);
    FUZZ_CHECK(SameFields(Got, ViaParseLine), "ParseLine adds to the custom parse");
    FUZZ_CHECK(std::isfinite(Got.Timestamp) && Got.Timestamp >= -700000 && Got.Timestamp < 3000000,
               "timestamp outside the years 1..9999");
  }
  if (!Lines.empty()) {
    TCustomFormatConfig Chosen = Config;
    std::string Pattern;
    const int Count = static_cast<int>(std::min<size_t>(Lines.size(), 50));
    const std::vector<std::string> Samples(Lines.begin(), Lines.begin() + Count);
    if (ChooseTimestampPattern(Samples, Count, Chosen, Pattern)) {
      FUZZ_CHECK(!Pattern.empty(), "an empty pattern was chosen");
      Chosen.TimestampFmt = Pattern;
      bool ReadsOne = false;
      for (const std::string& Line : Samples) {
        TLogEntry E = EmptyLogEntry();
        ParseCustomLine(Line, E, Chosen);
        ReadsOne = ReadsOne || E.Timestamp != 0;
      }
      FUZZ_CHECK(ReadsOne, "the chosen pattern reads no sample line");
    }
  }
  return 0;
}
