#pragma once
// Deterministic synthetic logs of a given size for the load benchmark.

#include <cstdint>
#include <string>

enum class TGeneratedKind { Log4j, Access, Syslog, Json };

const char* GeneratedKindName(TGeneratedKind Kind);
bool GeneratedKindFromName(const std::string& Name, TGeneratedKind& Kind);

// Writes whole lines until the file holds at least Bytes bytes; the same arguments always give
// the same file. False when the file cannot be written.
bool GenerateLog(const std::string& FileName, TGeneratedKind Kind, int64_t Bytes);
