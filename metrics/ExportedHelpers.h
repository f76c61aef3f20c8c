#pragma once

#include <cstdint>

// Numeric helpers exported from the executable under these unmangled names
// for programs that load it; Zarnik itself only uses _cmp_float from
// _matrix_cmp.
extern "C" {

// Rounds half away from zero.
int32_t _round(float a);
int32_t _max(int32_t x, int32_t y);
int32_t _min(int32_t x, int32_t y);
// 0 when a and b agree to `digits` decimal places, 1 otherwise.
int32_t _cmp_float(float a, float b, int32_t digits);
// 0 when all width x height pairs agree to `digits` decimal places (or there
// are none), 1 otherwise.
int32_t _matrix_cmp(const float* a, const float* b, int32_t width, int32_t height, int32_t digits);
}
