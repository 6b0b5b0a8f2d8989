#pragma once
// Fills one entry from one line for a given format; used by the loader and by tail.

#include <string>
#include <string_view>
#include <vector>

#include "model/uLogTypes.h"

// Config is the custom-format copy held by the loaded log.
void ParseLine(std::string_view Line, int32_t LineNumber, TLogFormat Format, TLogEntry& Entry,
               const TCustomFormatConfig& Config);

bool ParseRapidScadaLine(std::string_view Line, double& Timestamp, int32_t& SourceStart, int32_t& SourceLength,
                         TLogLevel& Level);
std::vector<std::string> SplitCsvFields(std::string_view Line, char Delimiter);
std::string JsonStringValue(std::string_view Line, std::string_view Key);
