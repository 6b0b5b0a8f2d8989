#pragma once
// Number formatting conventions of the user's locale.

#include <string>

// The user's thousands separator as UTF-8 (it may be empty, or a no-break space); "," where
// the platform has no such setting or cannot tell.
std::string PlatformThousandsSeparator();
