#include "platform/uPlatformRegistry.h"

std::optional<uint32_t> ReadCurrentUserDword(std::string_view, std::string_view) { return std::nullopt; }
