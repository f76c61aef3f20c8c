#pragma once

#include "regions/Region.h"

#include <cstdint>

// Hands out the tiles of one run by region number 0, 1, 2, ...
class IRegionDivider {
public:
    virtual ~IRegionDivider() = default;
    virtual int32_t GetRegionCount() = 0;
    virtual CRegionPtr GetRegion(int32_t regionNumber) = 0;
};

// Cuts an area into square tiles numbered row by row from its top-left tile.
// Tiles of the last column and row are clipped to the area.
class CRegionDivider : public IRegionDivider {
public:
    // Fails when the area holds more tiles than a signed 32-bit count allows.
    CRegionDivider(CRegionPtr area, uint32_t size, uint32_t count);

    int32_t GetRegionCount() override { return tileCount; }

protected:
    int32_t ColumnCount() const;
    int32_t RowCount() const;
    int32_t SignedTileSize() const { return static_cast<int32_t>(tileSize); }

    // The tile with number `tileNumber`, clipped to the area.
    CRegionPtr RegionFromIndex(int64_t tileNumber) const;

    CRegionPtr bbox;
    uint32_t tileSize;
    int32_t tileCount;
};
