#include "regions/SequentialRegionDivider.h"

#include <algorithm>
#include <stdexcept>
#include <string>

CSequentialRegionDivider::CSequentialRegionDivider(CRegionPtr bbox, uint32_t tileSize,
                                                   uint32_t tileCount)
    : CRegionDivider(std::move(bbox), tileSize, tileCount) {
    if (tileSize == 0) {
        throw std::runtime_error("tileSize cannot be 0");
    }
    const int64_t tilesInArea = int64_t{ColumnCount()} * RowCount();
    this->tileCount = static_cast<int32_t>(std::min<int64_t>(this->tileCount, tilesInArea));
}

CRegionPtr CSequentialRegionDivider::GetRegion(int32_t regionNumber) {
    if (regionNumber > tileCount) {
        throw std::runtime_error("regionNumber '" + std::to_string(regionNumber) +
                                 "' cannot be greater than tileCount '" +
                                 std::to_string(tileCount) + "'");
    }
    return RegionFromIndex(regionNumber);
}
