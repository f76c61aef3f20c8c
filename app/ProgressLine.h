#pragma once

#include "evaluation/TileMeasurement.h"

#include <cstdint>
#include <ostream>

// The console's progress line, rewritten after every tile: "<n> of <count>
// <tile> <values>", each band's values in the run's order of statistics,
// "-" for a value the tile has not, padded to 80 characters after a
// carriage return.
class CProgressLine : public ITileListener {
public:
    CProgressLine(int32_t tileCount, std::ostream& console) : count(tileCount), out(console) {}

    void OnTile(const TileMeasurement& measurement) override;

private:
    int32_t count;
    std::ostream& out;
    int32_t shown = 0;
};
