#pragma once
// The settings mode of skerrin-dump: skerrin-dump --settings [--ini PATH] [--save OUT].

#include <string>

#include "settings/uSettings.h"

// Every field of the record, one "Name=Value" line each, in the record's order. This text is
// an interface for scripts and tests: keep it stable.
std::string SettingsDumpText(const TAppSettings& Settings);

// Exit code: 0 on success, 1 when the settings could not be saved, 2 on a usage error.
int DumpSettings(int argc, char** argv);
