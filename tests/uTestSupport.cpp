#include "uTestSupport.h"

#include <fstream>
#include <iterator>

std::string SourcePath(const std::string& Relative) {
  return std::string(SKERRIN_SOURCE_DIR) + "/" + Relative;
}

std::string SharedTestDataPath(const std::string& Relative) {
  return std::string(SKERRIN_SOURCE_DIR) + "/../shared/testdata/" + Relative;
}

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
