#include "regions/RegionDivider.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>

namespace {

constexpr int64_t kMaxTileCount = std::numeric_limits<int32_t>::max();

// ceil(extent / tileSize) truncated to 32 bits. A tile size of 0 cuts no
// tiles at all (the sequential divider refuses it by name); a quotient outside
// the 32-bit range becomes the smallest 32-bit value, as the processor's own
// truncation does, instead of undefined behaviour.
int32_t TilesAlong(int64_t extent, int32_t tileSize) {
    if (tileSize == 0) {
        return 0;
    }
    const double tiles = std::ceil(static_cast<double>(extent) / static_cast<double>(tileSize));
    if (!(tiles >= std::numeric_limits<int32_t>::min() &&
          tiles <= std::numeric_limits<int32_t>::max())) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(tiles);
}

template <typename... Pieces> std::runtime_error Failure(const Pieces&... pieces) {
    std::ostringstream text;
    (text << ... << pieces);
    return std::runtime_error(text.str());
}

} // namespace

CRegionDivider::CRegionDivider(CRegionPtr area, uint32_t size, uint32_t count)
    : bbox(std::move(area)), tileSize(size), tileCount(static_cast<int32_t>(count)) {
    const int64_t tiles = int64_t{ColumnCount()} * RowCount();
    if (tiles > kMaxTileCount) {
        throw Failure("Number of tiles '", tiles, "' exceeds maximum size of int '", kMaxTileCount,
                      "' please use -bbox to limit the test area or -ts to increase the tile size");
    }
}

int32_t CRegionDivider::ColumnCount() const {
    return TilesAlong(bbox->Width(), SignedTileSize());
}

int32_t CRegionDivider::RowCount() const {
    return TilesAlong(bbox->Height(), SignedTileSize());
}

CRegionPtr CRegionDivider::RegionFromIndex(int64_t tileNumber) const {
    const int64_t columns = ColumnCount();
    const int64_t rows = RowCount();
    if (columns == 0) {
        // An empty area (right edge left of the left edge) has no tiles at all.
        throw Failure("Region '", tileNumber, "' cannot be cut from an area without tile columns");
    }
    // Computed in 64 bits so that no quotient or corner can overflow; every
    // value that fits in 32 bits is the same as with 32-bit arithmetic.
    const int64_t row = tileNumber / columns;
    if (row >= rows) {
        throw Failure("Row number '", row, "' for region '", tileNumber,
                      "' must be smaller than row count '", rows, "'");
    }
    const int64_t column = tileNumber % columns;
    if (column >= columns) {
        throw Failure("Column number '", column, "' for region '", tileNumber,
                      "' must be smaller than column count '", columns, "'");
    }
    const int64_t size = SignedTileSize();
    const int64_t x0 = bbox->x0 + size * column;
    const int64_t y0 = bbox->y0 + size * row;
    const int64_t x1 = std::min<int64_t>(x0 + size - 1, bbox->x1);
    const int64_t y1 = std::min<int64_t>(y0 + size - 1, bbox->y1);
    return std::make_shared<CRegion>(static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                                     static_cast<int32_t>(x1), static_cast<int32_t>(y1));
}
