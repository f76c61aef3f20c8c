#include "metrics/MSEAlgorithm.h"

#include "metrics/MSEKernel.h"

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
