#pragma once
// Helpers shared by the unit tests: where the bundled data lives, whole files in and out.

#include <cstddef>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

// A path under the source tree; works natively and under Wine (whose Z: drive is the root).
std::string SourcePath(const std::string& Relative);
// A path under the project's own test data (tests/data).
std::string TestDataPath(const std::string& Relative);

// The bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& Path);
// Replaces the file's contents with Bytes.
void WriteFileBytes(const std::string& Path, const std::string& Bytes);
// The first MaxLines lines of a file as the loader hands them over: split at line feeds, one
// trailing carriage return removed, no empty line after a final line feed.
std::vector<std::string> ReadFileLines(const std::string& Path, size_t MaxLines = std::numeric_limits<size_t>::max());

// A path as the UTF-8 string the product's file functions take.
std::string Utf8Path(const std::filesystem::path& Path);

// A folder of one test's own under the system's temporary folder, removed with what it holds.
class TScratchDir {
 public:
  explicit TScratchDir(const std::string& Prefix);
  ~TScratchDir();
  TScratchDir(const TScratchDir&) = delete;
  TScratchDir& operator=(const TScratchDir&) = delete;
  const std::filesystem::path& Path() const { return Dir; }
  // Writes a file of the folder; returns its path as the product's file functions take it.
  std::string Write(const std::string& Name, const std::string& Bytes) const;

 private:
  std::filesystem::path Dir;
};
// UTF-16 text as the bytes of a little- or big-endian file.
std::string Utf16Bytes(const std::u16string& Text, bool BigEndian);
// The lines of a byte stream cut the slow and obvious way: at line feeds, one trailing carriage
// return removed; an unterminated rest is a line only when KeepOpenRest is set.
std::vector<std::string> ReferenceLines(const std::string& Bytes, bool KeepOpenRest = true);
