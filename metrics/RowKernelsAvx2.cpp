// Compiled with AVX2 flags: only intrinsics and internal helpers live here,
// so that no instruction of this file can end up in code shared with
// processors that lack them.
#include "metrics/RowKernels.h"

#include <immintrin.h>

namespace {

constexpr int32_t kLanes = 4; // doubles per register

// Lanes below `count` selected (sign bit set), as masked loads and stores want.
__m128i LeadingLanes(int32_t count) {
    return _mm_cmpgt_epi32(_mm_set1_epi32(count), _mm_setr_epi32(0, 1, 2, 3));
}

// Sums for Vectors x 4 outputs from `start` on, kept in registers across all
// taps; the last register holds only the lanes of `lastLanes`.
template <int32_t Vectors>
void SumBlock(const float* const* taps, const float* weights, int32_t tapCount, int32_t start,
              __m128i lastLanes, __m256d scale, float* out) {
    __m256d sums[Vectors];
    for (__m256d& sum : sums) {
        sum = _mm256_setzero_pd();
    }
    for (int32_t t = 0; t < tapCount; ++t) {
        const float* samples = taps[t] + start;
        const __m128 weight = _mm_set1_ps(weights[t]);
        for (int32_t v = 0; v + 1 < Vectors; ++v) {
            const __m128 product = _mm_mul_ps(_mm_loadu_ps(samples + kLanes * v), weight);
            sums[v] = _mm256_add_pd(sums[v], _mm256_cvtps_pd(product));
        }
        const __m128 last = _mm_maskload_ps(samples + kLanes * (Vectors - 1), lastLanes);
        sums[Vectors - 1] =
            _mm256_add_pd(sums[Vectors - 1], _mm256_cvtps_pd(_mm_mul_ps(last, weight)));
    }
    for (int32_t v = 0; v + 1 < Vectors; ++v) {
        _mm_storeu_ps(out + start + kLanes * v, _mm256_cvtpd_ps(_mm256_mul_pd(scale, sums[v])));
    }
    _mm_maskstore_ps(out + start + kLanes * (Vectors - 1), lastLanes,
                     _mm256_cvtpd_ps(_mm256_mul_pd(scale, sums[Vectors - 1])));
}

using SumBlockFunction = void (*)(const float* const*, const float*, int32_t, int32_t, __m128i,
                                  __m256d, float*);

// Indexed by the number of registers a block needs.
constexpr SumBlockFunction kSumBlocks[] = {nullptr,     SumBlock<1>, SumBlock<2>,
                                           SumBlock<3>, SumBlock<4>, SumBlock<5>,
                                           SumBlock<6>, SumBlock<7>, SumBlock<8>};
constexpr int32_t kWidestBlock = 8 * kLanes;

__m256d Widen(__m128 value) {
    return _mm256_cvtps_pd(value);
}

// Equality with 0 survives widening, so the test is made on doubles, where
// the masks are needed.
__m256d IsZero(__m256d value) {
    return _mm256_cmp_pd(value, _mm256_setzero_pd(), _CMP_EQ_OQ);
}

// Rounding can leave a variance slightly below 0; it counts as 0.
__m128 NonNegative(__m128 variance) {
    const __m128 negative = _mm_cmp_ps(variance, _mm_setzero_ps(), _CMP_LT_OQ);
    return _mm_andnot_ps(negative, variance);
}

} // namespace

namespace avx2_kernels {

void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out) {
    const __m256d scaleVector = _mm256_set1_pd(scale);
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
    const __m128 c1 = _mm_set1_ps(constants.c1);
    const __m128 c2 = _mm_set1_ps(constants.c2);
    const __m128 c3 = _mm_set1_ps(constants.c3);
    const __m256d c1Wide = _mm256_set1_pd(constants.c1);
    const __m256d c2Wide = _mm256_set1_pd(constants.c2);
    const __m256d c3Wide = _mm256_set1_pd(constants.c3);
    const __m256d zero = _mm256_setzero_pd();
    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d two = _mm256_set1_pd(2.0);

    int32_t x = 0;
    for (; x + kLanes <= count; x += kLanes) {
        const __m128 muA = _mm_loadu_ps(meanA + x);
        const __m128 muB = _mm_loadu_ps(meanB + x);
        const __m128 muA2 = _mm_mul_ps(muA, muA);
        const __m128 muB2 = _mm_mul_ps(muB, muB);
        const __m128 varianceA = NonNegative(_mm_sub_ps(_mm_loadu_ps(filteredAA + x), muA2));
        const __m128 varianceB = NonNegative(_mm_sub_ps(_mm_loadu_ps(filteredBB + x), muB2));
        const __m128 covariance = _mm_sub_ps(_mm_loadu_ps(filteredAB + x), _mm_mul_ps(muA, muB));
        const __m256d deviations = _mm256_sqrt_pd(Widen(_mm_mul_ps(varianceA, varianceB)));

        const __m256d luminanceNumerator =
            _mm256_add_pd(_mm256_mul_pd(_mm256_mul_pd(two, Widen(muA)), Widen(muB)), c1Wide);
        __m256d l =
            _mm256_div_pd(luminanceNumerator, Widen(_mm_add_ps(_mm_add_ps(muA2, muB2), c1)));
        if (constants.c1 == 0) {
            l = _mm256_blendv_pd(l, one, _mm256_and_pd(IsZero(Widen(muA2)), IsZero(Widen(muB2))));
        }

        const __m128 varianceSum = _mm_add_ps(varianceA, varianceB);
        __m256d c = _mm256_div_pd(_mm256_add_pd(_mm256_add_pd(deviations, deviations), c2Wide),
                                  Widen(_mm_add_ps(varianceSum, c2)));
        if (constants.c2 == 0) {
            c = _mm256_blendv_pd(c, one, IsZero(Widen(varianceSum)));
        }

        __m256d s =
            _mm256_div_pd(Widen(_mm_add_ps(covariance, c3)), _mm256_add_pd(c3Wide, deviations));
        if (constants.c3 == 0) {
            const __m256d noDeviation = IsZero(deviations);
            const __m256d flatA = IsZero(Widen(varianceA));
            const __m256d flatB = IsZero(Widen(varianceB));
            s = _mm256_blendv_pd(s, one, _mm256_and_pd(noDeviation, _mm256_and_pd(flatA, flatB)));
            s = _mm256_blendv_pd(s, zero, _mm256_and_pd(noDeviation, _mm256_xor_pd(flatA, flatB)));
        }

        _mm256_storeu_pd(luminance + x, l);
        _mm256_storeu_pd(contrast + x, c);
        _mm256_storeu_pd(structure + x, s);
    }
    // Fewer than four positions remain: the plain loop gives the same numbers.
    baseline_kernels::SSIMTermsRow(meanA + x, meanB + x, filteredAA + x, filteredBB + x,
                                   filteredAB + x, count - x, constants, luminance + x,
                                   contrast + x, structure + x);
}

} // namespace avx2_kernels
