#pragma once
// One log file loaded into a parsed entry list, with its encoding and format decided.

#include <cstdint>
#include <string>

#include "model/uLogModel.h"
#include "model/uLogTypes.h"

class TLoadedLog {
 public:
  TLogList List;
  TLogFormat Format = lfUnknown;
  TCustomFormatConfig CustomConfig;
  int32_t Encoding = 0;  // 0 8-bit, 1 UTF-16 LE, 2 UTF-16 BE
  int64_t FileSize = 0;  // size measured at the load; tail continues reading here
  int32_t MaxLineLength = 0;

  TLoadedLog();
  TLoadedLog(const TLoadedLog&) = delete;
  TLoadedLog& operator=(const TLoadedLog&) = delete;

  // False when the file cannot be opened or read whole; the list is then empty and FileSize 0.
  bool Load(const std::string& FileName);
};
