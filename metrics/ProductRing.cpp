#include "metrics/ProductRing.h"

#include <cstdint>
#include <cstring>

namespace {

uint32_t Bits(float weight) {
    uint32_t bits = 0;
    std::memcpy(&bits, &weight, sizeof bits);
    return bits;
}

// The distinct weights of `kernel` in `weights` and, for every tap, the
// index of its weight in `weightOf`; returns how many are distinct.
int32_t ShareWeights(const FilterKernel& kernel, float* weights, int32_t* weightOf) {
    int32_t count = 0;
    for (int32_t t = 0; t < kernel.width * kernel.height; ++t) {
        int32_t k = 0;
        while (k < count && Bits(weights[k]) != Bits(kernel.weights[t])) {
            ++k;
        }
        if (k == count) {
            weights[count++] = kernel.weights[t];
        }
        weightOf[t] = k;
    }
    return count;
}

// Floats in a cache line.
constexpr std::size_t kLineFloats = 64 / sizeof(float);

std::size_t RoundUp(std::size_t floats) {
    return (floats + kLineFloats - 1) / kLineFloats * kLineFloats;
}

std::size_t RingSize(int32_t kernelHeight, int32_t weightCount, std::size_t stride) {
    return static_cast<std::size_t>(kernelHeight) * static_cast<std::size_t>(weightCount) * stride;
}

} // namespace

CProductRing::CProductRing(const FilterKernel& kernel, int32_t rowWidth,
                           const ProductKernels& rowKernels)
    : kernels(rowKernels), kernelWidth(kernel.width), kernelHeight(kernel.height),
      tapCount(kernel.width * kernel.height), width(rowWidth),
      weightCount(tapCount <= kMaxTaps ? ShareWeights(kernel, weights, weightOf) : tapCount),
      // Room for a whole vector past the last output, as the sums read
      // whole vectors (the padding stays 0), and whole cache lines, so that
      // the products' stores are never split between two.
      stride(RoundUp(static_cast<std::size_t>(rowWidth) + rowKernels.productLanes())),
      products(4 * weightCount <= tapCount
                   ? RingSize(kernelHeight + 1, weightCount, stride) + kLineFloats
                   : 0) {
    if (4 * weightCount > tapCount || !products) {
        return;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(products.Get());
    ring = products.Get() + (64 - address % 64) % 64 / sizeof(float);
    for (int32_t t = 0; t < tapCount; ++t) {
        tapOffsets[t] = static_cast<std::size_t>(weightOf[t]) * stride +
                        static_cast<std::size_t>(t % kernelWidth);
    }
    for (int32_t row = 0; row <= kernelHeight; ++row) {
        for (int32_t k = 0; k < weightCount; ++k) {
            std::memset(Products(row, k) + width, 0,
                        (stride - static_cast<std::size_t>(width)) * sizeof(float));
        }
    }
}

float* CProductRing::Products(int32_t row, int32_t weight) const {
    const std::size_t slot = static_cast<std::size_t>(row % (kernelHeight + 1));
    return ring +
           (slot * static_cast<std::size_t>(weightCount) + static_cast<std::size_t>(weight)) *
               stride;
}

void CProductRing::AddRow(const float* first, const float* second, int32_t row) {
    kernels.productRow(first, second, width, weights, weightCount, stride, Products(row, 0));
}

void CProductRing::SumRow(int32_t top, double scale, float* out, const float* first,
                          const float* second) {
    const float* rows[kMaxTaps];
    for (int32_t j = 0; j < kernelHeight; ++j) {
        rows[j] = Products(top + j, 0);
    }
    // The ring holds one row more than a window, where the next row goes.
    const RowProducts next{
        first, second, width, weights, weightCount, stride, Products(top + kernelHeight, 0)};
    kernels.tapSums(rows, {kernelWidth, kernelHeight, tapOffsets}, width - kernelWidth + 1, scale,
                    out, first != nullptr ? &next : nullptr);
}
