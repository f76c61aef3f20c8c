#include "raster/sdk/Jpeg2000Layout.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"

#include <algorithm>
#include <limits>

namespace Orv {

namespace {

uint32_t CellTypeCodeFor(uint32_t precision, bool isSigned) {
    if (precision <= 8) {
        return isSigned ? CellTypeCode::Int8 : CellTypeCode::UInt8;
    }
    if (precision <= 16) {
        return isSigned ? CellTypeCode::Int16 : CellTypeCode::UInt16;
    }
    return isSigned ? CellTypeCode::Int32 : CellTypeCode::UInt32;
}

void ReadImage(const opj_image_t& image, CodestreamLayout& layout) {
    if (image.numcomps == 0 || image.numcomps > std::numeric_limits<uint16_t>::max()) {
        throw CError(kErrorUnsupportedLayout);
    }
    const opj_image_comp_t& first = image.comps[0];
    uint32_t precision = 0;
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        const opj_image_comp_t& component = image.comps[i];
        if (component.dx != 1 || component.dy != 1 || component.w != first.w ||
            component.h != first.h || component.sgnd != first.sgnd || component.prec == 0 ||
            component.prec > 32) {
            throw CError(kErrorUnsupportedLayout);
        }
        // Components of different precision share the widest type.
        precision = std::max(precision, component.prec);
    }
    if (first.w == 0 || first.h == 0) {
        throw CError(kErrorCorruptFile);
    }
    layout.file = OrvFileInfo{first.w, first.h, static_cast<uint16_t>(image.numcomps),
                              CellTypeCodeFor(precision, first.sgnd != 0)};
    layout.sampleSize = SampleSizeOfCode(layout.file.cellType);
    layout.originX = image.x0;
    layout.originY = image.y0;
}

void ReadTileGrid(opj_codec_t* codec, CodestreamLayout& layout) {
    opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
    if (info == nullptr) {
        throw CError(kErrorCorruptFile);
    }
    layout.usesComponentTransform = info->m_default_tile_info.mct != 0;
    layout.tileOriginX = info->tx0;
    layout.tileOriginY = info->ty0;
    layout.tileWidth = info->tdx;
    layout.tileHeight = info->tdy;
    layout.tileColumns = info->tw;
    layout.tileRows = info->th;
    opj_destroy_cstr_info(&info);
    if (layout.tileWidth == 0 || layout.tileHeight == 0 || layout.tileColumns == 0 ||
        layout.tileRows == 0) {
        throw CError(kErrorCorruptFile);
    }
}

} // namespace

CodestreamLayout ReadCodestreamLayout(opj_codec_t* codec, const opj_image_t& image) {
    CodestreamLayout layout;
    ReadImage(image, layout);
    ReadTileGrid(codec, layout);
    return layout;
}

TileSpan CodestreamLayout::TilesOf(const PixelWindow& window) const {
    // Tiles cover the image, so the grid starts at or before the image.
    const auto column = [this](uint64_t x) {
        return static_cast<uint32_t>((originX + x - tileOriginX) / tileWidth);
    };
    const auto row = [this](uint64_t y) {
        return static_cast<uint32_t>((originY + y - tileOriginY) / tileHeight);
    };
    return TileSpan{column(window.x0), column(uint64_t{window.x0} + window.width - 1),
                    row(window.y0), row(uint64_t{window.y0} + window.height - 1)};
}

PixelWindow CodestreamLayout::TileArea(uint32_t tileIndex) const {
    const uint64_t column = tileIndex % tileColumns;
    const uint64_t row = tileIndex / tileColumns;
    const uint64_t left = std::max<uint64_t>(tileOriginX + column * tileWidth, originX);
    const uint64_t top = std::max<uint64_t>(tileOriginY + row * tileHeight, originY);
    const uint64_t right =
        std::min<uint64_t>(tileOriginX + (column + 1) * tileWidth, uint64_t{originX} + file.width);
    const uint64_t bottom =
        std::min<uint64_t>(tileOriginY + (row + 1) * tileHeight, uint64_t{originY} + file.height);
    if (right <= left || bottom <= top) {
        return PixelWindow{0, 0, 0, 0}; // a malformed grid: no pixel of the image
    }
    return PixelWindow{static_cast<uint32_t>(left - originX), static_cast<uint32_t>(top - originY),
                       static_cast<uint32_t>(right - left), static_cast<uint32_t>(bottom - top)};
}

} // namespace Orv
