#pragma once

#include "regions/RegionDivider.h"

// Visits the tiles of the area in row-major order, each at most once: a
// request for more tiles than the area holds visits every tile once.
class CSequentialRegionDivider : public CRegionDivider {
public:
    CSequentialRegionDivider(CRegionPtr area, uint32_t size, uint32_t count);

    CRegionPtr GetRegion(int32_t regionNumber) override;
};
