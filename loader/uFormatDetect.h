#pragma once
// Decides a file's format by a vote of its first lines.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/uLogTypes.h"

TLogFormat DetectFormat(std::span<const std::string_view> Samples);
TLogFormat DetectFormat(const std::vector<std::string>& Samples);
bool IsRapidScadaModuleLine(std::string_view Line);
