#pragma once
// Level keywords: an isolated level word, or keywords anywhere in a line with the HTTP status
// of access-log lines as the fallback.

#include <string_view>

#include "model/uLogTypes.h"

TLogLevel LevelFromWord(std::string_view Word);
// Upper is Text with ASCII letters in upper case (same length and positions).
TLogLevel DetectLevel(std::string_view Text, std::string_view Upper);
// DetectLevel of Text and its upper-case form, without making that copy: a line may be
// hundreds of megabytes long.
TLogLevel DetectLevelIgnoringCase(std::string_view Text);
