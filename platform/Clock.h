#pragma once

#include <cstdint>

// Monotonic time stamps from a fixed origin (the steady clock's epoch), so
// that differences are never disturbed by wall-clock adjustments.
uint64_t MonotonicMilliseconds();
int64_t MonotonicMicroseconds();
