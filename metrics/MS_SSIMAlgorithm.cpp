#include "metrics/MS_SSIMAlgorithm.h"

#include "metrics/MSSSIMKernel.h"

std::unique_ptr<CAlgorithm> CMS_SSIMAlgorithm::Create(float /*peakValue*/) const {
    return std::make_unique<CMS_SSIMAlgorithm>();
}

float CMS_SSIMAlgorithm::Compute(const float* original, const float* compressed, int32_t width,
                                 int32_t height) const {
    return ComputeMSSSIM(original, compressed, width, height);
}
