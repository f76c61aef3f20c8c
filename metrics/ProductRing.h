#pragma once

#include "metrics/Filtering.h"
#include "metrics/ProductRows.h"
#include "metrics/WorkBuffer.h"

#include <cstddef>
#include <cstdint>

// The products of the last kernel-height image rows with each distinct
// weight of a kernel (told apart by their bits: 0 and -0 give products of
// different signs), from which the kernel's weighted sums at the window
// positions of a row are added up. Each row's products are made once for
// all the output rows and taps that use them instead of once per tap.
class CProductRing {
public:
    // The most taps a kernel may have here.
    static constexpr int32_t kMaxTaps = 256;

    // Whether the kernel repeats its weights enough for shared products to
    // save work: at most a quarter as many distinct weights as taps.
    static bool Suits(const FilterKernel& kernel);

    // For rows of `width` samples; empty (see operator bool) when the work
    // memory cannot be obtained. The kernel must suit.
    CProductRing(const FilterKernel& kernel, int32_t width, const ProductKernels& kernels);
    CProductRing(const CProductRing&) = delete;
    CProductRing& operator=(const CProductRing&) = delete;

    explicit operator bool() const { return static_cast<bool>(products); }

    // Takes image row `row` of `count` samples, at most the width: `first`,
    // or the float products first x second sample by sample when `second`
    // is given. Rows come in order from 0, all of the same count.
    void AddRow(const float* first, const float* second, int32_t count, int32_t row);

    // The weighted sums of the window positions whose top row is `top`, of
    // which rows top to top + kernel height - 1 must be the last ones added:
    // out[x] = float(scale x sum) for x < count - kernel width + 1.
    void SumRow(int32_t top, int32_t count, double scale, float* out) const;

private:
    float* Products(int32_t row, int32_t weight) const;

    const ProductKernels kernels;
    int32_t kernelWidth;
    int32_t kernelHeight;
    int32_t tapCount;
    int32_t width;
    float weights[kMaxTaps];    // the distinct weights
    int32_t weightOf[kMaxTaps]; // which of them each tap carries
    int32_t weightCount;
    std::size_t tapOffsets[kMaxTaps]; // of each tap's products from its row's first
    std::size_t stride;               // floats from one weight's products to the next
    CWorkBuffer<float> products;
    float* ring = nullptr; // the products, from the first cache line boundary on
};
