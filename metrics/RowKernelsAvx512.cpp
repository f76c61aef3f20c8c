// Compiled with AVX-512 flags: only intrinsics and internal helpers live
// here, so that no instruction of this file can end up in code shared with
// processors that lack them.
#include "metrics/RowKernels.h"

#include <immintrin.h>

namespace {

constexpr int32_t kLanes = 8; // doubles per register
constexpr __mmask8 kAllLanes = 0xFF;

__mmask8 LeadingLanes(int32_t count) {
    return count >= kLanes ? kAllLanes : static_cast<__mmask8>((1u << count) - 1);
}

// The masked forms with all lanes set give the plain instructions; the
// unmasked intrinsics trip GCC's uninitialised-value warning on their
// internal placeholder operand.
__m512d Widen(__m256 value) {
    return _mm512_maskz_cvtps_pd(kAllLanes, value);
}
__m256 Narrow(__m512d value) {
    return _mm512_maskz_cvtpd_ps(kAllLanes, value);
}
__m512d SquareRoot(__m512d value) {
    return _mm512_maskz_sqrt_pd(kAllLanes, value);
}

// Sums for Vectors x 8 outputs from `start` on, kept in registers across all
// taps; the last register holds only the lanes of `lastLanes`.
template <int32_t Vectors>
void SumBlock(const float* const* taps, const float* weights, int32_t tapCount, int32_t start,
              __mmask8 lastLanes, __m512d scale, float* out) {
    __m512d sums[Vectors];
    for (__m512d& sum : sums) {
        sum = _mm512_setzero_pd();
    }
    for (int32_t t = 0; t < tapCount; ++t) {
        const float* samples = taps[t] + start;
        const __m256 weight = _mm256_set1_ps(weights[t]);
        for (int32_t v = 0; v + 1 < Vectors; ++v) {
            const __m256 product = _mm256_mul_ps(_mm256_loadu_ps(samples + kLanes * v), weight);
            sums[v] = _mm512_add_pd(sums[v], Widen(product));
        }
        const __m256 last = _mm256_maskz_loadu_ps(lastLanes, samples + kLanes * (Vectors - 1));
        sums[Vectors - 1] = _mm512_add_pd(sums[Vectors - 1], Widen(_mm256_mul_ps(last, weight)));
    }
    for (int32_t v = 0; v < Vectors; ++v) {
        const __mmask8 lanes = v + 1 < Vectors ? kAllLanes : lastLanes;
        _mm256_mask_storeu_ps(out + start + kLanes * v, lanes,
                              Narrow(_mm512_mul_pd(scale, sums[v])));
    }
}

using SumBlockFunction = void (*)(const float* const*, const float*, int32_t, int32_t, __mmask8,
                                  __m512d, float*);

// Indexed by the number of registers a block needs.
constexpr SumBlockFunction kSumBlocks[] = {nullptr,     SumBlock<1>, SumBlock<2>,
                                           SumBlock<3>, SumBlock<4>, SumBlock<5>,
                                           SumBlock<6>, SumBlock<7>, SumBlock<8>};
constexpr int32_t kWidestBlock = 8 * kLanes;

__mmask8 IsZero(__m256 value) {
    return _mm256_cmp_ps_mask(value, _mm256_setzero_ps(), _CMP_EQ_OQ);
}

// Rounding can leave a variance slightly below 0; it counts as 0.
__m256 NonNegative(__m256 variance) {
    const __mmask8 negative = _mm256_cmp_ps_mask(variance, _mm256_setzero_ps(), _CMP_LT_OQ);
    return _mm256_mask_mov_ps(variance, negative, _mm256_setzero_ps());
}

} // namespace

namespace avx512_kernels {

void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out) {
    const __m512d scaleVector = _mm512_set1_pd(scale);
    int32_t start = 0;
    for (; start + kWidestBlock <= count; start += kWidestBlock) {
        SumBlock<8>(taps, weights, tapCount, start, LeadingLanes(kLanes), scaleVector, out);
    }
    const int32_t rest = count - start;
    if (rest > 0) {
        const int32_t vectors = (rest + kLanes - 1) / kLanes;
        kSumBlocks[vectors](taps, weights, tapCount, start,
                            LeadingLanes(rest - (vectors - 1) * kLanes), scaleVector, out);
    }
}

