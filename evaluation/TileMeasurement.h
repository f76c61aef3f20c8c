#pragma once

#include "metrics/Algorithm.h"
#include "regions/Region.h"

#include <cstdint>
#include <optional>
#include <vector>

// What one tile measured on one band: one value per statistic of the run, in
// the run's order, each statistic's term towards its whole-area figure (none
// for a statistic without one), and how long each file took to read the band.
struct BandMeasurement {
    std::vector<std::optional<float>> values;
    std::vector<std::optional<AreaTerm>> terms;
    int64_t originalReadUs = 0;
    int64_t compressedReadUs = 0;
};

// Everything measured on one tile, band by band.
struct TileMeasurement {
    int32_t index = 0;
    CRegionPtr tile;
    std::vector<BandMeasurement> bands;
};

// Receives every measured tile in visiting order, after the run's own figures
// took it in; outputs beyond the report listen here.
class ITileListener {
public:
    virtual ~ITileListener() = default;
    virtual void OnTile(const TileMeasurement& measurement) = 0;
};
