#include "metrics/PSNRAlgorithm.h"

#include "metrics/MSEAlgorithm.h"
#include "metrics/MSEKernel.h"

#include <cmath>
#include <limits>

std::unique_ptr<CAlgorithm> CPSNRAlgorithm::Create(float newPeakValue) const {
    return std::make_unique<CPSNRAlgorithm>(newPeakValue);
}

float CPSNRAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                              int32_t height) const {
    return FromMeanSquaredError(ComputeMSE(original, compressed, width, height));
}

std::optional<float> CPSNRAlgorithm::ComputeMasked(const float* original, const float* compressed,
                                                   const uint8_t* valid, int32_t width,
                                                   int32_t height) const {
    const std::optional<float> meanSquaredError =
        ComputeMaskedMSE(original, compressed, valid, width, height);
    if (!meanSquaredError) {
        return std::nullopt;
    }
    return FromMeanSquaredError(*meanSquaredError);
}

TileValue CPSNRAlgorithm::Measure(const float* original, const float* compressed,
                                  const uint8_t* valid, int32_t width, int32_t height) const {
    const SquaredErrorTerm errors =
        MeasureSquaredErrors(original, compressed, valid, width, height);
    if (!errors.meanSquaredError) {
        return {};
    }
    return TileValue{.value = FromMeanSquaredError(*errors.meanSquaredError), .term = errors.term};
}

// In double throughout: the figure of a whole area is no tile value to
// reproduce, and a perfect copy is infinitely good here.
std::optional<double> CPSNRAlgorithm::AreaFigure(const AreaTerm& area) const {
    if (area.pixels == 0) {
        return std::nullopt;
    }
    const double meanSquaredError = area.total / static_cast<double>(area.pixels);
    if (meanSquaredError == 0.0) {
        return std::numeric_limits<double>::infinity();
    }
    const double peak = peakValue;
    return 10.0 * std::log10(peak * peak / meanSquaredError);
}

float CPSNRAlgorithm::FromMeanSquaredError(float meanSquaredError) const {
    if (meanSquaredError == 0) {
        return 0;
    }
    // The ratio is deliberately rounded to float before the logarithm: the
    // reported values depend on that rounding to the last bit.
    const float ratio = peakValue * peakValue / meanSquaredError;
    return static_cast<float>(10.0 * std::log10(static_cast<double>(ratio)));
}
