#pragma once

#include "metrics/Algorithm.h"

// "mse": the mean squared error of the tile.
class CMSEAlgorithm : public CAlgorithm {
public:
    const char* GetName() const override { return "mse"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;
    float Compute(const float* original, const float* compressed, int32_t width,
                  int32_t height) const override;
    std::optional<float> ComputeMasked(const float* original, const float* compressed,
                                       const uint8_t* valid, int32_t width,
                                       int32_t height) const override;
};
