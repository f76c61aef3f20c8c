#pragma once

#include "raster/sdk/DecodedPartCache.h"
#include "raster/sdk/Jpeg2000Layout.h"
#include "raster/sdk/Jpeg2000TileDecoder.h"
#include "raster/sdk/Jpeg2000WindowDecoder.h"
#include "raster/sdk/RasterDecoder.h"

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace Orv {

// Decodes windows of a JPEG 2000 codestream with OpenJPEG, at full resolution.
//
// Three ways serve a window, with the same samples:
// - Windows read in order are cut from parts decoded once and kept in a
//   cache shared by all readers of the file: whole JPEG 2000 tiles of a tiled
//   file, decoded on one codec per reader; or, for single-tile files and
//   tiles too large to cache, strips as wide as a window and many windows
//   high, so that each window's code blocks are decoded with its column's,
//   and memory holds two rows of strips, never the whole image.
// - Windows covering most of many tiles are assembled from whole tiles
//   decoded one by one, in the file's own sample type.
// - Any other window (random access above all) is decoded alone, holding
//   only the code blocks it needs (CWindowDecoder).
// The file stays open and decoding reads only the parts of the codestream it
// needs, so memory follows the windows and the cache, not the file's size.
class CJpeg2000Decoder : public IRasterDecoder {
public:
    // `codestream` lies inside `file`. Throws CError when the main header is
    // broken or the components differ in size, sub-sampling or sign.
    CJpeg2000Decoder(std::unique_ptr<const CReadOnlyFile> file, const CodestreamExtent& codestream);

    const OrvFileInfo& GetLayout() const override { return layout.file; }
    void DecodeWindow(const PixelWindow& window, std::span<const uint32_t> bands,
                      std::byte* samples) override;
    void SetAccessOrder(AccessOrder order) override;
    void SetThreadCount(uint32_t threadCount) override;

private:
    // How the image is cut into parts for the shared cache: a grid of
    // `columns` x `rows` parts, each a whole tile when `stripHeight` is 0,
    // else a strip `columnWidth` wide (the first window's width, from
    // `columnOrigin` on) and `stripHeight` high.
    struct PartGrid {
        uint32_t columns = 0;
        uint32_t rows = 0;
        uint32_t stripHeight = 0;
        uint32_t columnOrigin = 0;
        uint32_t columnWidth = 0;
    };

    static CodestreamLayout ReadLayout(const CReadOnlyFile& file,
                                       const CodestreamExtent& codestream);
    bool TilesAreCacheable() const;
    // Sets up the parts and the shared cache at the first window read in
    // order; strips are at least as high as that window. False when windows
    // cannot be served from parts (strips too large for the cache).
    bool PrepareParts(const PixelWindow& window);
    // The parts a window is cut from; nothing when it cannot be cut from them.
    std::optional<TileSpan> PartsOf(const PixelWindow& window) const;
    PixelWindow PartArea(uint32_t partIndex) const;
    DecodedPart DecodePart(uint32_t partIndex);
    bool ServesFromParts(const PixelWindow& window);
    void CopyFromParts(const PixelWindow& window, std::span<const uint32_t> bands,
                       std::byte* samples);
    bool AssemblesFromTiles(const PixelWindow& window) const;
    void AssembleFromTiles(const PixelWindow& window, std::span<const uint32_t> bands,
                           std::byte* samples);
    void DecodeWindowAlone(const PixelWindow& window, std::span<const uint32_t> bands,
                           std::byte* samples);
    size_t BandBytes(const PixelWindow& window) const;

    std::unique_ptr<const CReadOnlyFile> file;
    CodestreamExtent codestream;
    CodestreamLayout layout;
    AccessOrder order = AccessOrder::Random;
    CTileDecoder tileDecoder;
    CWindowDecoder windowDecoder;
    // Null until the first window read in order, and when parts do not pay.
    std::shared_ptr<CDecodedPartCache> partCache;
    PartGrid grid;
    bool partsPrepared = false;
};

} // namespace Orv
