#include "raster/sdk/Jpeg2000Codestream.h"

#include "raster/sdk/Error.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <array>
#include <cstddef>
#include <span>

namespace Orv {

namespace {

constexpr uint32_t kSignatureBoxType = 0x6A502020; // "jP  "
constexpr uint32_t kSignatureContent = 0x0D0A870A;
constexpr uint32_t kCodestreamBoxType = 0x6A703263; // "jp2c"
constexpr uint64_t kSignatureBoxSize = 12;

// `byteCount` (at most 8) bytes at `offset` of the extent, as one number.
uint64_t ReadBigEndian(const CReadOnlyFile& file, const CodestreamExtent& extent, uint64_t offset,
                       size_t byteCount) {
    if (extent.length < offset || extent.length - offset < byteCount) {
        throw CError(kErrorCorruptFile);
    }
    std::array<std::byte, 8> bytes{};
    const std::span<std::byte> wanted(bytes.data(), byteCount);
    if (file.ReadAt(extent.offset + offset, wanted) != byteCount) {
        throw CError(kErrorCorruptFile);
    }
    uint64_t value = 0;
    for (const std::byte byte : wanted) {
        value = (value << 8) | std::to_integer<uint64_t>(byte);
    }
    return value;
}

// Every tile has at least one tile-part of at least 14 bytes (its SOT marker
// segment and SOD marker).
constexpr uint64_t kSmallestTilePartBytes = 14;

// The tile count the image size segment declares, from the image's and the
// tile grid's extent and origin; 0 when the grid is malformed, which the
// decoder refuses in its own way.
uint64_t DeclaredTileCount(const CReadOnlyFile& file, const CodestreamExtent& extent) {
    const auto field = [&](uint64_t offset) { return ReadBigEndian(file, extent, offset, 4); };
    const uint64_t imageRight = field(8);
    const uint64_t imageBottom = field(12);
    const uint64_t tileWidth = field(24);
    const uint64_t tileHeight = field(28);
    const uint64_t tileLeft = field(32);
    const uint64_t tileTop = field(36);
    if (tileWidth == 0 || tileHeight == 0 || imageRight <= tileLeft || imageBottom <= tileTop) {
        return 0;
    }
    return ((imageRight - tileLeft + tileWidth - 1) / tileWidth) *
           ((imageBottom - tileTop + tileHeight - 1) / tileHeight);
}

CodestreamExtent CheckCodestreamAt(const CReadOnlyFile& file, const CodestreamExtent& extent) {
    // Start of codestream (FF4F) directly followed by the image size (FF51),
    // and the end marker (FFD9) last.
    if (ReadBigEndian(file, extent, 0, 4) != 0xFF4FFF51 || extent.length < 2 ||
        ReadBigEndian(file, extent, extent.length - 2, 2) != 0xFFD9) {
        throw CError(kErrorCorruptFile);
    }
    // More tiles than the codestream can hold means it was cut short; refused
    // before the decoder sets up every declared tile, which takes time in
    // proportion to their count.
    if (DeclaredTileCount(file, extent) > extent.length / kSmallestTilePartBytes) {
        throw CError(kErrorCorruptFile);
    }
    return extent;
}

} // namespace

CodestreamExtent CheckRawCodestream(const CReadOnlyFile& file) {
    return CheckCodestreamAt(file, CodestreamExtent{0, file.Size()});
}

CodestreamExtent FindCodestreamInJp2Boxes(const CReadOnlyFile& file) {
    const CodestreamExtent whole{0, file.Size()};
    if (ReadBigEndian(file, whole, 0, 4) != kSignatureBoxSize ||
        ReadBigEndian(file, whole, 4, 4) != kSignatureBoxType ||
        ReadBigEndian(file, whole, 8, 4) != kSignatureContent) {
        throw CError(kErrorCorruptFile);
    }
    uint64_t offset = 0;
    while (offset < whole.length) {
        const uint64_t declaredLength = ReadBigEndian(file, whole, offset, 4);
        const uint64_t type = ReadBigEndian(file, whole, offset + 4, 4);
        uint64_t headerSize = 8;
        uint64_t boxLength = declaredLength;
        if (declaredLength == 1) {
            headerSize = 16;
            boxLength = ReadBigEndian(file, whole, offset + 8, 8);
        } else if (declaredLength == 0) {
            boxLength = whole.length - offset; // the last box runs to the end
        }
        if (boxLength < headerSize || boxLength > whole.length - offset) {
            throw CError(kErrorCorruptFile);
        }
        if (type == kCodestreamBoxType) {
            return CheckCodestreamAt(file,
                                     CodestreamExtent{offset + headerSize, boxLength - headerSize});
        }
        offset += boxLength;
    }
    throw CError(kErrorCorruptFile);
}

} // namespace Orv
