#include "metrics/MSEKernel.h"

ErrorSum SumSquaredErrors(const float* a, const float* b, const uint8_t* valid, int32_t width,
                          int32_t height) {
    return SumOfTerms(a, b, valid, width, height, [](float x, float y) {
        const double difference = x - y;
        return difference * difference;
    });
}

float MeanOf(const ErrorSum& errors) {
    return static_cast<float>(errors.sum / static_cast<double>(errors.count));
}

float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height) {
    return MeanOf(SumSquaredErrors(a, b, nullptr, width, height));
}

std::optional<float> ComputeMaskedMSE(const float* a, const float* b, const uint8_t* valid,
                                      int32_t width, int32_t height) {
    const ErrorSum errors = SumSquaredErrors(a, b, valid, width, height);
    if (errors.count == 0) {
        return std::nullopt;
    }
    return MeanOf(errors);
}
