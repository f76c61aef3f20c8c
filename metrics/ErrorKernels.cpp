#include "metrics/ErrorKernels.h"

#include <cmath>

ErrorSum SumAbsoluteErrors(const float* a, const float* b, const uint8_t* valid, int32_t width,
                           int32_t height) {
    return SumOfTerms(a, b, valid, width, height,
                      [](float x, float y) { return static_cast<double>(std::fabs(x - y)); });
}

ErrorSum SumSignedErrors(const float* a, const float* b, const uint8_t* valid, int32_t width,
                         int32_t height) {
    return SumOfTerms(a, b, valid, width, height,
                      [](float x, float y) { return static_cast<double>(y - x); });
}

ErrorSum LargestAbsoluteError(const float* a, const float* b, const uint8_t* valid, int32_t width,
                              int32_t height) {
    const int32_t count = width * height;
    ErrorSum largest;
    float peak = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        if (valid == nullptr || valid[i] != 0) {
            // A NaN difference is kept: the peak of such a tile is not a number.
            const float error = std::fabs(a[i] - b[i]);
            peak = error > peak || std::isnan(error) ? error : peak;
            ++largest.count;
        }
    }
    largest.sum = peak;
    return largest;
}
