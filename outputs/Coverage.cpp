#include "outputs/Coverage.h"

#include <algorithm>

namespace {

// A segment tree over the elementary intervals between sorted y edges:
// per node, how many rectangles cover it whole and how long its covered part is.
class CCoveredLength {
public:
    explicit CCoveredLength(std::vector<int64_t> edges)
        : ys(std::move(edges)), cover(4 * ys.size()), length(4 * ys.size()) {}

    // Adds `change` (+1 or -1) to every elementary interval in [y0, y1).
    void Change(int64_t y0, int64_t y1, int change) { Update(1, 0, ys.size() - 1, y0, y1, change); }
    int64_t Covered() const { return length[1]; }

private:
    void Update(size_t node, size_t first, size_t last, int64_t y0, int64_t y1, int change) {
        if (y1 <= ys[first] || ys[last] <= y0) {
            return;
        }
        if (y0 <= ys[first] && ys[last] <= y1) {
            cover[node] += change;
        } else {
            const size_t middle = (first + last) / 2;
            Update(2 * node, first, middle, y0, y1, change);
            Update(2 * node + 1, middle, last, y0, y1, change);
        }
        length[node] = cover[node] > 0    ? ys[last] - ys[first]
                       : last - first < 2 ? 0
                                          : length[2 * node] + length[2 * node + 1];
    }

    std::vector<int64_t> ys;
    std::vector<int> cover;
    std::vector<int64_t> length;
};

int64_t CeilDiv(int64_t numerator, int64_t denominator) {
    return (numerator + denominator - 1) / denominator;
}

} // namespace

int64_t CoveredPixels(const std::vector<CRegion>& rectangles, const CRegion& area) {
    // Each rectangle, clipped to the area, as half-open pixel edges; a sweep
    // across x adds the covered length of y between consecutive x edges.
    struct Edge {
        int64_t x, y0, y1;
        int change;
    };
    std::vector<Edge> edges;
    std::vector<int64_t> ys;
    for (const CRegion& r : rectangles) {
        const int64_t x0 = std::max<int64_t>(r.x0, area.x0), x1 = std::min<int64_t>(r.x1, area.x1);
        const int64_t y0 = std::max<int64_t>(r.y0, area.y0), y1 = std::min<int64_t>(r.y1, area.y1);
        if (x0 <= x1 && y0 <= y1) {
            edges.push_back({x0, y0, y1 + 1, +1});
            edges.push_back({x1 + 1, y0, y1 + 1, -1});
            ys.insert(ys.end(), {y0, y1 + 1});
        }
    }
    if (edges.empty()) {
        return 0;
    }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.x < b.x; });
    CCoveredLength covered(ys);
    int64_t pixels = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        if (i > 0) {
            pixels += covered.Covered() * (edges[i].x - edges[i - 1].x);
        }
        covered.Change(edges[i].y0, edges[i].y1, edges[i].change);
    }
    return pixels;
}

void CCoverage::OnTile(const TileMeasurement& measurement) {
    const CRegion& tile = *measurement.tile;
    tiles.emplace(tile.x0, tile.y0, tile.x1, tile.y1);
}

CoverageFigures CCoverage::Figures() const {
    std::vector<CRegion> visited;
    visited.reserve(tiles.size());
    for (const auto& [x0, y0, x1, y1] : tiles) {
        visited.emplace_back(x0, y0, x1, y1);
    }
    const int64_t size = std::max(1, tileSize);
    const int64_t areaPixels = area.Width() * area.Height();
    return CoverageFigures{
        .gridTiles = CeilDiv(area.Width(), size) * CeilDiv(area.Height(), size),
        .distinctTiles = static_cast<int64_t>(tiles.size()),
        .areaFraction = areaPixels > 0 ? static_cast<double>(CoveredPixels(visited, area)) /
                                             static_cast<double>(areaPixels)
                                       : 0.0,
    };
}
