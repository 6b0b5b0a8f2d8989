#include "platform/uPlatformLocale.h"

std::string PlatformThousandsSeparator() { return ","; }
