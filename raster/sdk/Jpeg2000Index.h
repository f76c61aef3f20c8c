#pragma once

#include "raster/sdk/Jpeg2000Codestream.h"
#include "raster/sdk/OpjHandles.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Orv {

// The main header of a tiled codestream, kept in memory, and where each
// tile-part lies, so that a window's decoder is handed the main header and
// only the tile-parts of the tiles the window touches: it neither reads the
// header from the file again nor walks past every other tile-part.
class CCodestreamIndex {
public:
    // Null when the codestream's markers do not lie as an index needs them
    // (packed packet headers in the main header, a tile-part length that runs
    // past the end, anything but tile-parts after the main header): such a
    // codestream is read whole, and OpenJPEG judges it as it is.
    static std::unique_ptr<const CCodestreamIndex>
    Build(const CReadOnlyFile& file, const CodestreamExtent& codestream, uint64_t tileCount);

    // A codestream of the main header, the tile-parts of the tiles in
    // `tiles` (sorted, without repeats) in their order in the file, and the
    // end marker. The pieces point into this index, which must outlive them.
    std::vector<StreamPiece> PiecesFor(const std::vector<uint32_t>& tiles) const;

private:
    struct TilePart {
        uint32_t tile;
        uint64_t offset; // in the file
        uint64_t length;
    };

    CCodestreamIndex() = default;
    // Copies the main header, leaving out the tile-part length markers,
    // which would describe tile-parts the decoder is not handed; returns the
    // offset of the first tile-part in the codestream, or 0 when the header
    // cannot be indexed.
    uint64_t ReadMainHeader(const CReadOnlyFile& file, const CodestreamExtent& codestream);
    bool ReadTileParts(const CReadOnlyFile& file, const CodestreamExtent& codestream,
                       uint64_t firstTilePart, uint64_t tileCount);

    std::vector<std::byte> mainHeader;
    std::vector<TilePart> tileParts;
};

} // namespace Orv
