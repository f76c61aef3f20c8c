#pragma once

#include "metrics/Filtering.h"

#include <cstdint>

constexpr int32_t kGaussianWindowSize = 11;
constexpr int32_t kLowPassSize = 9;
constexpr int32_t kScaleCount = 5;

// SSIM's weighting window: the outer product of the 11-tap Gaussian with
// standard deviation 1.5, each weight rounded to six decimals. The rounded
// weights sum to 0.999998 and are used as they stand, which is why a constant
// tile's local mean is 0.999998 times its value.
extern const float GaussianWindow11[kGaussianWindowSize * kGaussianWindowSize];

// MS-SSIM's low-pass filter before every halving; sums to 1.000005 and is
// used as it stands.
extern const float LowPass9[kLowPassSize * kLowPassSize];

// MS-SSIM's exponents of the mean luminance, contrast and structure terms,
// by scale from full size (0) to coarsest (4).
extern const float LuminanceExponents[kScaleCount];
extern const float ContrastExponents[kScaleCount];
extern const float StructureExponents[kScaleCount];

// GaussianWindow11 with mirrored borders, weights as they stand.
FilterKernel GaussianWindowKernel();
// LowPass9 with mirrored borders, weights as they stand.
FilterKernel LowPassKernel();
