#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One tile: an inclusive pixel rectangle in full-image coordinates. Tiles are
// shared by reference count between divider, evaluator and results and never
// change after creation.
class CRegion {
public:
    CRegion(int32_t left, int32_t top, int32_t right, int32_t bottom)
        : x0(left), y0(top), x1(right), y1(bottom) {}
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

// The tile as the program writes it in messages and the progress line:
// "[x0,y0;x1,y1]".
std::string TileText(const CRegion& tile);
