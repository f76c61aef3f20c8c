// The vector library compiles this file once per instruction-set target:
// everything between HWY_BEFORE_NAMESPACE and HWY_AFTER_NAMESPACE exists in
// one copy per target, the dispatch below HWY_ONCE only once.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "metrics/RowKernels.cpp"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/highway.h>

#include "metrics/RowKernels.h"

#include <cmath>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace row_kernels {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// Doubles fill whole registers; floats come in as many lanes as doubles, so
// that a float product widens lane by lane into one double register.
using DoubleTag = hn::ScalableTag<double>;
using FloatTag = hn::Rebind<float, DoubleTag>;
using Doubles = hn::Vec<DoubleTag>;
using Floats = hn::Vec<FloatTag>;
using FloatLanes = hn::Mask<FloatTag>;

// Where masked loads and stores cannot touch memory outside their lanes, the
// last partial vector of a row goes through them; elsewhere the last few
// outputs are computed one at a time.
constexpr bool kMaskedTails = HWY_MEM_OPS_MIGHT_FAULT == 0;

// The most vectors of sums a block keeps in registers across all taps.
constexpr int32_t kWidestBlock = 8;

// Loads vector `V` of a block of `Vectors`; the last one holds only the
// lanes of `last` on targets with masked tails.
template <int32_t Vectors, int32_t V>
HWY_INLINE Floats LoadBlockVector(const float* HWY_RESTRICT block, FloatLanes last) {
    const FloatTag df;
    const float* at = block + V * hn::Lanes(df);
    if constexpr (kMaskedTails && V + 1 == Vectors) {
        return hn::MaskedLoad(last, df, at);
    } else {
        return hn::LoadU(df, at);
    }
}

// Adds the widened products of one tap to the sums of vector `V`, when the
// block has that many vectors.
template <int32_t Vectors, int32_t V>
HWY_INLINE void AddTap(const float* HWY_RESTRICT samples, Floats weight, FloatLanes last,
                       Doubles& sum) {
    if constexpr (V < Vectors) {
        const Floats product = hn::Mul(LoadBlockVector<Vectors, V>(samples, last), weight);
        sum = hn::Add(sum, hn::PromoteTo(DoubleTag(), product));
    }
}

template <int32_t Vectors, int32_t V>
HWY_INLINE void StoreSums(Doubles sum, Doubles scale, FloatLanes last, float* out) {
    if constexpr (V < Vectors) {
        const FloatTag df;
        const Floats narrowed = hn::DemoteTo(df, hn::Mul(scale, sum));
        float* at = out + V * hn::Lanes(df);
        if constexpr (kMaskedTails && V + 1 == Vectors) {
            hn::BlendedStore(narrowed, last, df, at);
        } else {
            hn::StoreU(narrowed, df, at);
        }
    }
}

// The sums of `Vectors` vectors of outputs from `start` on, kept in
// registers while every tap passes over them. Scalable vectors cannot form
// arrays, hence the named accumulators.
template <int32_t Vectors>
void SumBlock(const float* const* taps, const float* weights, int32_t tapCount, size_t start,
              size_t lastLanes, double scale, float* out) {
    static_assert(Vectors >= 1 && Vectors <= kWidestBlock);
    const DoubleTag dd;
    const FloatTag df;
    const FloatLanes last = hn::FirstN(df, lastLanes);
    Doubles s0 = hn::Zero(dd), s1 = s0, s2 = s0, s3 = s0, s4 = s0, s5 = s0, s6 = s0, s7 = s0;
    for (int32_t t = 0; t < tapCount; ++t) {
        const float* samples = taps[t] + start;
        const Floats weight = hn::Set(df, weights[t]);
        AddTap<Vectors, 0>(samples, weight, last, s0);
        AddTap<Vectors, 1>(samples, weight, last, s1);
        AddTap<Vectors, 2>(samples, weight, last, s2);
        AddTap<Vectors, 3>(samples, weight, last, s3);
        AddTap<Vectors, 4>(samples, weight, last, s4);
        AddTap<Vectors, 5>(samples, weight, last, s5);
        AddTap<Vectors, 6>(samples, weight, last, s6);
        AddTap<Vectors, 7>(samples, weight, last, s7);
    }
    const Doubles scaleVector = hn::Set(dd, scale);
    float* block = out + start;
    StoreSums<Vectors, 0>(s0, scaleVector, last, block);
    StoreSums<Vectors, 1>(s1, scaleVector, last, block);
    StoreSums<Vectors, 2>(s2, scaleVector, last, block);
    StoreSums<Vectors, 3>(s3, scaleVector, last, block);
    StoreSums<Vectors, 4>(s4, scaleVector, last, block);
    StoreSums<Vectors, 5>(s5, scaleVector, last, block);
    StoreSums<Vectors, 6>(s6, scaleVector, last, block);
    StoreSums<Vectors, 7>(s7, scaleVector, last, block);
}

