#pragma once

#include <cstdint>

// The mean of the squared differences of two width x height images: each
// difference is taken in float, squared in double and added in row order.
// Not-a-number for an empty image.
float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height);
