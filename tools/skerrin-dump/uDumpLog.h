#pragma once
// The log mode of skerrin-dump: skerrin-dump [--format auto|N] [--ini PATH] FILE.

// Exit code: 0 on success, 2 on a usage error.
int DumpLog(int argc, char** argv);
