#pragma once

#include "regions/RegionDivider.h"

#include <chrono>
#include <cstdint>
#include <random>

// Draws tile numbers uniformly from [0, count - 1] with the rejection rule
// that makes the sequence depend on nothing but the engine's outputs, so a
// given seed yields the same tiles on every platform.
class CTileNumberDistribution {
public:
    // `count` is the number of tiles; 0 stands for the whole 32-bit range.
    explicit CTileNumberDistribution(uint32_t tileCount) : count(tileCount) {}

    uint32_t operator()(std::mt19937& engine) const;

private:
    uint32_t count;
};

// Draws every tile independently at random, so tiles may repeat and some may
// never come. The tile count is the requested one, not clamped to the area.
class CRandomRegionDivider : public CRegionDivider {
public:
    // Seeds from the system clock: two runs visit different tiles.
    CRandomRegionDivider(CRegionPtr area, uint32_t size, uint32_t count);
    // `clockSeed` stands for the low 32 bits of the clock reading, so that a
    // known seed pins the tile sequence.
    CRandomRegionDivider(CRegionPtr area, uint32_t size, uint32_t count, uint32_t clockSeed);

    // The region number is ignored: every call draws anew.
    CRegionPtr GetRegion(int32_t regionNumber) override;

    // Low 32 bits of `time` in 100-nanosecond units since 1970: runs started
    // within the same second still get different seeds.
    static uint32_t SeedFromClock(std::chrono::system_clock::time_point time);

private:
    std::mt19937 seedEngine;
    std::mt19937 engine;
    CTileNumberDistribution indexDistribution;
};
