#include "raster/sdk/Jpeg2000Index.h"

#include <algorithm>
#include <array>

namespace Orv {

namespace {

constexpr uint16_t kStartOfTile = 0xFF90;
constexpr uint16_t kEndOfCodestream = 0xFFD9;
constexpr uint16_t kTilePartLengths = 0xFF55;
constexpr uint16_t kPacketLengthsMain = 0xFF57;
constexpr uint16_t kPackedPacketHeadersMain = 0xFF60;
// The start-of-tile marker segment: marker, length 10, tile index, tile-part
// length, tile-part index, tile-part count.
constexpr size_t kStartOfTileBytes = 12;

constexpr std::array<std::byte, 2> kEndMarker{std::byte{0xFF}, std::byte{0xD9}};

// `bytes.size()` bytes at `offset` of the codestream; false past its end.
bool ReadExactly(const CReadOnlyFile& file, const CodestreamExtent& codestream, uint64_t offset,
                 std::span<std::byte> bytes) {
    return offset <= codestream.length && codestream.length - offset >= bytes.size() &&
           file.ReadAt(codestream.offset + offset, bytes) == bytes.size();
}

uint64_t BigEndian(std::span<const std::byte> bytes) {
    uint64_t value = 0;
    for (const std::byte byte : bytes) {
        value = (value << 8) | std::to_integer<uint64_t>(byte);
    }
    return value;
}

} // namespace

std::unique_ptr<const CCodestreamIndex> CCodestreamIndex::Build(const CReadOnlyFile& file,
                                                                const CodestreamExtent& codestream,
                                                                uint64_t tileCount) {
    std::unique_ptr<CCodestreamIndex> index(new CCodestreamIndex());
    const uint64_t firstTilePart = index->ReadMainHeader(file, codestream);
    if (firstTilePart == 0 || !index->ReadTileParts(file, codestream, firstTilePart, tileCount)) {
        return nullptr;
    }
    return index;
}

uint64_t CCodestreamIndex::ReadMainHeader(const CReadOnlyFile& file,
                                          const CodestreamExtent& codestream) {
    std::array<std::byte, 2> start{};
    if (!ReadExactly(file, codestream, 0, start)) {
        return 0;
    }
    mainHeader.assign(start.begin(), start.end());
    uint64_t offset = 2; // after the start-of-codestream marker
    for (;;) {
        std::array<std::byte, 4> markerAndLength{};
        if (!ReadExactly(file, codestream, offset, markerAndLength)) {
            return 0;
        }
        const uint64_t marker = BigEndian(std::span(markerAndLength).first(2));
        const uint64_t length = BigEndian(std::span(markerAndLength).last(2));
        if (marker == kStartOfTile) {
            return offset;
        }
        if (marker == kPackedPacketHeadersMain || marker < 0xFF00 || length < 2) {
            return 0;
        }
        if (marker != kTilePartLengths && marker != kPacketLengthsMain) {
            const size_t kept = mainHeader.size();
            mainHeader.resize(kept + 2 + length);
            if (!ReadExactly(file, codestream, offset, std::span(mainHeader).subspan(kept))) {
                return 0;
            }
        }
        offset += 2 + length;
    }
}

bool CCodestreamIndex::ReadTileParts(const CReadOnlyFile& file, const CodestreamExtent& codestream,
                                     uint64_t firstTilePart, uint64_t tileCount) {
    // The codestream ends with its end marker, checked when it was opened.
    const uint64_t end = codestream.length - 2;
    uint64_t offset = firstTilePart;
    while (offset < end) {
        std::array<std::byte, kStartOfTileBytes> segment{};
        if (!ReadExactly(file, codestream, offset, segment) ||
            BigEndian(std::span(segment).first(2)) != kStartOfTile ||
            BigEndian(std::span(segment).subspan(2, 2)) != 10) {
            return false;
        }
        const uint64_t tile = BigEndian(std::span(segment).subspan(4, 2));
        uint64_t length = BigEndian(std::span(segment).subspan(6, 4));
        if (length == 0) {
            length = end - offset; // the last tile-part runs to the end marker
        }
        if (tile >= tileCount || length < kStartOfTileBytes + 2 || length > end - offset) {
            return false;
        }
        tileParts.push_back(
            TilePart{static_cast<uint32_t>(tile), codestream.offset + offset, length});
        offset += length;
    }
    std::array<std::byte, 2> last{};
    return offset == end && ReadExactly(file, codestream, end, last) &&
           BigEndian(last) == kEndOfCodestream;
}

std::vector<StreamPiece> CCodestreamIndex::PiecesFor(const std::vector<uint32_t>& tiles) const {
    std::vector<StreamPiece> pieces{StreamPiece{0, mainHeader.size(), mainHeader}};
    for (const TilePart& part : tileParts) {
        if (std::binary_search(tiles.begin(), tiles.end(), part.tile)) {
            pieces.push_back(StreamPiece{part.offset, part.length, {}});
        }
    }
    pieces.push_back(StreamPiece{0, kEndMarker.size(), kEndMarker});
    return pieces;
}

} // namespace Orv
