#include "outputs/TileValueSeries.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The value at the nearest rank of `percent` in the sorted, non-empty `sorted`.
float NearestRank(const std::vector<float>& sorted, size_t percent) {
    const size_t rank = (percent * sorted.size() + 99) / 100;
    return sorted[std::max<size_t>(rank, 1) - 1];
}

} // namespace

CTileValueSeries::CTileValueSeries(std::vector<std::string> statisticNames)
    : names(std::move(statisticNames)) {}

void CTileValueSeries::OnTile(const TileMeasurement& measurement) {
    if (values.size() < measurement.bands.size()) {
        values.resize(measurement.bands.size(), std::vector<std::vector<float>>(names.size()));
    }
    for (size_t b = 0; b < measurement.bands.size(); ++b) {
        const auto& bandValues = measurement.bands[b].values;
        for (size_t s = 0; s < bandValues.size() && s < names.size(); ++s) {
            if (bandValues[s]) {
                values[b][s].push_back(*bandValues[s]);
            }
        }
    }
}

SeriesSummary CTileValueSeries::Summarise(const std::string& statistic, int32_t band) const {
    const auto name = std::find(names.begin(), names.end(), statistic);
    if (name == names.end() || band < 0 || static_cast<size_t>(band) >= values.size()) {
        return {};
    }
    const auto& all = values[static_cast<size_t>(band)][size_t(name - names.begin())];
    std::vector<float> finite;
    std::copy_if(all.begin(), all.end(), std::back_inserter(finite),
                 [](float value) { return std::isfinite(value); });
    SeriesSummary summary;
    summary.finiteCount = static_cast<uint32_t>(finite.size());
    if (finite.empty()) {
        return summary;
    }
    double sum = 0.0;
    for (const float value : finite) {
        sum += value;
    }
    const double mean = sum / static_cast<double>(finite.size());
    double squares = 0.0;
    for (const float value : finite) {
        squares += (value - mean) * (value - mean);
    }
    summary.finiteAvg = mean;
    summary.stddev = std::sqrt(squares / static_cast<double>(finite.size()));
    std::sort(finite.begin(), finite.end());
    summary.p05 = NearestRank(finite, 5);
    summary.p50 = NearestRank(finite, 50);
    summary.p95 = NearestRank(finite, 95);
    return summary;
}
