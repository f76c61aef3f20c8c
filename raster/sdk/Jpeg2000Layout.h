#pragma once

#include "raster/sdk/FileInfo.h"
#include "raster/sdk/RasterDecoder.h"

#include <openjpeg.h>

#include <cstddef>
#include <cstdint>

namespace Orv {

// The tiles a window touches, as column and row ranges (inclusive).
struct TileSpan {
    uint32_t firstColumn;
    uint32_t lastColumn;
    uint32_t firstRow;
    uint32_t lastRow;

    uint64_t Count() const {
        return uint64_t{lastColumn - firstColumn + 1} * (lastRow - firstRow + 1);
    }
};

// What a JPEG 2000 codestream's main header says about the image and its
// tiles, in the terms windows are read in.
struct CodestreamLayout {
    OrvFileInfo file{};
    size_t sampleSize = 0;
    // Position of the image on the codestream's reference grid.
    uint32_t originX = 0;
    uint32_t originY = 0;
    // The tile grid on the reference grid.
    uint32_t tileOriginX = 0;
    uint32_t tileOriginY = 0;
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    uint32_t tileColumns = 0;
    uint32_t tileRows = 0;
    // With the multiple-component transform, a component decoded alone comes
    // out untransformed (OpenJPEG skips the transform for any component
    // subset), so all components are decoded together.
    bool usesComponentTransform = false;

    uint64_t TileCount() const { return uint64_t{tileColumns} * tileRows; }
    TileSpan TilesOf(const PixelWindow& window) const;
    // Tile `tileIndex`'s pixels inside the image.
    PixelWindow TileArea(uint32_t tileIndex) const;
};

// Throws CError when the components differ in size, sub-sampling or sign,
// or the tile grid is empty.
CodestreamLayout ReadCodestreamLayout(opj_codec_t* codec, const opj_image_t& image);

} // namespace Orv