using SumBlockFunction = void (*)(const float* const*, const float*, int32_t, size_t, size_t,
                                  double, float*);

// Indexed by the number of vectors a block needs.
constexpr SumBlockFunction kSumBlocks[kWidestBlock + 1] = {nullptr,     SumBlock<1>, SumBlock<2>,
                                                           SumBlock<3>, SumBlock<4>, SumBlock<5>,
                                                           SumBlock<6>, SumBlock<7>, SumBlock<8>};

void SumsOneByOne(const float* const* taps, const float* weights, int32_t tapCount, size_t start,
                  size_t count, double scale, float* out) {
    for (size_t x = start; x < count; ++x) {
        double sum = 0;
        for (int32_t t = 0; t < tapCount; ++t) {
            sum += static_cast<double>(taps[t][x] * weights[t]);
        }
        out[x] = static_cast<float>(scale * sum);
    }
}

void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out) {
    const size_t lanes = hn::Lanes(DoubleTag());
    const size_t total = static_cast<size_t>(count > 0 ? count : 0);
    const size_t widest = kWidestBlock * lanes;
    size_t start = 0;
    for (; start + widest <= total; start += widest) {
        SumBlock<kWidestBlock>(taps, weights, tapCount, start, lanes, scale, out);
    }
    const size_t rest = total - start;
    if constexpr (kMaskedTails) {
        if (rest > 0) {
            const size_t vectors = (rest + lanes - 1) / lanes;
            kSumBlocks[vectors](taps, weights, tapCount, start, rest - (vectors - 1) * lanes, scale,
                                out);
        }
    } else {
        const size_t vectors = rest / lanes;
        if (vectors > 0) {
            kSumBlocks[vectors](taps, weights, tapCount, start, lanes, scale, out);
        }
        SumsOneByOne(taps, weights, tapCount, start + vectors * lanes, total, scale, out);
    }
}

// Rounding can leave a variance slightly below 0; it counts as 0.
HWY_INLINE Floats NonNegative(Floats variance) {
    return hn::IfThenZeroElse(hn::Lt(variance, hn::Zero(FloatTag())), variance);
}

HWY_INLINE Doubles Widen(Floats value) {
    return hn::PromoteTo(DoubleTag(), value);
}

// Equality with 0 survives widening; the test is made on doubles, where the
// masks are needed.
HWY_INLINE hn::Mask<DoubleTag> IsZero(Doubles value) {
    return hn::Eq(value, hn::Zero(DoubleTag()));
}

template <bool Partial> HWY_INLINE Floats LoadTermInput(const float* at, FloatLanes lanes) {
    if constexpr (Partial) {
        return hn::MaskedLoad(lanes, FloatTag(), at);
    } else {
        return hn::LoadU(FloatTag(), at);
    }
}

template <bool Partial>
HWY_INLINE void StoreTerm(Doubles term, hn::Mask<DoubleTag> lanes, double* at) {
    if constexpr (Partial) {
        hn::BlendedStore(term, lanes, DoubleTag(), at);
    } else {
        hn::StoreU(term, DoubleTag(), at);
    }
}

// The terms of one vector of positions from `x` on; a partial vector covers
// only its first `count` lanes.
template <bool Partial>
void TermsVector(const float* meanA, const float* meanB, const float* filteredAA,
                 const float* filteredBB, const float* filteredAB, size_t x, size_t count,
                 const SSIMConstants& constants, double* luminance, double* contrast,
                 double* structure) {
    const DoubleTag dd;
    const FloatTag df;
    const FloatLanes lanes = hn::FirstN(df, count);
    const Doubles one = hn::Set(dd, 1.0);

    const Floats muA = LoadTermInput<Partial>(meanA + x, lanes);
    const Floats muB = LoadTermInput<Partial>(meanB + x, lanes);
    const Floats muA2 = hn::Mul(muA, muA);
    const Floats muB2 = hn::Mul(muB, muB);
    const Floats varianceA =
        NonNegative(hn::Sub(LoadTermInput<Partial>(filteredAA + x, lanes), muA2));
    const Floats varianceB =
        NonNegative(hn::Sub(LoadTermInput<Partial>(filteredBB + x, lanes), muB2));
    const Floats covariance =
        hn::Sub(LoadTermInput<Partial>(filteredAB + x, lanes), hn::Mul(muA, muB));
    const Doubles deviations = hn::Sqrt(Widen(hn::Mul(varianceA, varianceB)));

    const Doubles luminanceNumerator =
        hn::Add(hn::Mul(hn::Mul(hn::Set(dd, 2.0), Widen(muA)), Widen(muB)),
                hn::Set(dd, static_cast<double>(constants.c1)));
    const Floats luminanceDenominator = hn::Add(hn::Add(muA2, muB2), hn::Set(df, constants.c1));
    Doubles l = hn::Div(luminanceNumerator, Widen(luminanceDenominator));
    if (constants.c1 == 0) {
        l = hn::IfThenElse(hn::And(IsZero(Widen(muA2)), IsZero(Widen(muB2))), one, l);
    }

    const Floats varianceSum = hn::Add(varianceA, varianceB);
    Doubles c = hn::Div(
        hn::Add(hn::Add(deviations, deviations), hn::Set(dd, static_cast<double>(constants.c2))),
        Widen(hn::Add(varianceSum, hn::Set(df, constants.c2))));
    if (constants.c2 == 0) {
        c = hn::IfThenElse(IsZero(Widen(varianceSum)), one, c);
    }

    Doubles s = hn::Div(Widen(hn::Add(covariance, hn::Set(df, constants.c3))),
                        hn::Add(hn::Set(dd, static_cast<double>(constants.c3)), deviations));
    if (constants.c3 == 0) {
        const auto flatA = IsZero(Widen(varianceA));
        const auto flatB = IsZero(Widen(varianceB));
        const auto special = hn::And(IsZero(deviations), hn::Or(flatA, flatB));
        s = hn::IfThenElse(special, hn::IfThenElseZero(hn::And(flatA, flatB), one), s);
    }

    const auto outputs = hn::FirstN(dd, count);
    StoreTerm<Partial>(l, outputs, luminance + x);
    StoreTerm<Partial>(c, outputs, contrast + x);
    StoreTerm<Partial>(s, outputs, structure + x);
}

