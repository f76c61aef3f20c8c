#pragma once

#include <optional>
#include <string>
#include <vector>

// One encoding on a rate-distortion curve: its rate (bits per pixel) and
// its quality on a scale where the interpolation is meaningful (dB for PSNR).
struct RdPoint {
    double rate = 0.0;
    double quality = 0.0;
};

// How a curve compares with a reference curve, after Bjøntegaard: the mean
// rate difference at equal quality (in percent, negative: fewer bits) and
// the mean quality difference at equal rate. A figure that cannot be
// computed is empty and `reason` says why.
struct BdFigures {
    std::optional<double> ratePercent;
    std::optional<double> quality;
    std::string reason;
};

// Each curve needs at least four points of distinct positive rates whose
// quality is strictly monotonic in rate. log(rate) is interpolated over
// quality (and quality over log(rate)) piecewise cubically (CPchip), and the
// difference is integrated exactly over the interval both curves cover:
// BD-rate = exp(mean difference of log rate) - 1.
BdFigures BjontegaardDelta(std::vector<RdPoint> reference, std::vector<RdPoint> test);
