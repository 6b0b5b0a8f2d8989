#pragma once
// Whole small files (the settings file) by UTF-8 path: read at once, replaced in one step.

#include <string>
#include <string_view>

bool TextFileExists(std::string_view Path);
// False when the file cannot be opened or read; Contents is then left empty.
bool ReadTextFile(std::string_view Path, std::string& Contents);
// Writes Contents to a temporary file beside Path and moves it over Path in one step, so that
// a reader sees either the old or the new file, never a half-written one. On any failure the
// old file is left as it was, the temporary file is removed, and the result is false.
bool ReplaceTextFile(std::string_view Path, std::string_view Contents);
