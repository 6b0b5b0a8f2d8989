#pragma once
// The log mode of skerrin-dump: skerrin-dump [--format auto|N] [--ini PATH] [--summary] FILE.
// Prints what the loader made of the file: six header lines, then one line per entry. The text
// is an interface for scripts and tests: keep it exactly.

#include <cstdio>
#include <string>

class TLoadedLog;

// The six header lines.
std::string LogDumpHeader(const TLoadedLog& Log);
// Prints the header and, unless Summary is set, one line per entry; false when writing failed.
bool WriteLogDump(const TLoadedLog& Log, bool Summary, std::FILE* Out);

// Exit code: 0 on success, 1 when the file cannot be loaded (the reason goes to stderr) or
// the output cannot be written, 2 on a usage error.
int DumpLog(int argc, char** argv);