void SSIMTermsRow(const float* meanA, const float* meanB, const float* filteredAA,
                  const float* filteredBB, const float* filteredAB, int32_t count,
                  const SSIMConstants& constants, double* luminance, double* contrast,
                  double* structure) {
    const __m256 c1 = _mm256_set1_ps(constants.c1);
    const __m256 c2 = _mm256_set1_ps(constants.c2);
    const __m256 c3 = _mm256_set1_ps(constants.c3);
    const __m512d c1Wide = _mm512_set1_pd(constants.c1);
    const __m512d c2Wide = _mm512_set1_pd(constants.c2);
    const __m512d c3Wide = _mm512_set1_pd(constants.c3);
    const __m512d zero = _mm512_setzero_pd();
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d two = _mm512_set1_pd(2.0);

    for (int32_t x = 0; x < count; x += kLanes) {
        const __mmask8 lanes = LeadingLanes(count - x);
        const __m256 muA = _mm256_maskz_loadu_ps(lanes, meanA + x);
        const __m256 muB = _mm256_maskz_loadu_ps(lanes, meanB + x);
        const __m256 muA2 = _mm256_mul_ps(muA, muA);
        const __m256 muB2 = _mm256_mul_ps(muB, muB);
        const __m256 varianceA =
            NonNegative(_mm256_sub_ps(_mm256_maskz_loadu_ps(lanes, filteredAA + x), muA2));
        const __m256 varianceB =
            NonNegative(_mm256_sub_ps(_mm256_maskz_loadu_ps(lanes, filteredBB + x), muB2));
        const __m256 covariance =
            _mm256_sub_ps(_mm256_maskz_loadu_ps(lanes, filteredAB + x), _mm256_mul_ps(muA, muB));
        const __m512d deviations = SquareRoot(Widen(_mm256_mul_ps(varianceA, varianceB)));

        const __m512d luminanceNumerator =
            _mm512_add_pd(_mm512_mul_pd(_mm512_mul_pd(two, Widen(muA)), Widen(muB)), c1Wide);
        const __m512d luminanceDenominator = Widen(_mm256_add_ps(_mm256_add_ps(muA2, muB2), c1));
        __m512d l = _mm512_div_pd(luminanceNumerator, luminanceDenominator);
        if (constants.c1 == 0) {
            l = _mm512_mask_mov_pd(l, IsZero(muA2) & IsZero(muB2), one);
        }

        const __m256 varianceSum = _mm256_add_ps(varianceA, varianceB);
        __m512d c = _mm512_div_pd(_mm512_add_pd(_mm512_add_pd(deviations, deviations), c2Wide),
                                  Widen(_mm256_add_ps(varianceSum, c2)));
        if (constants.c2 == 0) {
            c = _mm512_mask_mov_pd(c, IsZero(varianceSum), one);
        }

        __m512d s =
            _mm512_div_pd(Widen(_mm256_add_ps(covariance, c3)), _mm512_add_pd(c3Wide, deviations));
        if (constants.c3 == 0) {
            const __mmask8 noDeviation = _mm512_cmp_pd_mask(deviations, zero, _CMP_EQ_OQ);
            const __mmask8 flatA = IsZero(varianceA);
            const __mmask8 flatB = IsZero(varianceB);
            s = _mm512_mask_mov_pd(s, noDeviation & flatA & flatB, one);
            s = _mm512_mask_mov_pd(s, noDeviation & (flatA ^ flatB), zero);
        }

        _mm512_mask_storeu_pd(luminance + x, lanes, l);
        _mm512_mask_storeu_pd(contrast + x, lanes, c);
        _mm512_mask_storeu_pd(structure + x, lanes, s);
    }
}

} // namespace avx512_kernels
