#include "uDumpLog.h"

#include <cstdio>

int DumpLog(int, char**) {
  std::fputs("usage: skerrin-dump --settings [--ini PATH] [--save OUT]\n", stderr);
  return 2;
}
