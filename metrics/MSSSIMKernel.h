#pragma once

#include <cstdint>

// Allocates `levelCount` float buffers (std::malloc; release with std::free)
// of width x height samples, the size halved and rounded up from one level
// to the next. Returns 0 on success; 1 when an allocation fails, after
// releasing the buffers it obtained.
int32_t AllocatePyramid(float** levels, int32_t width, int32_t height, int32_t levelCount);

// Five-scale structural similarity: both images are low-pass filtered and
// halved four times, SSIM's three terms are averaged at each scale, and the
// product over the scales of those means raised to per-scale exponents is
// the result. The dynamic range is fixed at 255 with no stabilising
// constants. +infinity for a tile below 176 x 176 samples (each of the five
// scales needs at least 11) or when memory runs out.
float ComputeMSSSIM(const float* a, const float* b, int32_t width, int32_t height);
