#pragma once

#include <cstdint>

// A per-pixel term of two images summed in double over the pixels taken, and
// how many were taken; for the peak error the largest term instead of the sum.
struct ErrorSum {
    double sum = 0.0;
    int32_t count = 0;
};

// Adds term(a[i], b[i]) in row order over every pixel, or over the pixels
// whose byte in `valid` is non-zero when `valid` is given. The terms are
// added one by one in that order, so the sum is the same on every build.
template <typename Term>
ErrorSum SumOfTerms(const float* a, const float* b, const uint8_t* valid, int32_t width,
                    int32_t height, Term term) {
    const int32_t count = width * height;
    ErrorSum total;
    if (valid == nullptr) {
        for (int32_t i = 0; i < count; ++i) {
            total.sum += term(a[i], b[i]);
        }
        total.count = count;
        return total;
    }
    for (int32_t i = 0; i < count; ++i) {
        if (valid[i] != 0) {
            total.sum += term(a[i], b[i]);
            ++total.count;
        }
    }
    return total;
}
