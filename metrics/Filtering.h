#pragma once

#include <cstdint>

// Images here are float buffers of width x height samples, row by row with
// no gap between rows: sample (x, y) sits at index y * width + x.

// Supplies the sample at (x, y), which may lie outside the image.
using BorderFunction = float (*)(const float* image, int32_t width, int32_t height, int32_t x,
                                 int32_t y, float parameter);

struct FilterKernel {
    const float* weights; // width x height weights, row by row
    int32_t width;
    int32_t height;
    // Non-zero: the weights are used as they stand; zero: results are scaled
    // by 1 / (sum of weights).
    int32_t normalized;
    BorderFunction borderFunction;
    float borderParameter;
};

// 1 for a normalized kernel, otherwise 1 / (sum of weights), or 1 when they
// sum to 0.
float KernelScale(const FilterKernel* kernel);

// The weighted sum at every window position lying wholly inside the image,
// stored row by row with (width - kernel width + 1) columns. With no `out`
// the sums overwrite the image's own buffer. The output size is stored
// through `outWidth` and `outHeight` when given, also when it is 0 or
// negative.
void ConvolveValid(float* image, int32_t width, int32_t height, const FilterKernel* kernel,
                   float* out, int32_t* outWidth, int32_t* outHeight);

// ConvolveValid from an image that stays untouched into a separate `out`.
void ConvolveValidInto(const float* image, int32_t width, int32_t height,
                       const FilterKernel* kernel, float* out, int32_t* outWidth,
                       int32_t* outHeight);

// ConvolveValidInto of the image of float products first[i] x second[i]
// (or of `first` itself when `second` is null) without making that image:
// `out` must hold width x height samples, as it may serve as work memory.
void ConvolveValidProducts(const float* first, const float* second, int32_t width, int32_t height,
                           const FilterKernel* kernel, float* out, int32_t* outWidth,
                           int32_t* outHeight);

// Reflects positions outside the image once about its edges, repeating the
// edge sample (-1 reads 0, width reads width - 1); serves offsets of less
// than one image size. The parameter is ignored.
float MirrorSample(const float* image, int32_t width, int32_t height, int32_t x, int32_t y,
                   float parameter);

// The weighted sum of the window centred on (x, y), times `scale`; windows
// reaching over an edge take all their samples from the kernel's border
// function. With no kernel, the sample itself.
float FilterSample(const float* image, int32_t width, int32_t height, int32_t x, int32_t y,
                   const FilterKernel* kernel, float scale);

// Filters with `kernel` (unscaled) at every `factor`-th sample of every
// `factor`-th row and stores the results row by row in `out`, a buffer
// distinct from the image. For factor 2 the output is the input size halved
// and rounded up. Always returns 0.
int32_t Decimate(const float* image, int32_t width, int32_t height, int32_t factor,
                 const FilterKernel* kernel, float* out, int32_t* outWidth, int32_t* outHeight);
