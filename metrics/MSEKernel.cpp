#include "metrics/MSEKernel.h"

float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height) {
    const int32_t count = width * height;
    double sum = 0;
    for (int32_t i = 0; i < count; ++i) {
        const double difference = a[i] - b[i];
        sum += difference * difference;
    }
    return static_cast<float>(sum / static_cast<double>(count));
}

std::optional<float> ComputeMaskedMSE(const float* a, const float* b, const uint8_t* valid,
                                      int32_t width, int32_t height) {
    const int32_t count = width * height;
    int32_t validCount = 0;
    double sum = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (valid[i] != 0) {
            const double difference = a[i] - b[i];
            sum += difference * difference;
            ++validCount;
        }
    }
    if (validCount == 0) {
        return std::nullopt;
    }
    return static_cast<float>(sum / static_cast<double>(validCount));
}
