#pragma once

#include "metrics/Algorithm.h"
#include "metrics/SSIMKernel.h"

// "ssim": structural similarity with the 11 x 11 Gaussian window, K1 = 0.01,
// K2 = 0.03 and the images' largest sample value as dynamic range.
class CSSIMAlgorithm : public CAlgorithm {
public:
    explicit CSSIMAlgorithm(float newPeakValue) : peakValue(newPeakValue) {}

    const char* GetName() const override { return "ssim"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;
    float Compute(const float* original, const float* compressed, int32_t width,
                  int32_t height) const override;
    std::optional<float> ComputeMasked(const float* original, const float* compressed,
                                       const uint8_t* valid, int32_t width,
                                       int32_t height) const override;

private:
    SSIMParameters Parameters() const;

    float peakValue;
};
