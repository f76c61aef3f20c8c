#pragma once

#include "campaign/BjontegaardDelta.h"
#include "campaign/PairDocument.h"

#include <string>
#include <vector>

// One pair on a rate-distortion curve: its bits per pixel and the figure of
// the curve's statistic and band.
struct RdCurvePoint {
    int64_t row = 0;
    double bitsPerPixel = 0.0;
    std::optional<double> value;
};

// The pairs of one label in one group for one statistic and band, sorted by
// rate. The figure is "pooled" where every pair has one, "finiteAvg" else.
struct RdCurve {
    std::string label;
    std::string statistic;
    int64_t band = 0;
    std::string figure;
    std::vector<RdCurvePoint> points;
};

// A point that could not enter a BD figure, and why.
struct LeftOutPoint {
    std::string label;
    int64_t row = 0;
    std::string why;
};

// A label's BD figures against the reference label on one statistic and band.
struct BdEntry {
    std::string label;
    std::string reference;
    std::string statistic;
    int64_t band = 0;
    // The quality axis: "dB" (psnr), "-10*log10(1-value)" (ssim, ms-ssim) or "value".
    std::string qualityScale;
    BdFigures figures;
    std::vector<LeftOutPoint> leftOut;
};

// The labels of a group's pairs in the order they first appear.
std::vector<std::string> LabelsOf(const std::vector<const PairDocument*>& group);

// Every curve of a group: label by label, then statistic and band as the
// documents list them. Pairs that failed to run are not on any curve.
std::vector<RdCurve> RateDistortionCurves(const std::vector<const PairDocument*>& group);

// The BD figures of every label but the reference against it, for every
// statistic and band the reference has a curve of.
std::vector<BdEntry> BdEntries(const std::vector<RdCurve>& curves, const std::string& reference);
