#pragma once

#include "metrics/Filtering.h"
#include "metrics/SSIMKernel.h"

#include <cstdint>

// The metric kernels written plainly, step by step as they are defined, with
// the arithmetic in its defined order and no instruction-set variants. The
// production kernels must agree with them bit for bit; the benchmarks measure
// against them.
namespace reference {

float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height);
void ConvolveValid(float* image, int32_t width, int32_t height, const FilterKernel* kernel,
                   float* out, int32_t* outWidth, int32_t* outHeight);
float MirrorSample(const float* image, int32_t width, int32_t height, int32_t x, int32_t y,
                   float parameter);
int32_t Decimate(const float* image, int32_t width, int32_t height, int32_t factor,
                 const FilterKernel* kernel, float* out, int32_t* outWidth, int32_t* outHeight);
float SSIMCore(const float* a, const float* b, int32_t width, int32_t height,
               const FilterKernel* window, const SSIMCallbacks* callbacks,
               const SSIMParameters* parameters);
// Without the +infinity for tiles under 11 samples: those are never compared.
float ComputeSSIM(const float* a, const float* b, int32_t width, int32_t height,
                  const SSIMParameters* parameters);
float ComputeMSSSIM(const float* a, const float* b, int32_t width, int32_t height);

} // namespace reference
