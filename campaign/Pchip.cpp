#include "campaign/Pchip.h"

#include <algorithm>
#include <cmath>

namespace {

double Sign(double value) {
    return value > 0 ? 1.0 : (value < 0 ? -1.0 : 0.0);
}

// The slope at an end point from the two secants next to it (`near` the
// one beside the end), with widths `hNear` and `hFar`.
double EndSlope(double hNear, double hFar, double near, double far) {
    const double slope = ((2.0 * hNear + hFar) * near - hNear * far) / (hNear + hFar);
    if (Sign(slope) != Sign(near)) {
        return 0.0;
    }
    if (Sign(near) != Sign(far) && std::fabs(slope) > 3.0 * std::fabs(near)) {
        return 3.0 * near;
    }
    return slope;
}

} // namespace

CPchip::CPchip(std::vector<double> x, std::vector<double> y)
    : xs(std::move(x)), ys(std::move(y)), slopes(xs.size(), 0.0) {
    const size_t n = xs.size();
    std::vector<double> h(n - 1);
    std::vector<double> secant(n - 1);
    for (size_t k = 0; k + 1 < n; ++k) {
        h[k] = xs[k + 1] - xs[k];
        secant[k] = (ys[k + 1] - ys[k]) / h[k];
    }
    if (n == 2) {
        slopes = {secant[0], secant[0]};
        return;
    }
    for (size_t k = 1; k + 1 < n; ++k) {
        if (secant[k - 1] * secant[k] <= 0.0) {
            continue;
        }
        const double w1 = 2.0 * h[k] + h[k - 1];
        const double w2 = h[k] + 2.0 * h[k - 1];
        slopes[k] = (w1 + w2) / (w1 / secant[k - 1] + w2 / secant[k]);
    }
    slopes[0] = EndSlope(h[0], h[1], secant[0], secant[1]);
    slopes[n - 1] = EndSlope(h[n - 2], h[n - 3], secant[n - 2], secant[n - 3]);
}

double CPchip::SegmentIntegral(size_t k, double from, double to) const {
    // The cubic in s = x - x_k: c0 + c1 s + c2 s^2 + c3 s^3.
    const double h = xs[k + 1] - xs[k];
    const double secant = (ys[k + 1] - ys[k]) / h;
    const double c0 = ys[k];
    const double c1 = slopes[k];
    const double c2 = (3.0 * secant - 2.0 * slopes[k] - slopes[k + 1]) / h;
    const double c3 = (slopes[k] + slopes[k + 1] - 2.0 * secant) / (h * h);
    const auto antiderivative = [&](double s) {
        return s * (c0 + s * (c1 / 2.0 + s * (c2 / 3.0 + s * c3 / 4.0)));
    };
    return antiderivative(to - xs[k]) - antiderivative(from - xs[k]);
}

double CPchip::Integral(double from, double to) const {
    double total = 0.0;
    for (size_t k = 0; k + 1 < xs.size(); ++k) {
        const double low = std::max(from, xs[k]);
        const double high = std::min(to, xs[k + 1]);
        if (low < high) {
            total += SegmentIntegral(k, low, high);
        }
    }
    return total;
}
