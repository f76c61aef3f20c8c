#include "campaign/BjontegaardDelta.h"

#include "campaign/Pchip.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kMinimumPoints = 4;

// Why `curve`, sorted by rate, cannot be interpolated; empty when it can.
std::string CurveFault(const std::vector<RdPoint>& curve, const char* which) {
    const std::string name(which);
    if (curve.size() < kMinimumPoints) {
        return "the " + name + " curve has " + std::to_string(curve.size()) +
               " points, at least 4 are needed";
    }
    bool rising = true;
    bool falling = true;
    for (size_t i = 0; i < curve.size(); ++i) {
        if (!(curve[i].rate > 0.0) || !std::isfinite(curve[i].rate) ||
            !std::isfinite(curve[i].quality)) {
            return "the " + name + " curve has a rate or quality that is not a positive number";
        }
        if (i > 0) {
            if (!(curve[i].rate > curve[i - 1].rate)) {
                return "the " + name + " curve has two points at the same rate";
            }
            rising = rising && curve[i].quality > curve[i - 1].quality;
            falling = falling && curve[i].quality < curve[i - 1].quality;
        }
    }
    return rising || falling ? "" : "the " + name + " curve's quality is not strictly monotonic";
}

// The interpolant of `y` over `x`, with the points put in increasing x.
CPchip Interpolant(std::vector<double> x, std::vector<double> y) {
    if (x.front() > x.back()) {
        std::reverse(x.begin(), x.end());
        std::reverse(y.begin(), y.end());
    }
    return CPchip(std::move(x), std::move(y));
}

struct Axes {
    std::vector<double> logRate;
    std::vector<double> quality;
};

Axes AxesOf(const std::vector<RdPoint>& curve) {
    Axes axes;
    for (const RdPoint& point : curve) {
        axes.logRate.push_back(std::log(point.rate));
        axes.quality.push_back(point.quality);
    }
    return axes;
}

// The mean of test - reference over the x interval both cover, or empty
// when they share no interval of positive width.
std::optional<double> MeanDifference(const std::vector<double>& referenceX,
                                     const std::vector<double>& referenceY,
                                     const std::vector<double>& testX,
                                     const std::vector<double>& testY) {
    const auto [refLow, refHigh] = std::minmax_element(referenceX.begin(), referenceX.end());
    const auto [testLow, testHigh] = std::minmax_element(testX.begin(), testX.end());
    const double low = std::max(*refLow, *testLow);
    const double high = std::min(*refHigh, *testHigh);
    if (!(low < high)) {
        return std::nullopt;
    }
    const double reference = Interpolant(referenceX, referenceY).Integral(low, high);
    const double test = Interpolant(testX, testY).Integral(low, high);
    return (test - reference) / (high - low);
}

} // namespace

BdFigures BjontegaardDelta(std::vector<RdPoint> reference, std::vector<RdPoint> test) {
    const auto byRate = [](const RdPoint& a, const RdPoint& b) { return a.rate < b.rate; };
    std::sort(reference.begin(), reference.end(), byRate);
    std::sort(test.begin(), test.end(), byRate);
    BdFigures figures;
    figures.reason = CurveFault(reference, "reference");
    if (figures.reason.empty()) {
        figures.reason = CurveFault(test, "compared");
    }
    if (!figures.reason.empty()) {
        return figures;
    }
    const Axes ref = AxesOf(reference);
    const Axes tested = AxesOf(test);
    if (const auto logRate =
            MeanDifference(ref.quality, ref.logRate, tested.quality, tested.logRate)) {
        figures.ratePercent = (std::exp(*logRate) - 1.0) * 100.0;
    }
    figures.quality = MeanDifference(ref.logRate, ref.quality, tested.logRate, tested.quality);
    if (!figures.ratePercent) {
        figures.reason = "the curves share no quality range";
    } else if (!figures.quality) {
        figures.reason = "the curves share no rate range";
    }
    return figures;
}
