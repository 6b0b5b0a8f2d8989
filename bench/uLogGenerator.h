#pragma once
// Deterministic synthetic logs of a given size for the load benchmarks, the same bytes whichever
// build writes them.

#include <cstdint>
#include <string>

// PlainShort lines are 29 bytes without a timestamp, PlainLong ones 100 to 200 bytes without a
// timestamp or a level word (every byte goes through the keyword search); Utf16 holds Log4j lines
// as UTF-16 LE with a byte-order mark.
enum class TGeneratedKind { Log4j, Access, Syslog, Json, PlainShort, PlainLong, Utf16 };
constexpr TGeneratedKind AllGeneratedKinds[] = {
    TGeneratedKind::Log4j,      TGeneratedKind::Access,    TGeneratedKind::Syslog, TGeneratedKind::Json,
    TGeneratedKind::PlainShort, TGeneratedKind::PlainLong, TGeneratedKind::Utf16};

const char* GeneratedKindName(TGeneratedKind Kind);
bool GeneratedKindFromName(const std::string& Name, TGeneratedKind& Kind);

// Writes whole lines until the file holds at least Bytes bytes; the same arguments always give
// the same file. False when the file cannot be written.
bool GenerateLog(const std::string& FileName, TGeneratedKind Kind, int64_t Bytes);
