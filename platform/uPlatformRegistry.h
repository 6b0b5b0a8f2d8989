#pragma once
// Read-only access to the current user's registry. Natively there is no registry: every value
// is missing.

#include <cstdint>
#include <optional>
#include <string_view>

// A REG_DWORD value under HKEY_CURRENT_USER; nullopt when the key or the value is missing, of
// another type, or unreadable.
std::optional<uint32_t> ReadCurrentUserDword(std::string_view KeyPath, std::string_view ValueName);
