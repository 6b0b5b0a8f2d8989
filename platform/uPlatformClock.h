#pragma once
// Local wall clock, as the parsers need it (syslog lines carry no year).

#include <cstdint>

int CurrentLocalYear();
// A millisecond counter that only ever moves forward (it wraps after 49 days), read without a
// call into the system where the platform allows: cheap enough to ask once per line.
uint32_t MonotonicMilliseconds();
