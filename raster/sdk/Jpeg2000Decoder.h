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
// Four ways serve a window, with the same samples:
// - Tiled files read in order: whole JPEG 2000 tiles are decoded once, on one
//   codec per reader that has read the main header once, and kept in a cache
//   shared by all readers of the file; windows are cut from them.
// - Windows covering most of many tiles: assembled from whole tiles decoded
//   on that codec, every band at once, in the file's own sample type.
// - Files of one tile: one codec per reader decodes window after window. It
//   keeps the tile's coded data, so each window decodes only its own code
//   blocks, without reading and parsing the codestream again.
// - Otherwise (random access, windows spanning many tiles but little of
//   them, very large single-tile codestreams) a fresh codec decodes only
//   the code blocks of the window: OpenJPEG 2.5.0 decodes several areas with
//   one codec only for single-tile images, and reuse together with a
//   component subset has crashed, so kept codecs always decode every
//   component.
// The file stays open and decoding reads only the parts of the codestream it
// needs, so memory follows the windows and the cache, not the file's size.
class CJpeg2000Decoder : public IRasterDecoder {
public:
    // `codestream` lies inside `file`. Throws CError when the main header is
    // broken or the components differ in size, sub-sampling or sign.
    CJpeg2000Decoder(std::unique_ptr<const CReadOnlyFile> file, const CodestreamExtent& codestream);

    const OrvFileInfo& GetLayout() const override { return layout; }
    void DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) override;
    // Applies to the kept codec only: fresh codecs would start their threads
    // anew for every window.
    void SetThreadCount(uint32_t threadCount) override;

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
    // A codec that has read the main header once, and decodes whole tiles of
    // a tiled file or windows of a single-tile one.
    struct KeptCodec {
        std::unique_ptr<COpjFileStream> stream;
        Header header;
    };

    Header ReadHeader(const COpjFileStream& stream, int threadCount = 0) const;
    void ReadLayout(const opj_image_t& image);
    void ReadTileGrid(opj_codec_t* codec);
    // Decodes `components` (all when empty) of `window` from a fresh codec.
    OpjImagePtr DecodeComponents(const PixelWindow& window,
                                 const std::vector<OPJ_UINT32>& components) const;
    // Sets the window as the decode area and decodes it; false on failure.
    bool DecodeArea(opj_codec_t* codec, opj_stream_t* stream, opj_image_t* image,
                    const PixelWindow& window) const;
    void DecodeWindowDirectly(uint32_t band, const PixelWindow& window, std::byte* samples);
    // All components of `window`, decoded on the kept codec of a single-tile
    // file; the codec's image holds them until the next window.
    const opj_image_t& DecodeOnKeptCodec(const PixelWindow& window);
    void OpenKeptCodec();

    TileSpan SpanOf(const PixelWindow& window) const;
    bool ServesFromTiles(const PixelWindow& window, const TileSpan& span);
    void CopyFromTiles(uint32_t band, const PixelWindow& window, const TileSpan& span,
                       std::byte* samples);
    // Copies the part of `tile`'s band inside `window` to its place in
    // `samples`, which holds one band of the window.
    void CopyOverlap(const DecodedTile& tile, uint32_t band, const PixelWindow& window,
                     std::byte* samples) const;
    // Windows covering many tiles, most of each, are assembled from whole
    // tiles decoded one by one, every band at once, and kept for the bands
    // read next: in the file's sample type that takes a quarter or less of
    // what OpenJPEG's 32-bit window of every component would.
    bool AssemblesFromTiles(const PixelWindow& window, const TileSpan& span) const;
    void AssembleFromTiles(uint32_t band, const PixelWindow& window, const TileSpan& span,
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
    // Single-tile files whose codestream is small enough to keep decode every
    // window on the kept codec.
    bool decodesWindowsOnKeptCodec = false;
    std::optional<PixelWindow> keptCodecWindow;
    // The last window assembled from whole tiles, every band one after the other.
    std::optional<PixelWindow> assembledWindow;
    std::vector<std::byte> assembled;

    // Null when whole tiles are not worth decoding: a single tile, or tiles
    // too large for the cache.
    std::shared_ptr<CDecodedTileCache> tileCache;
    std::optional<KeptCodec> keptCodec;
    int keptCodecThreads = 0;
    // The last window read, and whether the file was being read in order
    // when it started (unset before the first).
    PixelWindow lastWindow{};
    std::optional<bool> lastWindowInOrder;
};

} // namespace Orv
