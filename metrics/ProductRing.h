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

    // For rows of `width` samples. The ring is empty (see operator bool)
    // when the kernel repeats its weights too little for shared products to
    // save work (more distinct weights than a quarter of its taps, or more
    // than kMaxTaps taps), or when the work memory cannot be obtained.
    CProductRing(const FilterKernel& kernel, int32_t width, const ProductKernels& kernels);
    CProductRing(const CProductRing&) = delete;
    CProductRing& operator=(const CProductRing&) = delete;

    explicit operator bool() const { return ring != nullptr; }

    // Takes image row `row`: `first`, or the float products first x second
    // sample by sample when `second` is given. Rows come in order from 0.
    void AddRow(const float* first, const float* second, int32_t row);

    // The weighted sums of the window positions whose top row is `top`, of
    // which rows top to top + kernel height - 1 must be the last ones added:
    // out[x] = float(scale x sum) for x < width - kernel width + 1. With
    // `first`, also takes the next row as AddRow would, while the sums are
    // computed.
    void SumRow(int32_t top, double scale, float* out, const float* first, const float* second);

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
