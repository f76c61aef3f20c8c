#pragma once

#include <cstdint>
#include <memory>

// One tile: an inclusive pixel rectangle in full-image coordinates. Tiles are
// shared by reference count between divider, evaluator and results and never
// change after creation.
class CRegion {
public:
    CRegion(int32_t x0, int32_t y0, int32_t x1, int32_t y1) : x0(x0), y0(y0), x1(x1), y1(y1) {}
    virtual ~CRegion() = default;

    // Extents as 64-bit values: a degenerate or huge rectangle must not wrap.
    int64_t Width() const { return int64_t{x1} - x0 + 1; }
    int64_t Height() const { return int64_t{y1} - y0 + 1; }

    const int32_t x0;
    const int32_t y0;
    const int32_t x1;
    const int32_t y1;
};

using CRegionPtr = std::shared_ptr<CRegion>;
