#pragma once

#include "metrics/Algorithm.h"

// "mse": the mean squared error of the tile; over the whole area, the mean
// of every visited pixel's squared error.
class CMSEAlgorithm : public CAlgorithm {
public:
    const char* GetName() const override { return "mse"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;
    float Compute(const float* original, const float* compressed, int32_t width,
                  int32_t height) const override;
    std::optional<float> ComputeMasked(const float* original, const float* compressed,
                                       const uint8_t* valid, int32_t width,
                                       int32_t height) const override;
    TileValue Measure(const float* original, const float* compressed, const uint8_t* valid,
                      int32_t width, int32_t height) const override;
    std::optional<double> AreaFigure(const AreaTerm& area) const override;
};

// The tile's squared errors as MSE and PSNR measure them: no value without a
// pixel, and the sum behind the mean as the term towards the whole area.
struct SquaredErrorTerm {
    std::optional<float> meanSquaredError;
    std::optional<AreaTerm> term;
};
SquaredErrorTerm MeasureSquaredErrors(const float* original, const float* compressed,
                                      const uint8_t* valid, int32_t width, int32_t height);
