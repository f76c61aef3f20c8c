#pragma once

#include "raster/sdk/DecodedTileCache.h"
#include "raster/sdk/OpjHandles.h"
#include "raster/sdk/RasterDecoder.h"

#include <memory>
#include <optional>
#include <vector>

namespace Orv {

// Decodes windows of a JPEG 2000 codestream with OpenJPEG, at full resolution.
//
// Two ways serve a window, with the same samples:
// - Tiled files read in order: whole JPEG 2000 tiles are decoded once, on one
//   codec per reader that has read the main header once, and kept in a cache
//   shared by all readers of the file; windows are cut from them.
// - Otherwise (one tile covering the image, random access, windows spanning
//   many tiles) a fresh codec decodes only the code blocks of the window:
//   OpenJPEG 2.5.0 decodes several areas with one codec only for single-tile
//   images, and reuse together with a component subset has crashed.
// The file stays open and decoding reads only the parts of the codestream it
// needs, so memory follows the windows and the cache, not the file's size.
class CJpeg2000Decoder : public IRasterDecoder {
public:
    // `codestream` lies inside `file`. Throws CError when the main header is
    // broken or the components differ in size, sub-sampling or sign.
    CJpeg2000Decoder(std::unique_ptr<const CReadOnlyFile> file, const CodestreamExtent& codestream);

    const OrvFileInfo& GetLayout() const override { return layout; }
    void DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) override;

private:
    struct Header {
        OpjCodecPtr codec;
        OpjImagePtr image;
    };
    // The tiles a window touches, as column and row ranges (inclusive).
    struct TileSpan {
        uint32_t firstColumn;
        uint32_t lastColumn;
        uint32_t firstRow;
        uint32_t lastRow;
    };
    // A codec that has read the main header and decodes whole tiles.
    struct TileCodec {
        std::unique_ptr<COpjFileStream> stream;
        Header header;
    };

    Header ReadHeader(const COpjFileStream& stream) const;
    void ReadLayout(const opj_image_t& image);
    void ReadTileGrid(opj_codec_t* codec);
    // Decodes `components` (all when empty) of `window` from a fresh codec.
    OpjImagePtr DecodeComponents(const PixelWindow& window,
                                 const std::vector<OPJ_UINT32>& components) const;
    void DecodeWindowDirectly(uint32_t band, const PixelWindow& window, std::byte* samples);

    TileSpan SpanOf(const PixelWindow& window) const;
    bool ServesFromTiles(const PixelWindow& window, const TileSpan& span);
    void CopyFromTiles(uint32_t band, const PixelWindow& window, const TileSpan& span,
                       std::byte* samples);
    DecodedTile DecodeTile(uint32_t tileIndex);

    std::unique_ptr<const CReadOnlyFile> file;
    CodestreamExtent codestream;
    OrvFileInfo layout{};
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
    // subset), so all components are decoded together and the window is kept
    // for the other bands, which the caller reads next.
    bool usesComponentTransform = false;
    PixelWindow cachedWindow{};
    OpjImagePtr cachedImage;

    // Null when whole tiles are not worth decoding: a single tile, or tiles
    // too large for the cache.
    std::shared_ptr<CDecodedTileCache> tileCache;
    std::optional<TileCodec> tileCodec;
    // The last window read, and whether the file was being read in order
    // when it started (unset before the first).
    PixelWindow lastWindow{};
    std::optional<bool> lastWindowInOrder;
};

} // namespace Orv
