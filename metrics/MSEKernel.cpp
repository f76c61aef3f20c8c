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
