#pragma once

#include "metrics/Algorithm.h"

// "ms-ssim": five-scale structural similarity. It keeps its own dynamic range
// of 255 whatever the images' sample type, and gives +infinity for tiles
// smaller than 176 x 176. Its scales cannot leave pixels out: a tile with an
// invalid pixel has no value (CAlgorithm's ComputeMasked).
class CMS_SSIMAlgorithm : public CAlgorithm {
public:
    const char* GetName() const override { return "ms-ssim"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;
    float Compute(const float* original, const float* compressed, int32_t width,
                  int32_t height) const override;
};
