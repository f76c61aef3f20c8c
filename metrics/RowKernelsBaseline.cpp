#include "metrics/RowKernels.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounding can leave a variance slightly below 0; it counts as 0.
float NonNegative(float variance) {
    return variance < 0 ? 0.0f : variance;
}

} // namespace

namespace baseline_kernels {

void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out) {
    // A block of accumulators small enough to stay in registers while every
    // tap passes over it.
    constexpr int32_t kBlock = 16;
    for (int32_t start = 0; start < count; start += kBlock) {
        const int32_t length = std::min(kBlock, count - start);
        double sums[kBlock] = {};
        for (int32_t t = 0; t < tapCount; ++t) {
            const float* samples = taps[t] + start;
            const float weight = weights[t];
            for (int32_t x = 0; x < length; ++x) {
                sums[x] += static_cast<double>(samples[x] * weight);
            }
        }
        for (int32_t x = 0; x < length; ++x) {
            out[start + x] = static_cast<float>(scale * sums[x]);
        }
    }
}

void SSIMTermsRow(const float* meanA, const float* meanB, const float* filteredAA,
                  const float* filteredBB, const float* filteredAB, int32_t count,
                  const SSIMConstants& constants, double* luminance, double* contrast,
                  double* structure) {
    const float c1 = constants.c1;
    const float c2 = constants.c2;
    const float c3 = constants.c3;
    for (int32_t x = 0; x < count; ++x) {
        const float muA = meanA[x];
        const float muB = meanB[x];
        const float muA2 = muA * muA;
        const float muB2 = muB * muB;
        const float varianceA = NonNegative(filteredAA[x] - muA2);
        const float varianceB = NonNegative(filteredBB[x] - muB2);
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

} // namespace baseline_kernels
