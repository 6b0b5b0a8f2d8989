#pragma once
// Helpers shared by the unit tests: where the bundled data lives, whole files in and out.

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

// A path under the source tree; works natively and under Wine (whose Z: drive is the root).
std::string SourcePath(const std::string& Relative);
// A path under the shared test data beside the checkout.
std::string SharedTestDataPath(const std::string& Relative);

// The bytes of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& Path);
// Replaces the file's contents with Bytes.
void WriteFileBytes(const std::string& Path, const std::string& Bytes);
// The first MaxLines lines of a file as the loader hands them over: split at line feeds, one
// trailing carriage return removed, no empty line after a final line feed.
std::vector<std::string> ReadFileLines(const std::string& Path,
                                       size_t MaxLines = std::numeric_limits<size_t>::max());
