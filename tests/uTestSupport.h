#pragma once
// Helpers shared by the unit tests: where the bundled data lives, scratch files.

#include <string>

// A path under the source tree; works natively and under Wine (whose Z: drive is the root).
std::string SourcePath(const std::string& Relative);
// A path under the shared test data beside the checkout.
std::string SharedTestDataPath(const std::string& Relative);
