#include "raster/TileBytes.h"

#include "platform/ZarnikError.h"
#include "raster/sdk/ByteCount.h"

#include <optional>
#include <stdexcept>
#include <string>

size_t TileByteCount(const CRegion& tile, size_t sampleSize) {
    if (tile.Width() <= 0 || tile.Height() <= 0) {
        return 0;
    }
    const std::optional<size_t> byteCount =
        Orv::ByteCountOf(uint64_t(tile.Width()), uint64_t(tile.Height()), sampleSize);
    if (!byteCount) {
        ThrowTileTooLarge(tile);
    }
    return *byteCount;
}

void ThrowTileTooLarge(const CRegion& tile) {
    throw CZarnikError::Detail("Tile " + TileText(tile) + " of " + std::to_string(tile.Width()) +
                               "x" + std::to_string(tile.Height()) +
                               " pixels cannot be held in memory");
}
