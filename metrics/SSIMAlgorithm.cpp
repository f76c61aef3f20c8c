#include "metrics/SSIMAlgorithm.h"

#include "metrics/SSIMKernel.h"

std::unique_ptr<CAlgorithm> CSSIMAlgorithm::Create(float newPeakValue) const {
    return std::make_unique<CSSIMAlgorithm>(newPeakValue);
}

float CSSIMAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                              int32_t height) const {
    const SSIMParameters parameters{1.0f, 1.0f, 1.0f, peakValue, 0.01f, 0.03f, 1};
    return ComputeSSIM(original, compressed, width, height, &parameters);
}
