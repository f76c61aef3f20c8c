#pragma once

#include <cstddef>
#include <cstdint>

// The loops of filtering by shared products, built for every instruction-set
// target like the row kernels. A kernel's weights repeat (an 11 x 11
// Gaussian window has 20 distinct ones for 121 taps), so each sample is
// multiplied by each distinct weight once and the float products kept in
// rows; every tap then only widens and adds the product it names. The
// products, their widening and each output's order of addition are those of
// the step-by-step filter, so the sums keep their bits.

// For k in [0, weightCount) and c in [0, count):
// out[k * stride + c] = sample(c) * weights[k] in float, where sample(c) is
// first[c], or the float product first[c] * second[c] when `second` is given.
using ProductRowFunction = void (*)(const float* first, const float* second, int32_t count,
                                    const float* weights, int32_t weightCount, size_t stride,
                                    float* out);

// Where a kernel's taps find their products: tap (i, j), the t-th in row
// order, at offsets[t] floats from the start of kernel row j's products.
struct TapLayout {
    int32_t width;
    int32_t height;
    const size_t* offsets;
};

// The arguments of one ProductRow call.
struct RowProducts {
    const float* first;
    const float* second;
    int32_t count;
    const float* weights;
    int32_t weightCount;
    size_t stride;
    float* out;
};

// For x in [0, count): out[x] = float(scale * sum over taps t of
// double(tap t's product row[x])), the sum taken in tap order, where rows[j]
// holds kernel row j's products. Every product row must be readable, and
// hold finite numbers, up to `count` rounded up to a whole number of
// ProductLanes(). With `next`, also makes those products, a share after
// each block of sums, so that their stores go on while the sums compute;
// they must overlap no product row summed.
using TapSumsFunction = void (*)(const float* const* rows, const TapLayout& layout, int32_t count,
                                 double scale, float* out, const RowProducts* next);

// The number of doubles in one vector of the target.
using ProductLanesFunction = size_t (*)();

struct ProductKernels {
    ProductRowFunction productRow;
    TapSumsFunction tapSums;
    ProductLanesFunction productLanes;
};

// The kernels of the target at `index` of the vector library's dispatch
// tables (the index hwy::ChosenTarget::GetIndex() gives).
ProductKernels ProductKernelsAt(size_t index);
