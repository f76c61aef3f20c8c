#pragma once

#include "evaluation/TileMeasurement.h"
#include "regions/Region.h"

#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

// How much of the evaluated area a run saw.
struct CoverageFigures {
    // Tiles of the area's grid: its columns times its rows of the tile size.
    int64_t gridTiles = 0;
    // Tiles visited, each counted once however often it was visited.
    int64_t distinctTiles = 0;
    // The area's pixels inside at least one visited tile, over its pixels.
    double areaFraction = 0.0;
};

// The pixels that at least one of `rectangles` covers inside `area`, each
// counted once however many rectangles overlap on it.
int64_t CoveredPixels(const std::vector<CRegion>& rectangles, const CRegion& area);

// Keeps every distinct tile of a run: its memory grows with them, 16 bytes
// each.
class CCoverage : public ITileListener {
public:
    CCoverage(const CRegion& evaluated, int32_t size) : area(evaluated), tileSize(size) {}

    void OnTile(const TileMeasurement& measurement) override;
    CoverageFigures Figures() const;

private:
    CRegion area;
    int32_t tileSize;
    std::set<std::tuple<int32_t, int32_t, int32_t, int32_t>> tiles;
};
