#pragma once

#include "evaluation/TileMeasurement.h"
#include "regions/Region.h"

#include <cstdint>
#include <vector>

// The cells of a quality map, in pixels of the image: `columns` x `rows`
// squares of `cellSize` from the evaluated area's top left corner.
struct QualityMapGrid {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t cellSize = 1;
    int32_t columns = 0;
    int32_t rows = 0;
    // The tiles of a sequential run are the cells; any other tile paints the
    // cells whose centres it covers.
    bool cellPerTile = false;
};

// A sequential run gets one cell per tile of its grid; random and replayed
// tiles may lie anywhere, so they get cells of a quarter of the tile size.
QualityMapGrid MakeQualityMapGrid(const CRegion& area, int32_t tileSize, bool sequential);

// Gathers every tile's values into the cells it paints. Memory grows with the
// number of cells, not of tiles.
class CQualityMap : public ITileListener {
public:
    CQualityMap(const QualityMapGrid& cells, size_t statisticCount, size_t bandCount);

    void OnTile(const TileMeasurement& measurement) override;

    // One statistic on one band, row by row: the average of the finite
    // values of the tiles that painted each cell, NaN where there is none.
    std::vector<float> Layer(size_t statistic, size_t band) const;
    const QualityMapGrid& Grid() const { return grid; }

private:
    void Paint(size_t cell, const TileMeasurement& measurement);
    size_t CellCount() const;

    QualityMapGrid grid;
    size_t statistics;
    size_t bands;
    // Per layer (band by band, statistic by statistic), then per cell.
    std::vector<double> sums;
    std::vector<uint32_t> counts;
};
