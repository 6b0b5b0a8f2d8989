#include "uTestSupport.h"

std::string SourcePath(const std::string& Relative) {
  return std::string(SKERRIN_SOURCE_DIR) + "/" + Relative;
}

std::string SharedTestDataPath(const std::string& Relative) {
  return std::string(SKERRIN_SOURCE_DIR) + "/../shared/testdata/" + Relative;
}
