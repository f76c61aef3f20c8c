#pragma once

#include "metrics/PixelSums.h"

#include <cstdint>

// The kernels of the error statistics, over every pixel of two width x height
// images (`valid` null) or over the pixels whose byte in `valid` is non-zero.
// Each difference is taken in float and widened to double; sums are added in
// double, in row order.

// |a - b| summed: the mean absolute error's sum.
ErrorSum SumAbsoluteErrors(const float* a, const float* b, const uint8_t* valid, int32_t width,
                           int32_t height);

// b - a summed (the compressed sample minus the original's): the bias's sum.
ErrorSum SumSignedErrors(const float* a, const float* b, const uint8_t* valid, int32_t width,
                         int32_t height);

// The largest |a - b| in `sum` (exact: a float difference), 0 without pixels.
ErrorSum LargestAbsoluteError(const float* a, const float* b, const uint8_t* valid, int32_t width,
                              int32_t height);
