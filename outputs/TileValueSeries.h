#pragma once

#include "evaluation/TileMeasurement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the running minimum, maximum and sum cannot tell about one statistic
// on one band. Only finite values count here; the fields that need at least
// one of them are empty when there is none.
struct SeriesSummary {
    uint32_t finiteCount = 0;
    std::optional<double> finiteAvg;
    // Population standard deviation of the finite values.
    std::optional<double> stddev;
    // Nearest rank on the sorted finite values.
    std::optional<float> p05;
    std::optional<float> p50;
    std::optional<float> p95;
};

// Keeps every tile's value of every statistic and band, one float each: the
// only output whose memory grows with the number of tiles.
class CTileValueSeries : public ITileListener {
public:
    // `statisticNames` in the order of each band's values.
    explicit CTileValueSeries(std::vector<std::string> statisticNames);

    void OnTile(const TileMeasurement& measurement) override;

    // A statistic listed twice in the run is summarised from its first
    // listing; both measured the same values.
    SeriesSummary Summarise(const std::string& statistic, int32_t band) const;

private:
    std::vector<std::string> names;
    // [band][statistic] -> values in visiting order.
    std::vector<std::vector<std::vector<float>>> values;
};
