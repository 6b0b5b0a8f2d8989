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

// The level a line names for itself: its first level word, in any letter case, that stands alone
// near the start of the text ([warn], ERROR:, local.ERROR:, level=info, WARNING after a process
// id). A word inside double quotes is message text unless SkipQuoted is false (CSV quotes fields).
// lCustom when there is none.
TLogLevel OwnLevelWord(std::string_view Text, bool SkipQuoted = true);
// The line's own level word, else what its keywords and HTTP status give (DetectLevel).
TLogLevel LineLevel(std::string_view Text);
// The level of a syslog message: its own level word, else "error" or "fail" anywhere, then
// "warn", then "debug", else information.
TLogLevel SyslogMessageLevel(std::string_view Message);
