#pragma once

#include "metrics/Algorithm.h"

// "psnr": the peak signal-to-noise ratio in decibels relative to the images'
// largest sample value. Identical tiles give 0, not infinity. Over the whole
// area it is the ratio of the pooled MSE, and identical areas give infinity.
class CPSNRAlgorithm : public CAlgorithm {
public:
    explicit CPSNRAlgorithm(float newPeakValue) : peakValue(newPeakValue) {}

    const char* GetName() const override { return "psnr"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;
    float Compute(const float* original, const float* compressed, int32_t width,
                  int32_t height) const override;
    std::optional<float> ComputeMasked(const float* original, const float* compressed,
                                       const uint8_t* valid, int32_t width,
                                       int32_t height) const override;
    TileValue Measure(const float* original, const float* compressed, const uint8_t* valid,
                      int32_t width, int32_t height) const override;
    std::optional<double> AreaFigure(const AreaTerm& area) const override;

private:
    float FromMeanSquaredError(float meanSquaredError) const;

    float peakValue;
};
