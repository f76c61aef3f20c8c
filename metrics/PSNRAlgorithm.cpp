#include "metrics/PSNRAlgorithm.h"

#include "metrics/MSEKernel.h"

#include <cmath>

std::unique_ptr<CAlgorithm> CPSNRAlgorithm::Create(float newPeakValue) const {
    return std::make_unique<CPSNRAlgorithm>(newPeakValue);
}

float CPSNRAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                              int32_t height) const {
    const float meanSquaredError = ComputeMSE(original, compressed, width, height);
    if (meanSquaredError == 0) {
        return 0;
    }
    // The ratio is deliberately rounded to float before the logarithm: the
    // reported values depend on that rounding to the last bit.
    const float ratio = peakValue * peakValue / meanSquaredError;
    return static_cast<float>(10.0 * std::log10(static_cast<double>(ratio)));
}
