#include "raster/sdk/VexlFormat.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"

#include <algorithm>

namespace Orv::Vexl {

namespace {

template <typename Field> void Store(Header& header, size_t offset, Field value) {
    for (size_t i = 0; i < sizeof(Field); ++i) {
        header[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
    }
}

template <typename Field> Field Load(const Header& header, size_t offset) {
    Field value = 0;
    for (size_t i = 0; i < sizeof(Field); ++i) {
        value = static_cast<Field>(value | (static_cast<Field>(header[offset + i]) << (8 * i)));
    }
    return value;
}

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
    Store<uint32_t>(header, kVersionOffset, kVersion);
    Store<uint32_t>(header, kWidthOffset, layout.width);
    Store<uint32_t>(header, kHeightOffset, layout.height);
    Store<uint16_t>(header, kBandCountOffset, layout.bandCount);
    Store<uint16_t>(header, kCellTypeOffset, static_cast<uint16_t>(layout.cellType));
    return header;
}

OrvFileInfo DecodeHeader(const Header& header) {
    if (!std::equal(kMagic.begin(), kMagic.end(), header.begin()) ||
        Load<uint32_t>(header, kVersionOffset) != kVersion) {
        throw CError(kErrorCorruptFile);
    }
    OrvFileInfo layout{};
    layout.width = Load<uint32_t>(header, kWidthOffset);
    layout.height = Load<uint32_t>(header, kHeightOffset);
    layout.bandCount = Load<uint16_t>(header, kBandCountOffset);
    layout.cellType = Load<uint16_t>(header, kCellTypeOffset);
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
