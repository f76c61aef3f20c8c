#include "metrics/SSIMAlgorithm.h"

#include "metrics/SSIMKernel.h"

std::unique_ptr<CAlgorithm> CSSIMAlgorithm::Create(float newPeakValue) const {
    return std::make_unique<CSSIMAlgorithm>(newPeakValue);
}

float CSSIMAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                              int32_t height) const {
    const SSIMParameters parameters = Parameters();
    return ComputeSSIM(original, compressed, width, height, &parameters);
}

std::optional<float> CSSIMAlgorithm::ComputeMasked(const float* original, const float* compressed,
                                                   const uint8_t* valid, int32_t width,
                                                   int32_t height) const {
    const SSIMParameters parameters = Parameters();
    return ComputeMaskedSSIM(original, compressed, valid, width, height, &parameters);
}

SSIMParameters CSSIMAlgorithm::Parameters() const {
    return {1.0f, 1.0f, 1.0f, peakValue, 0.01f, 0.03f, 1};
}
