#include "metrics/MSEAlgorithm.h"

#include "metrics/MSEKernel.h"

SquaredErrorTerm MeasureSquaredErrors(const float* original, const float* compressed,
                                      const uint8_t* valid, int32_t width, int32_t height) {
    const ErrorSum errors = SumSquaredErrors(original, compressed, valid, width, height);
    // A tile without any pixel holding data has no value; an unmasked tile
    // always has one, as ComputeMSE gives it.
    if (valid != nullptr && errors.count == 0) {
        return {};
    }
    return SquaredErrorTerm{
        .meanSquaredError = MeanOf(errors),
        .term = AreaTerm{.total = errors.sum, .pixels = static_cast<uint64_t>(errors.count)},
    };
}

std::unique_ptr<CAlgorithm> CMSEAlgorithm::Create(float /*peakValue*/) const {
    return std::make_unique<CMSEAlgorithm>();
}

float CMSEAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                             int32_t height) const {
    return ComputeMSE(original, compressed, width, height);
}

std::optional<float> CMSEAlgorithm::ComputeMasked(const float* original, const float* compressed,
                                                  const uint8_t* valid, int32_t width,
                                                  int32_t height) const {
    return ComputeMaskedMSE(original, compressed, valid, width, height);
}

TileValue CMSEAlgorithm::Measure(const float* original, const float* compressed,
                                 const uint8_t* valid, int32_t width, int32_t height) const {
    const SquaredErrorTerm errors =
        MeasureSquaredErrors(original, compressed, valid, width, height);
    return TileValue{.value = errors.meanSquaredError, .term = errors.term};
}

std::optional<double> CMSEAlgorithm::AreaFigure(const AreaTerm& area) const {
    if (area.pixels == 0) {
        return std::nullopt;
    }
    return area.total / static_cast<double>(area.pixels);
}
