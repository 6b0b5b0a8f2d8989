#pragma once
// Decides a file's format by a vote of its first lines.

#include <string>
#include <string_view>
#include <vector>

#include "model/uLogTypes.h"

TLogFormat DetectFormat(const std::vector<std::string>& Samples);
bool IsRapidScadaModuleLine(std::string_view Line);
