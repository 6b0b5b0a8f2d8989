#include "model/uLogTypes.h"

namespace {
const char* const FormatNames[LogFormatCount] = {
    "Unknown", "Plain", "Log4x",   "Apache Access",         "Nginx Access", "Syslog",
    "CSV",     "JSON",  "IIS W3C", "Custom (user-defined)", "Rapid SCADA"};

const char* const RoleNames[CustomFieldRoleCount] = {"Ignore", "Timestamp", "Level", "Source", "Thread"};
}  // namespace

// Values read from files or settings may be out of range; they name nothing rather than crash.
const char* FormatDisplayName(TLogFormat Format) {
  const int Ordinal = static_cast<int>(Format);
  return Ordinal >= 0 && Ordinal < LogFormatCount ? FormatNames[Ordinal] : "";
}

const char* RoleDisplayName(TCustomFieldRole Role) {
  const int Ordinal = static_cast<int>(Role);
  return Ordinal >= 0 && Ordinal < CustomFieldRoleCount ? RoleNames[Ordinal] : "";
}
