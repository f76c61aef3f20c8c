#include "metrics/ErrorAlgorithms.h"

#include "metrics/ErrorKernels.h"
#include "metrics/MSEKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

float CPixelErrorAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                                    int32_t height) const {
    return Measure(original, compressed, nullptr, width, height)
        .value.value_or(std::numeric_limits<float>::quiet_NaN());
}

std::optional<float> CPixelErrorAlgorithm::ComputeMasked(const float* original,
                                                         const float* compressed,
                                                         const uint8_t* valid, int32_t width,
                                                         int32_t height) const {
    return Measure(original, compressed, valid, width, height).value;
}

TileValue CPixelErrorAlgorithm::Measure(const float* original, const float* compressed,
                                        const uint8_t* valid, int32_t width, int32_t height) const {
    const ErrorSum errors = Sum(original, compressed, valid, width, height);
    if (errors.count == 0) {
        return {};
    }
    return TileValue{
        .value = TileFigure(errors),
        .term = AreaTerm{.total = errors.sum, .pixels = static_cast<uint64_t>(errors.count)},
    };
}

std::optional<double> CPixelErrorAlgorithm::AreaFigure(const AreaTerm& area) const {
    if (area.pixels == 0) {
        return std::nullopt;
    }
    return Figure(area);
}

float CPixelErrorAlgorithm::TileFigure(const ErrorSum& errors) const {
    return MeanOf(errors);
}

double CPixelErrorAlgorithm::Figure(const AreaTerm& area) const {
    return area.total / static_cast<double>(area.pixels);
}

std::unique_ptr<CAlgorithm> CPAEAlgorithm::Create(float /*peakValue*/) const {
    return std::make_unique<CPAEAlgorithm>();
}

void CPAEAlgorithm::Pool(AreaTerm& area, const AreaTerm& tile) const {
    area.total =
        area.pixels == 0 || std::isnan(tile.total) ? tile.total : std::max(area.total, tile.total);
    area.pixels += tile.pixels;
}

ErrorSum CPAEAlgorithm::Sum(const float* original, const float* compressed, const uint8_t* valid,
                            int32_t width, int32_t height) const {
    return LargestAbsoluteError(original, compressed, valid, width, height);
}

float CPAEAlgorithm::TileFigure(const ErrorSum& errors) const {
    return static_cast<float>(errors.sum);
}

std::unique_ptr<CAlgorithm> CMAEAlgorithm::Create(float /*peakValue*/) const {
    return std::make_unique<CMAEAlgorithm>();
}

ErrorSum CMAEAlgorithm::Sum(const float* original, const float* compressed, const uint8_t* valid,
                            int32_t width, int32_t height) const {
    return SumAbsoluteErrors(original, compressed, valid, width, height);
}

std::unique_ptr<CAlgorithm> CRMSEAlgorithm::Create(float /*peakValue*/) const {
    return std::make_unique<CRMSEAlgorithm>();
}

ErrorSum CRMSEAlgorithm::Sum(const float* original, const float* compressed, const uint8_t* valid,
                             int32_t width, int32_t height) const {
    return SumSquaredErrors(original, compressed, valid, width, height);
}

float CRMSEAlgorithm::TileFigure(const ErrorSum& errors) const {
    return static_cast<float>(std::sqrt(errors.sum / static_cast<double>(errors.count)));
}

double CRMSEAlgorithm::Figure(const AreaTerm& area) const {
    return std::sqrt(area.total / static_cast<double>(area.pixels));
}

std::unique_ptr<CAlgorithm> CBiasAlgorithm::Create(float /*peakValue*/) const {
    return std::make_unique<CBiasAlgorithm>();
}

ErrorSum CBiasAlgorithm::Sum(const float* original, const float* compressed, const uint8_t* valid,
                             int32_t width, int32_t height) const {
    return SumSignedErrors(original, compressed, valid, width, height);
}
