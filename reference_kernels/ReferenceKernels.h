#pragma once

#include <cstdint>
#include <optional>

// The metric kernels written plainly, step by step as they are defined, with
// the arithmetic in its defined order and no instruction-set variants. The
// production kernels must agree with them bit for bit; the benchmarks measure
// against them. The records below have the production kernels' layout but
// are declared here again, and the weights and exponents are derived here
// again, so that this library shares nothing with the code it checks.
namespace reference {

using BorderFunction = float (*)(const float* image, int32_t width, int32_t height, int32_t x,
                                 int32_t y, float parameter);

struct FilterKernel {
    const float* weights; // width x height weights, row by row
    int32_t width;
    int32_t height;
    int32_t normalized; // non-zero: weights as they stand; zero: scaled by 1 / their sum
    BorderFunction borderFunction;
    float borderParameter;
};

struct SSIMParameters {
    float alpha;
    float beta;
    float gamma;
    float L;
    float K1;
    float K2;
    int32_t resamplingFactor;
};

struct SSIMCallbacks {
    int32_t (*accumulate)(const double* terms, void* context);
    float (*combine)(int32_t width, int32_t height, void* context);
    void* context;
};

// SSIM's 11 x 11 window and MS-SSIM's 9 x 9 low-pass filter, row by row.
const float* GaussianWindow11();
const float* LowPass9();

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

// The statistics over the pixels that hold data (non-zero bytes of `valid`,
// laid out as the samples). MSE over the valid pixels; SSIM's mean over the
// window positions that see only valid pixels. No value when nothing is left
// to average.
std::optional<float> ComputeMaskedMSE(const float* a, const float* b, const uint8_t* valid,
                                      int32_t width, int32_t height);
std::optional<float> ComputeMaskedSSIM(const float* a, const float* b, const uint8_t* valid,
                                       int32_t width, int32_t height,
                                       const SSIMParameters* parameters);

} // namespace reference
