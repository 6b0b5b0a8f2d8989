#include "uTestSupport.h"

#include <chrono>
#include <fstream>
#include <iterator>

std::string SourcePath(const std::string& Relative) { return std::string(SKERRIN_SOURCE_DIR) + "/" + Relative; }

std::string TestDataPath(const std::string& Relative) { return SourcePath("tests/data/" + Relative); }

std::string ReadFileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out << Bytes;
}

std::vector<std::string> ReadFileLines(const std::string& Path, size_t MaxLines) {
  std::ifstream In(Path, std::ios::binary);
  std::vector<std::string> Lines;
  std::string Line;
  while (Lines.size() < MaxLines && std::getline(In, Line)) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    Lines.push_back(Line);
  }
  return Lines;
}

std::string Utf8Path(const std::filesystem::path& Path) {
  const std::u8string Text = Path.u8string();
  return std::string(Text.begin(), Text.end());
}

TScratchDir::TScratchDir(const std::string& Prefix) {
  // Unique across the tests of a run and across runs side by side (the native and Wine suites).
  static int Serial = 0;
  const auto Now = std::chrono::steady_clock::now().time_since_epoch().count();
  Dir = std::filesystem::temp_directory_path() / (Prefix + "-" + std::to_string(Now) + "-" + std::to_string(++Serial));
  std::filesystem::create_directories(Dir);
}

TScratchDir::~TScratchDir() {
  std::error_code Ignored;
  std::filesystem::remove_all(Dir, Ignored);
}

std::string TScratchDir::Write(const std::string& Name, const std::string& Bytes) const {
  std::ofstream(Dir / Name, std::ios::binary) << Bytes;
  return Utf8Path(Dir / Name);
}

std::string Utf16Bytes(const std::u16string& Text, bool BigEndian) {
  std::string Bytes;
  for (char16_t U : Text) {
    const char Low = static_cast<char>(U & 0xFF), High = static_cast<char>(U >> 8);
    Bytes += BigEndian ? High : Low;
    Bytes += BigEndian ? Low : High;
  }
  return Bytes;
}

std::vector<std::string> ReferenceLines(const std::string& Bytes, bool KeepOpenRest) {
  std::vector<std::string> Lines;
  std::string Current;
  bool Open = false;
  for (char C : Bytes) {
    if (C == '\n') {
      if (!Current.empty() && Current.back() == '\r') Current.pop_back();
      Lines.push_back(Current);
      Current.clear();
      Open = false;
    } else {
      Current += C;
      Open = true;
    }
  }
  if (Open && KeepOpenRest) {
    if (Current.back() == '\r') Current.pop_back();
    Lines.push_back(Current);
  }
  return Lines;
}
