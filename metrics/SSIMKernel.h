#pragma once

#include "metrics/Filtering.h"

#include <cstdint>
#include <optional>

struct SSIMParameters {
    float alpha; // exponent of the luminance term
    float beta;  // exponent of the contrast term
    float gamma; // exponent of the structure term
    float L;     // dynamic range: the largest sample value
    float K1;    // stabilising constants
    float K2;
    // Only 1 is supported: the images are used at their own size.
    int32_t resamplingFactor;
};

// How SSIMCore's per-position terms become its result.
struct SSIMCallbacks {
    // Called once per window position, row by row, with the luminance,
    // contrast and structure terms; non-zero stops the computation.
    int32_t (*accumulate)(const double* terms, void* context);
    // Called once at the end with the number of window positions across and
    // down; its result is the kernel's result.
    float (*combine)(int32_t width, int32_t height, void* context);
    void* context;
};

// Local means, variances and covariance under `window` at every position
// where it lies wholly inside both images, handed as luminance, contrast and
// structure terms to the callbacks. +infinity when work memory cannot be
// obtained or accumulate stops the computation. Reads a and b only.
float SSIMCore(const float* a, const float* b, int32_t width, int32_t height,
               const FilterKernel* window, const SSIMCallbacks* callbacks,
               const SSIMParameters* parameters);

// Called with the luminance, contrast and structure terms (exponents
// applied) of consecutive window positions in row order, each call taking
// up where the last one stopped (a call may span the end of a row);
// non-zero stops.
using SSIMTermRowsFunction = int32_t (*)(const double* luminance, const double* contrast,
                                         const double* structure, int32_t count, void* context);

// SSIMCore's terms handed over a piece at a time, which spares a call per
// position; the number of window positions across and down is stored. False
// when work memory cannot be obtained or `termRows` stops.
bool SSIMTermRows(const float* a, const float* b, int32_t width, int32_t height,
                  const FilterKernel* window, const SSIMParameters* parameters,
                  SSIMTermRowsFunction termRows, void* context, int32_t* columns, int32_t* rows);

// The mean over all 11 x 11 window positions of luminance x contrast x
// structure. A tile with fewer than 11 columns or rows has no complete window
// position; we return +infinity for it, as MS-SSIM does for a tile too small
// for its scales, so that such edge tiles stand out instead of giving
// not-a-number or a meaningless ratio. +infinity also when memory runs out.
float ComputeSSIM(const float* a, const float* b, int32_t width, int32_t height,
                  const SSIMParameters* parameters);

// ComputeSSIM over the window positions whose whole footprint is valid
// (non-zero bytes of `valid`, laid out as the samples): their terms are
// those of ComputeSSIM and their mean is taken in the same order, so a fully
// valid mask gives ComputeSSIM's bits. Invalid pixels may hold anything, even
// not-a-number: no position that reads them counts. No value without a fully
// valid position (so also for a tile under 11 x 11); +infinity when memory
// runs out.
std::optional<float> ComputeMaskedSSIM(const float* a, const float* b, const uint8_t* valid,
                                       int32_t width, int32_t height,
                                       const SSIMParameters* parameters);
