#include "settings/uIniFile.h"

#include <algorithm>
#include <charconv>

#include "model/uTextScan.h"

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

// The blanks of the INI layout around names, values and brackets: spaces and tabs only. The
// values themselves are trimmed of every control character by the settings that read them.
bool IsSpaceOrTab(char C) { return C == ' ' || C == '\t'; }

std::string_view TrimSpacesAndTabs(std::string_view S) {
  while (!S.empty() && IsSpaceOrTab(S.front())) S.remove_prefix(1);
  while (!S.empty() && IsSpaceOrTab(S.back())) S.remove_suffix(1);
  return S;
}

bool SameName(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (LowerAscii(A[i]) != LowerAscii(B[i])) return false;
  return true;
}

std::string UnquoteValue(std::string_view Raw) {
  std::string_view V = TrimSpacesAndTabs(Raw);
  if (V.size() >= 2 && V.front() == '"' && V.back() == '"') V = V.substr(1, V.size() - 2);
  return std::string(V);
}

// The text to put after '=' so that reading it gives Value back.
std::string EncodeValue(std::string_view Value) {
  std::string Clean(Value);
  for (char& C : Clean)
    if (C == '\r' || C == '\n') C = ' ';
  if (UnquoteValue(Clean) == Clean) return Clean;
  return '"' + Clean + '"';
}

}  // namespace

bool ParseIniInteger(std::string_view Text, int32_t& Value) {
  Text = TrimSpacesAndTabs(Text);
  if (!Text.empty() && Text.front() == '+') {
    Text.remove_prefix(1);
    // from_chars takes a minus sign, so "+-3" would pass as -3.
    if (!Text.empty() && Text.front() == '-') return false;
  }
  if (Text.empty()) return false;
  int32_t Parsed = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Parsed);
  if (Error != std::errc() || End != Text.data() + Text.size()) return false;
  Value = Parsed;
  return true;
}

TIniFile::TLine TIniFile::ParseLine(std::string_view Raw) {
  TLine Line;
  Line.Raw = std::string(Raw);
  // A carriage return that is not part of the line end is read as the blank the writer stores
  // for it; otherwise a value would change each time it is read and saved again.
  std::string Spaced(Raw);
  std::replace(Spaced.begin(), Spaced.end(), '\r', ' ');
  const std::string_view T = TrimSpacesAndTabs(Spaced);
  if (T.empty() || T.front() == ';' || T.front() == '#') return Line;
  if (T.front() == '[') {
    const size_t Close = T.find(']');
    if (Close != std::string_view::npos) {
      Line.Kind = lkSection;
      Line.Name = std::string(TrimSpacesAndTabs(T.substr(1, Close - 1)));
    }
    return Line;
  }
  const size_t Eq = T.find('=');
  if (Eq == std::string_view::npos) return Line;
  const std::string_view Name = TrimSpacesAndTabs(T.substr(0, Eq));
  if (Name.empty()) return Line;
  Line.Kind = lkKey;
  Line.Name = std::string(Name);
  Line.Value = UnquoteValue(T.substr(Eq + 1));
  return Line;
}

void TIniFile::Parse(std::string_view Text) {
  Lines.clear();
  HasBom = Text.substr(0, Bom.size()) == Bom;
  if (HasBom) Text.remove_prefix(Bom.size());
  while (!Text.empty()) {
    const size_t Lf = Text.find('\n');
    std::string_view Raw = Text.substr(0, Lf);
    Text.remove_prefix(Lf == std::string_view::npos ? Text.size() : Lf + 1);
    if (!Raw.empty() && Raw.back() == '\r') Raw.remove_suffix(1);
    Lines.push_back(ParseLine(Raw));
  }
}

std::string TIniFile::Text() const {
  std::string Out;
  if (HasBom) Out += Bom;
  for (const TLine& Line : Lines) {
    Out += Line.Raw;
    Out += "\r\n";
  }
  return Out;
}

int TIniFile::FindSection(std::string_view Section) const {
  for (size_t i = 0; i < Lines.size(); ++i)
    if (Lines[i].Kind == lkSection && SameName(Lines[i].Name, Section)) return static_cast<int>(i);
  return -1;
}

int TIniFile::FindKey(std::string_view Section, std::string_view Key) const {
  const int Start = FindSection(Section);
  if (Start < 0) return -1;
  for (size_t i = Start + 1; i < Lines.size() && Lines[i].Kind != lkSection; ++i)
    if (Lines[i].Kind == lkKey && SameName(Lines[i].Name, Key)) return static_cast<int>(i);
  return -1;
}

bool TIniFile::SectionExists(std::string_view Section) const { return FindSection(Section) >= 0; }

bool TIniFile::KeyExists(std::string_view Section, std::string_view Key) const { return FindKey(Section, Key) >= 0; }

std::string TIniFile::ReadString(std::string_view Section, std::string_view Key, std::string_view Default) const {
  const int At = FindKey(Section, Key);
  return At >= 0 ? Lines[At].Value : std::string(Default);
}

int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Key, int32_t Default) const {
  const int At = FindKey(Section, Key);
  int32_t Value = Default;
  if (At >= 0 && ParseIniInteger(Lines[At].Value, Value)) return Value;
  return Default;
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Key, bool Default) const {
  const int At = FindKey(Section, Key);
  if (At < 0 || Lines[At].Value.empty()) return Default;
  return Lines[At].Value.front() == '1';
}

void TIniFile::WriteString(std::string_view Section, std::string_view Key, std::string_view Value) {
  const std::string Encoded = EncodeValue(Value);
  const int At = FindKey(Section, Key);
  if (At >= 0) {
    TLine& Line = Lines[At];
    Line.Raw = Line.Name + "=" + Encoded;
    Line.Value = UnquoteValue(Encoded);
    return;
  }
  TLine NewLine = ParseLine(std::string(Key) + "=" + Encoded);
  int Header = FindSection(Section);
  if (Header < 0) {
    if (!Lines.empty() && !TrimSpacesAndTabs(Lines.back().Raw).empty()) Lines.push_back(TLine{});
    std::string HeaderLine;  // built by appending: GCC 12 misreports "[" + string as overlapping
    HeaderLine.append("[").append(Section).append("]");
    Lines.push_back(ParseLine(HeaderLine));
    Lines.push_back(std::move(NewLine));
    return;
  }
  // After the section's last key, so that blank lines and comments before the next section
  // stay where they are.
  size_t Insert = Header + 1;
  for (size_t i = Header + 1; i < Lines.size() && Lines[i].Kind != lkSection; ++i)
    if (Lines[i].Kind == lkKey) Insert = i + 1;
  Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(Insert), std::move(NewLine));
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Key, int32_t Value) {
  WriteString(Section, Key, std::to_string(Value));
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Key, bool Value) {
  WriteString(Section, Key, Value ? "1" : "0");
}
