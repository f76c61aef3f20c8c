// Compiled once per instruction-set target, like RowKernels.cpp.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "metrics/ProductRows.cpp"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/highway.h>

#include "metrics/ProductRows.h"

#include <cstdint>
#include <cstring>

HWY_BEFORE_NAMESPACE();
namespace product_rows {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Floats come in as many lanes as doubles, so that a float product widens
// lane by lane into one double register.
using DoubleTag = hn::ScalableTag<double>;
using FloatTag = hn::Rebind<float, DoubleTag>;
using Doubles = hn::Vec<DoubleTag>;
using Floats = hn::Vec<FloatTag>;

// The most vectors of sums a block keeps in registers across all taps:
// enough independent additions to hide their latency.
constexpr int32_t kWidestBlock = 8;

size_t ProductLanes() {
    return hn::Lanes(DoubleTag());
}

template <bool TwoImages>
void ProductRowOf(const float* HWY_RESTRICT first, const float* HWY_RESTRICT second, int32_t count,
                  const float* weights, int32_t weightCount, size_t stride,
                  float* HWY_RESTRICT out) {
    // Products need no widening here, so they fill whole float registers.
    const hn::ScalableTag<float> df;
    const size_t lanes = hn::Lanes(df);
    const size_t total = static_cast<size_t>(count > 0 ? count : 0);
    size_t c = 0;
    for (; c + lanes <= total; c += lanes) {
        auto samples = hn::LoadU(df, first + c);
        if constexpr (TwoImages) {
            samples = hn::Mul(samples, hn::LoadU(df, second + c));
        }
        float* column = out + c;
        for (int32_t k = 0; k < weightCount; ++k, column += stride) {
            hn::StoreU(hn::Mul(samples, hn::Set(df, weights[k])), df, column);
        }
    }
    for (; c < total; ++c) {
        const float sample = TwoImages ? first[c] * second[c] : first[c];
        for (int32_t k = 0; k < weightCount; ++k) {
            out[static_cast<size_t>(k) * stride + c] = sample * weights[k];
        }
    }
}

void ProductRow(const float* first, const float* second, int32_t count, const float* weights,
                int32_t weightCount, size_t stride, float* out) {
    if (second != nullptr) {
        ProductRowOf<true>(first, second, count, weights, weightCount, stride, out);
    } else {
        ProductRowOf<false>(first, nullptr, count, weights, weightCount, stride, out);
    }
}

// Adds tap products `tap` at vector `V` of the block to its sum, when the
// block has that many vectors.
template <int32_t Vectors, int32_t V>
HWY_INLINE void AddTap(const float* HWY_RESTRICT tap, Doubles& sum) {
    if constexpr (V < Vectors) {
        const FloatTag df;
        sum = hn::Add(sum, hn::PromoteTo(DoubleTag(), hn::LoadU(df, tap + V * hn::Lanes(df))));
    }
}

// Stores vector `V` of a block whose outputs end `remaining` lanes after the
// block's start; a vector reaching past them goes through a buffer.
template <int32_t Vectors, int32_t V>
HWY_INLINE void StoreSums(Doubles sum, Doubles scale, size_t remaining, float* out) {
    if constexpr (V < Vectors) {
        const FloatTag df;
        const size_t lanes = hn::Lanes(df);
        const size_t offset = V * lanes;
        const Floats narrowed = hn::DemoteTo(df, hn::Mul(scale, sum));
        if (remaining >= offset + lanes) {
            hn::StoreU(narrowed, df, out + offset);
        } else if (remaining > offset) {
            HWY_ALIGN float buffer[hn::MaxLanes(FloatTag())];
            hn::Store(narrowed, df, buffer);
            std::memcpy(out + offset, buffer, (remaining - offset) * sizeof(float));
        }
    }
}

// The sums of `Vectors` vectors of outputs from `start` on (`remaining` of
// them wanted), kept in registers while every tap passes over them.
// Scalable vectors cannot form arrays, hence the named accumulators.
template <int32_t Vectors>
void SumBlock(const float* const* rows, const TapLayout& layout, size_t start, size_t remaining,
              double scale, float* out) {
    static_assert(Vectors >= 1 && Vectors <= kWidestBlock);
    const DoubleTag dd;
    Doubles s0 = hn::Zero(dd), s1 = s0, s2 = s0, s3 = s0, s4 = s0, s5 = s0, s6 = s0, s7 = s0;
    const size_t* offset = layout.offsets;
    for (int32_t j = 0; j < layout.height; ++j) {
        const float* row = rows[j] + start;
        for (int32_t i = 0; i < layout.width; ++i, ++offset) {
            const float* tap = row + *offset;
            AddTap<Vectors, 0>(tap, s0);
            AddTap<Vectors, 1>(tap, s1);
            AddTap<Vectors, 2>(tap, s2);
            AddTap<Vectors, 3>(tap, s3);
            AddTap<Vectors, 4>(tap, s4);
            AddTap<Vectors, 5>(tap, s5);
            AddTap<Vectors, 6>(tap, s6);
            AddTap<Vectors, 7>(tap, s7);
        }
    }
    const Doubles scaleVector = hn::Set(dd, scale);
    float* block = out + start;
    StoreSums<Vectors, 0>(s0, scaleVector, remaining, block);
    StoreSums<Vectors, 1>(s1, scaleVector, remaining, block);
    StoreSums<Vectors, 2>(s2, scaleVector, remaining, block);
    StoreSums<Vectors, 3>(s3, scaleVector, remaining, block);
    StoreSums<Vectors, 4>(s4, scaleVector, remaining, block);
    StoreSums<Vectors, 5>(s5, scaleVector, remaining, block);
    StoreSums<Vectors, 6>(s6, scaleVector, remaining, block);
    StoreSums<Vectors, 7>(s7, scaleVector, remaining, block);
}

using SumBlockFunction = void (*)(const float* const*, const TapLayout&, size_t, size_t, double,
                                  float*);

// Indexed by the number of vectors a block needs.
constexpr SumBlockFunction kSumBlocks[kWidestBlock + 1] = {nullptr,     SumBlock<1>, SumBlock<2>,
                                                           SumBlock<3>, SumBlock<4>, SumBlock<5>,
                                                           SumBlock<6>, SumBlock<7>, SumBlock<8>};

// Columns [begin, end) of the products `next` describes.
void MakeProducts(const RowProducts& next, size_t begin, size_t end) {
    ProductRow(next.first + begin, next.second != nullptr ? next.second + begin : nullptr,
               static_cast<int32_t>(end - begin), next.weights, next.weightCount, next.stride,
               next.out + begin);
}

void TapSums(const float* const* rows, const TapLayout& layout, int32_t count, double scale,
             float* out, const RowProducts* next) {
    const size_t lanes = hn::Lanes(DoubleTag());
    const size_t total = static_cast<size_t>(count > 0 ? count : 0);
    const size_t widest = kWidestBlock * lanes;
    // Shares of whole float vectors, which keep the products' stores on the
    // alignment of their row.
    const size_t floatLanes = hn::Lanes(hn::ScalableTag<float>());
    const size_t toMake = next != nullptr ? static_cast<size_t>(next->count) : 0;
    const size_t blocks = (total + widest - 1) / widest;
    const size_t share =
        blocks > 0 ? (toMake + blocks * floatLanes - 1) / (blocks * floatLanes) * floatLanes : 0;
    size_t made = 0;
    for (size_t start = 0; start < total; start += widest) {
        const size_t remaining = total - start;
        const size_t vectors = remaining >= widest ? kWidestBlock : (remaining + lanes - 1) / lanes;
        kSumBlocks[vectors](rows, layout, start, remaining, scale, out);
        if (made < toMake) {
            const size_t end = made + share < toMake ? made + share : toMake;
            MakeProducts(*next, made, end);
            made = end;
        }
    }
    if (made < toMake) {
        MakeProducts(*next, made, toMake);
    }
}

} // namespace HWY_NAMESPACE
} // namespace product_rows
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace product_rows {

HWY_EXPORT(ProductRow);
HWY_EXPORT(TapSums);
HWY_EXPORT(ProductLanes);

} // namespace product_rows

ProductKernels ProductKernelsAt(size_t index) {
    return {HWY_DISPATCH_TABLE(product_rows::ProductRow)[index],
            HWY_DISPATCH_TABLE(product_rows::TapSums)[index],
            HWY_DISPATCH_TABLE(product_rows::ProductLanes)[index]};
}

#endif // HWY_ONCE
