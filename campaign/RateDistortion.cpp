#include "campaign/RateDistortion.h"

#include <algorithm>
#include <cmath>

namespace {

bool Measured(const PairDocument& pair) {
    return pair.error.empty();
}

// The quality a statistic's figure enters the BD figures as.
double QualityOf(const std::string& statistic, double value) {
    if (statistic == "ssim" || statistic == "ms-ssim") {
        return -10.0 * std::log10(1.0 - value);
    }
    return value;
}

std::string ScaleOf(const std::string& statistic) {
    if (statistic == "psnr") {
        return "dB";
    }
    return statistic == "ssim" || statistic == "ms-ssim" ? "-10*log10(1-value)" : "value";
}

RdCurve CurveOf(const std::vector<const PairDocument*>& group, const std::string& label,
                const BandFigures& shape) {
    RdCurve curve;
    curve.label = label;
    curve.statistic = shape.statistic;
    curve.band = shape.band;
    bool allPooled = true;
    for (const PairDocument* pair : group) {
        if (!Measured(*pair) || pair->stamp.label != label) {
            continue;
        }
        for (const BandFigures& figures : pair->figures) {
            if (figures.statistic == shape.statistic && figures.band == shape.band) {
                allPooled = allPooled && figures.pooled.has_value();
            }
        }
    }
    curve.figure = allPooled ? "pooled" : "finiteAvg";
    for (const PairDocument* pair : group) {
        if (!Measured(*pair) || pair->stamp.label != label) {
            continue;
        }
        RdCurvePoint point{.row = pair->stamp.row, .bitsPerPixel = pair->bitsPerPixel, .value = {}};
        for (const BandFigures& figures : pair->figures) {
            if (figures.statistic == shape.statistic && figures.band == shape.band) {
                point.value = allPooled ? figures.pooled : figures.finiteAvg;
            }
        }
        curve.points.push_back(point);
    }
    std::stable_sort(curve.points.begin(), curve.points.end(),
                     [](const RdCurvePoint& a, const RdCurvePoint& b) {
                         return a.bitsPerPixel < b.bitsPerPixel;
                     });
    return curve;
}

// The curve's points that can enter a BD figure; the others are noted.
std::vector<RdPoint> UsablePoints(const RdCurve& curve, std::vector<LeftOutPoint>& leftOut) {
    std::vector<RdPoint> points;
    for (const RdCurvePoint& point : curve.points) {
        const double quality = point.value ? QualityOf(curve.statistic, *point.value) : NAN;
        if (std::isfinite(quality)) {
            points.push_back(RdPoint{.rate = point.bitsPerPixel, .quality = quality});
            continue;
        }
        std::string why = curve.statistic + " has no finite value";
        if (point.value && std::isinf(*point.value)) {
            why = curve.statistic + " is inf";
        } else if (point.value && std::isinf(quality)) {
            why = curve.statistic + " is 1";
        }
        leftOut.push_back(LeftOutPoint{.label = curve.label, .row = point.row, .why = why});
    }
    return points;
}

} // namespace

std::vector<std::string> LabelsOf(const std::vector<const PairDocument*>& group) {
    std::vector<std::string> labels;
    for (const PairDocument* pair : group) {
        if (std::find(labels.begin(), labels.end(), pair->stamp.label) == labels.end()) {
            labels.push_back(pair->stamp.label);
        }
    }
    return labels;
}

std::vector<RdCurve> RateDistortionCurves(const std::vector<const PairDocument*>& group) {
    std::vector<RdCurve> curves;
    for (const std::string& label : LabelsOf(group)) {
        const auto first = std::find_if(group.begin(), group.end(), [&](const PairDocument* pair) {
            return Measured(*pair) && pair->stamp.label == label;
        });
        if (first == group.end()) {
            continue;
        }
        for (const BandFigures& shape : (*first)->figures) {
            curves.push_back(CurveOf(group, label, shape));
        }
    }
    return curves;
}

std::vector<BdEntry> BdEntries(const std::vector<RdCurve>& curves, const std::string& reference) {
    std::vector<BdEntry> entries;
    for (const RdCurve& base : curves) {
        if (base.label != reference) {
            continue;
        }
        for (const RdCurve& curve : curves) {
            if (curve.label == reference || curve.statistic != base.statistic ||
                curve.band != base.band) {
                continue;
            }
            BdEntry entry;
            entry.label = curve.label;
            entry.reference = reference;
            entry.statistic = curve.statistic;
            entry.band = curve.band;
            entry.qualityScale = ScaleOf(curve.statistic);
            std::vector<RdPoint> referencePoints = UsablePoints(base, entry.leftOut);
            std::vector<RdPoint> testPoints = UsablePoints(curve, entry.leftOut);
            entry.figures = BjontegaardDelta(std::move(referencePoints), std::move(testPoints));
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}
