#pragma once
// The log mode of skerrin-dump: skerrin-dump [--format auto|N] [--ini PATH] [--summary] FILE.
// Prints what the loader made of the file: six header lines, then one line per entry. The text
// is an interface for scripts and tests: keep it exactly.

#include <string>

class TLoadedLog;

// The printed text of a loaded log; only the header lines when Summary is set.
std::string LogDumpText(const TLoadedLog& Log, bool Summary);

// Exit code: 0 on success, 1 when the file cannot be loaded, 2 on a usage error.
int DumpLog(int argc, char** argv);
