#pragma once

#include "regions/RegionDivider.h"

#include <cstdint>
#include <random>

// Draws tile numbers uniformly from [0, count - 1] with the rejection rule
// that makes the sequence depend on nothing but the engine's outputs, so a
// given seed yields the same tiles on every platform.
class CTileNumberDistribution {
public:
    // `count` is the number of tiles; 0 stands for the whole 32-bit range.
    explicit CTileNumberDistribution(uint32_t count) : count(count) {}

    uint32_t operator()(std::mt19937& engine) const;

private:
    uint32_t count;
};

// Draws every tile independently at random, so tiles may repeat and some may
// never come. The tile count is the requested one, not clamped to the area.
class CRandomRegionDivider : public CRegionDivider {
public:
    // Seeds from the system clock: two runs visit different tiles.
    CRandomRegionDivider(CRegionPtr bbox, uint32_t tileSize, uint32_t tileCount);
    // `clockSeed` stands for the low 32 bits of the clock reading, so that a
    // known seed pins the tile sequence.
    CRandomRegionDivider(CRegionPtr bbox, uint32_t tileSize, uint32_t tileCount,
                         uint32_t clockSeed);

    // The region number is ignored: every call draws anew.
    CRegionPtr GetRegion(int32_t regionNumber) override;

    // Low 32 bits of the system clock in 100-nanosecond units since 1970.
    static uint32_t ClockSeed();

private:
    std::mt19937 seedEngine;
    std::mt19937 engine;
    CTileNumberDistribution indexDistribution;
};
