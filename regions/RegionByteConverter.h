#pragma once

#include "regions/Region.h"

#include <array>
#include <cstdint>

// The 16-byte record of one tile in a regions file: x0, y0, x1, y1 as signed
// 32-bit little-endian integers, whatever the byte order of the machine.
class CRegionByteConverter {
public:
    using Record = std::array<unsigned char, 16>;

    virtual ~CRegionByteConverter() = default;

    Record ToBytes(const CRegion& region) const;
    CRegion FromBytes(const Record& record) const;
};
