#pragma once
// Lines of the user-defined format: delimited fields with a role each, or fixed columns.

#include <cstdint>
#include <string_view>

#include "model/uLogTypes.h"

void ParseCustomLine(std::string_view Line, TLogEntry& Entry, const TCustomFormatConfig& Config);

// Applies Role to the span of Len bytes at the 1-based Start, cut at the end of Line and with
// blanks trimmed; an empty span changes nothing. AllowIso lets a timestamp without a configured
// pattern be read in the ISO form.
void AssignCustomField(std::string_view Line, const TCustomFormatConfig& Config, TCustomFieldRole Role, int32_t Start,
                       int32_t Len, bool AllowIso, TLogEntry& Entry);
