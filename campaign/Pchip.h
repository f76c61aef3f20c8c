#pragma once

#include <cstddef>
#include <vector>

// The piecewise cubic Hermite interpolant through points of strictly
// increasing x whose slopes follow Fritsch and Carlson's monotone rule: at an
// inner point the weighted harmonic mean of the neighbouring secants (zero
// where they differ in sign or one is flat), at the ends the one-sided
// three-point estimate kept from overshooting. Between monotone data it stays
// monotone, so a rate-distortion curve gains no wiggle that is not in it.
class CPchip {
public:
    // At least two points, x strictly increasing; checked by the caller.
    CPchip(std::vector<double> x, std::vector<double> y);

    // The exact integral of the interpolant from `from` to `to`, both within
    // the points' x range and from <= to.
    double Integral(double from, double to) const;

private:
    // The integral over [from, to] inside segment `k`.
    double SegmentIntegral(size_t k, double from, double to) const;

    std::vector<double> xs;
    std::vector<double> ys;
    std::vector<double> slopes;
};
