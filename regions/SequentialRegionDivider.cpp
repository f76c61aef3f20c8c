#include "regions/SequentialRegionDivider.h"

#include <algorithm>
#include <stdexcept>
#include <string>

CSequentialRegionDivider::CSequentialRegionDivider(CRegionPtr area, uint32_t size, uint32_t count)
    : CRegionDivider(std::move(area), size, count) {
    if (tileSize == 0) {
        throw std::runtime_error("tileSize cannot be 0");
    }
    const int64_t tilesInArea = int64_t{ColumnCount()} * RowCount();
    tileCount = static_cast<int32_t>(std::min<int64_t>(tileCount, tilesInArea));
}

CRegionPtr CSequentialRegionDivider::GetRegion(int32_t regionNumber) {
    if (regionNumber > tileCount) {
        throw std::runtime_error("regionNumber '" + std::to_string(regionNumber) +
                                 "' cannot be greater than tileCount '" +
                                 std::to_string(tileCount) + "'");
    }
    return RegionFromIndex(regionNumber);
}
