#pragma once
// The settings mode of skerrin-dump: skerrin-dump --settings [--ini PATH] [--save OUT].

// Exit code: 0 on success, 1 when the settings could not be saved, 2 on a usage error.
int DumpSettings(int argc, char** argv);
