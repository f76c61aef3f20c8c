#include "metrics/ExportedHelpers.h"

#include <cmath>

namespace {

// value x scale rounded half away from zero, the rounding decided in double.
int32_t ScaledAndRounded(float value, double scale) {
    const double scaled = value * scale;
    const auto truncated = static_cast<int32_t>(scaled);
    if (std::fabs(scaled - truncated) >= 0.5) {
        return value > 0 ? truncated + 1 : truncated - 1;
    }
    return truncated;
}

} // namespace

extern "C" {

int32_t _round(float a) {
    const auto truncated = static_cast<int32_t>(a);
    if (std::fabs(a - static_cast<float>(truncated)) >= 0.5f) {
        return a > 0 ? truncated + 1 : truncated - 1;
    }
    return truncated;
}

int32_t _max(int32_t x, int32_t y) {
    return x >= y ? x : y;
}

int32_t _min(int32_t x, int32_t y) {
    return x <= y ? x : y;
}

int32_t _cmp_float(float a, float b, int32_t digits) {
    const double scale = std::pow(10.0, digits);
    return ScaledAndRounded(a, scale) != ScaledAndRounded(b, scale) ? 1 : 0;
}

int32_t _matrix_cmp(const float* a, const float* b, int32_t width, int32_t height, int32_t digits) {
    const int32_t count = width * height;
    for (int32_t i = 0; i < count; ++i) {
        if (_cmp_float(a[i], b[i], digits) != 0) {
            return 1;
        }
    }
    return 0;
}
}