void TermsOneByOne(const float* meanA, const float* meanB, const float* filteredAA,
                   const float* filteredBB, const float* filteredAB, size_t start, size_t count,
                   const SSIMConstants& constants, double* luminance, double* contrast,
                   double* structure) {
    const float c1 = constants.c1;
    const float c2 = constants.c2;
    const float c3 = constants.c3;
    for (size_t x = start; x < count; ++x) {
        const float muA = meanA[x];
        const float muB = meanB[x];
        const float muA2 = muA * muA;
        const float muB2 = muB * muB;
        const float varianceA = filteredAA[x] - muA2 < 0 ? 0.0f : filteredAA[x] - muA2;
        const float varianceB = filteredBB[x] - muB2 < 0 ? 0.0f : filteredBB[x] - muB2;
        const float covariance = filteredAB[x] - muA * muB;
        const double deviations = std::sqrt(static_cast<double>(varianceA * varianceB));

        if (c1 == 0 && muA2 == 0 && muB2 == 0) {
            luminance[x] = 1.0;
        } else {
            const double numerator = 2.0 * static_cast<double>(muA) * muB + c1;
            luminance[x] = numerator / static_cast<double>(muA2 + muB2 + c1);
        }

        const float varianceSum = varianceA + varianceB;
        if (c2 == 0 && varianceSum == 0) {
            contrast[x] = 1.0;
        } else {
            contrast[x] = (deviations + deviations + c2) / static_cast<double>(varianceSum + c2);
        }

        const bool flatA = varianceA == 0;
        const bool flatB = varianceB == 0;
        if (c3 == 0 && deviations == 0 && (flatA || flatB)) {
            structure[x] = flatA && flatB ? 1.0 : 0.0;
        } else {
            structure[x] = static_cast<double>(covariance + c3) / (c3 + deviations);
        }
    }
}

void SSIMTermsRow(const float* meanA, const float* meanB, const float* filteredAA,
                  const float* filteredBB, const float* filteredAB, int32_t count,
                  const SSIMConstants& constants, double* luminance, double* contrast,
                  double* structure) {
    const size_t lanes = hn::Lanes(DoubleTag());
    const size_t total = static_cast<size_t>(count > 0 ? count : 0);
    size_t x = 0;
    for (; x + lanes <= total; x += lanes) {
        TermsVector<false>(meanA, meanB, filteredAA, filteredBB, filteredAB, x, lanes, constants,
                           luminance, contrast, structure);
    }
    if (x == total) {
        return;
    }
    if constexpr (kMaskedTails) {
        TermsVector<true>(meanA, meanB, filteredAA, filteredBB, filteredAB, x, total - x, constants,
                          luminance, contrast, structure);
    } else {
        TermsOneByOne(meanA, meanB, filteredAA, filteredBB, filteredAB, x, total, constants,
                      luminance, contrast, structure);
    }
}

} // namespace HWY_NAMESPACE
} // namespace row_kernels
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace row_kernels {

HWY_EXPORT(WeightedRowSums);
HWY_EXPORT(SSIMTermsRow);

} // namespace row_kernels

RowKernels RowKernelsAt(size_t index) {
    return {HWY_DISPATCH_TABLE(row_kernels::WeightedRowSums)[index],
            HWY_DISPATCH_TABLE(row_kernels::SSIMTermsRow)[index], ProductKernelsAt(index)};
}

#endif // HWY_ONCE
