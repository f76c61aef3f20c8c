#pragma once

#include "regions/Region.h"

#include <cstddef>

// Buffers for a tile are sized from its width times its height; a product
// that wraps would give a buffer smaller than what is written into it. These
// refuse such a tile instead, with std::runtime_error "Tile [x0,y0;x1,y1] of
// WxH pixels cannot be held in memory". An empty or inverted tile has no
// samples; the readers refuse it afterwards.
size_t TileByteCount(const CRegion& tile, size_t sampleSize);
[[noreturn]] void ThrowTileTooLarge(const CRegion& tile);
