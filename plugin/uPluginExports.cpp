#include "plugin/uPluginExports.h"

#include <cstring>

static_assert(sizeof(DetectString) - 1 == 121);

SKERRIN_EXPORT void WINAPI ListGetDetectString(char* DetectStringOut, int MaxLen) {
  try {
    if (!DetectStringOut || MaxLen <= 0) return;
    size_t Copy = sizeof(DetectString) - 1;
    if (Copy > static_cast<size_t>(MaxLen) - 1) Copy = static_cast<size_t>(MaxLen) - 1;
    std::memcpy(DetectStringOut, DetectString, Copy);
    DetectStringOut[Copy] = '\0';
  } catch (...) {
  }
}
