#include "metrics/Algorithm.h"

#include "metrics/ValidPixels.h"

std::optional<float> CAlgorithm::ComputeMasked(const float* original, const float* compressed,
                                               const uint8_t* valid, int32_t width,
                                               int32_t height) const {
    if (!AllValid(valid, width, height)) {
        return std::nullopt;
    }
    return Compute(original, compressed, width, height);
}

TileValue CAlgorithm::Measure(const float* original, const float* compressed, const uint8_t* valid,
                              int32_t width, int32_t height) const {
    if (valid == nullptr) {
        return TileValue{.value = Compute(original, compressed, width, height), .term = {}};
    }
    return TileValue{.value = ComputeMasked(original, compressed, valid, width, height),
                     .term = {}};
}

void CAlgorithm::Pool(AreaTerm& area, const AreaTerm& tile) const {
    area.total += tile.total;
    area.pixels += tile.pixels;
}
