#include "raster/sdk/VexlFormat.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/LittleEndian.h"

#include <algorithm>

namespace Orv::Vexl {

namespace {

uint64_t MultiplyOrFail(uint64_t a, uint64_t b) {
    uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) {
        throw CError(kErrorCorruptFile);
    }
    return product;
}

} // namespace

Header EncodeHeader(const OrvFileInfo& layout) {
    Header header{};
    std::copy(kMagic.begin(), kMagic.end(), header.begin());
    StoreLittleEndian<uint32_t>(header, kVersionOffset, kVersion);
    StoreLittleEndian<uint32_t>(header, kWidthOffset, layout.width);
    StoreLittleEndian<uint32_t>(header, kHeightOffset, layout.height);
    StoreLittleEndian<uint16_t>(header, kBandCountOffset, layout.bandCount);
    StoreLittleEndian<uint16_t>(header, kCellTypeOffset, static_cast<uint16_t>(layout.cellType));
    return header;
}

OrvFileInfo DecodeHeader(const Header& header) {
    if (!std::equal(kMagic.begin(), kMagic.end(), header.begin()) ||
        LoadLittleEndian<uint32_t>(header, kVersionOffset) != kVersion) {
        throw CError(kErrorCorruptFile);
    }
    OrvFileInfo layout{};
    layout.width = LoadLittleEndian<uint32_t>(header, kWidthOffset);
    layout.height = LoadLittleEndian<uint32_t>(header, kHeightOffset);
    layout.bandCount = LoadLittleEndian<uint16_t>(header, kBandCountOffset);
    layout.cellType = LoadLittleEndian<uint16_t>(header, kCellTypeOffset);
    if (layout.width == 0 || layout.height == 0 || layout.bandCount == 0 ||
        SampleSizeOfCode(layout.cellType) == 0) {
        throw CError(kErrorCorruptFile);
    }
    return layout;
}

uint64_t PayloadSize(const OrvFileInfo& layout) {
    const uint64_t pixels = MultiplyOrFail(layout.width, layout.height);
    const uint64_t samples = MultiplyOrFail(pixels, layout.bandCount);
    return MultiplyOrFail(samples, SampleSizeOfCode(layout.cellType));
}

} // namespace Orv::Vexl
