#include "outputs/QualityMap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

int64_t CeilDiv(int64_t numerator, int64_t denominator) {
    return numerator >= 0 ? (numerator + denominator - 1) / denominator
                          : -(-numerator / denominator);
}

// The first and last cell whose centre lies in the pixels [first, last] of
// one axis, in doubled coordinates to stay in integers: the centre of cell i
// is at 2 * origin + (2i + 1) * size, and pixel p spans [2p, 2p + 2).
std::pair<int64_t, int64_t> CoveredCells(int64_t first, int64_t last, int64_t origin, int64_t size,
                                         int64_t count) {
    const int64_t from = CeilDiv(2 * (first - origin) - size, 2 * size);
    const int64_t to = CeilDiv(2 * (last + 1 - origin) - size, 2 * size) - 1;
    return {std::max<int64_t>(from, 0), std::min(to, count - 1)};
}

} // namespace

QualityMapGrid MakeQualityMapGrid(const CRegion& area, int32_t tileSize, bool sequential) {
    QualityMapGrid grid;
    grid.x0 = area.x0;
    grid.y0 = area.y0;
    grid.cellPerTile = sequential;
    grid.cellSize = std::max(1, sequential ? tileSize : tileSize / 4);
    grid.columns = static_cast<int32_t>(CeilDiv(area.Width(), grid.cellSize));
    grid.rows = static_cast<int32_t>(CeilDiv(area.Height(), grid.cellSize));
    return grid;
}

CQualityMap::CQualityMap(const QualityMapGrid& cells, size_t statisticCount, size_t bandCount)
    : grid(cells), statistics(statisticCount), bands(bandCount),
      sums(statisticCount * bandCount * CellCount()), counts(sums.size()) {}

size_t CQualityMap::CellCount() const {
    return static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows);
}

void CQualityMap::OnTile(const TileMeasurement& measurement) {
    const CRegion& tile = *measurement.tile;
    if (grid.cellPerTile) {
        const int64_t column = (int64_t{tile.x0} - grid.x0) / grid.cellSize;
        const int64_t row = (int64_t{tile.y0} - grid.y0) / grid.cellSize;
        if (column >= 0 && column < grid.columns && row >= 0 && row < grid.rows) {
            Paint(static_cast<size_t>(row * grid.columns + column), measurement);
        }
        return;
    }
    const auto [left, right] = CoveredCells(tile.x0, tile.x1, grid.x0, grid.cellSize, grid.columns);
    const auto [top, bottom] = CoveredCells(tile.y0, tile.y1, grid.y0, grid.cellSize, grid.rows);
    for (int64_t row = top; row <= bottom; ++row) {
        for (int64_t column = left; column <= right; ++column) {
            Paint(static_cast<size_t>(row * grid.columns + column), measurement);
        }
    }
}

void CQualityMap::Paint(size_t cell, const TileMeasurement& measurement) {
    for (size_t b = 0; b < measurement.bands.size() && b < bands; ++b) {
        const auto& values = measurement.bands[b].values;
        for (size_t s = 0; s < values.size() && s < statistics; ++s) {
            // An infinite or NaN value tells of a tile too small for the
            // statistic: the cell has no value from it.
            if (values[s] && std::isfinite(*values[s])) {
                const size_t at = (b * statistics + s) * CellCount() + cell;
                sums[at] += *values[s];
                ++counts[at];
            }
        }
    }
}

std::vector<float> CQualityMap::Layer(size_t statistic, size_t band) const {
    std::vector<float> layer(CellCount(), std::numeric_limits<float>::quiet_NaN());
    const size_t first = (band * statistics + statistic) * CellCount();
    for (size_t cell = 0; cell < layer.size(); ++cell) {
        if (counts[first + cell] > 0) {
            layer[cell] = static_cast<float>(sums[first + cell] / counts[first + cell]);
        }
    }
    return layer;
}
