#include "raster/sdk/Jpeg2000Decoder.h"

#include "raster/sdk/ByteCount.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/HeapTuning.h"
#include "raster/sdk/Jpeg2000Samples.h"

#include <algorithm>
#include <array>
#include <optional>

namespace Orv {

namespace {

// Decoded parts shared by the readers of one file are bounded by bytes, so
// that wide images with large or deep tiles stay affordable, and by count:
// windows visited row by row cross a row of parts before coming back to its
// first part, and a row of windows that straddles two rows of parts needs
// both, so two rows of parts (and two more for the workers' overlap) let
// every part be decoded once.
constexpr size_t kPartCacheBytes = size_t{256} << 20;
constexpr size_t kPartCacheRows = 2;
constexpr size_t kPartCacheSpareParts = 2;
// Parts are decoded only when at least this many fit the byte bound:
// larger ones cost too much for the windows that share them.
constexpr size_t kPartCacheSmallestCapacity = 4;
// Windows touching more parts than this are not cut from cached parts.
constexpr uint64_t kMostPartsPerWindow = 4;
// Strips are at least this high and a multiple of this: OpenJPEG decodes the
// code blocks a strip touches and a few rows beyond its edges at every
// resolution, and every area decoded on a single-tile codec costs a fixed
// share of the whole tile, so lower strips would cost too often.
constexpr uint32_t kLeastStripHeight = 2048;
constexpr uint32_t kStripHeightStep = 64;

} // namespace

CJpeg2000Decoder::CJpeg2000Decoder(std::unique_ptr<const CReadOnlyFile> openFile,
                                   const CodestreamExtent& codestreamInFile)
    : file(std::move(openFile)), codestream(codestreamInFile),
      layout(ReadLayout(*file, codestream)), tileDecoder(*file, codestream, layout),
      windowDecoder(*file, codestream, layout) {
    KeepFreedMemoryForReuse();
}

CodestreamLayout CJpeg2000Decoder::ReadLayout(const CReadOnlyFile& file,
                                              const CodestreamExtent& codestream) {
    const COpjFileStream stream(file, codestream);
    const OpjHeader header = ReadOpjHeader(stream);
    return ReadCodestreamLayout(header.codec.get(), *header.image);
}

void CJpeg2000Decoder::SetAccessOrder(AccessOrder newOrder) {
    order = newOrder;
    if (order == AccessOrder::Random) {
        tileDecoder.DropCodec();
    }
}

void CJpeg2000Decoder::SetThreadCount(uint32_t threadCount) {
    const int threads = static_cast<int>(std::min<uint32_t>(threadCount, 1024));
    tileDecoder.SetThreadCount(threads);
    windowDecoder.SetThreadCount(threads);
}

size_t CJpeg2000Decoder::BandBytes(const PixelWindow& window) const {
    const std::optional<size_t> bytes = ByteCountOf(window.width, window.height, layout.sampleSize);
    if (!bytes) {
        throw CError(kErrorOutOfMemory);
    }
    return *bytes;
}

void CJpeg2000Decoder::DecodeWindow(const PixelWindow& window, std::span<const uint32_t> bands,
                                    std::byte* samples) {
    if (ServesFromParts(window)) {
        CopyFromParts(window, bands, samples);
    } else if (AssemblesFromTiles(window)) {
        AssembleFromTiles(window, bands, samples);
    } else {
        DecodeWindowAlone(window, bands, samples);
    }
}

bool CJpeg2000Decoder::TilesAreCacheable() const {
    const std::optional<size_t> tileBytes = ByteCountOf(
        uint64_t{layout.tileWidth} * layout.tileHeight, layout.file.bandCount, layout.sampleSize);
    return layout.TileCount() >= 2 && tileBytes && *tileBytes != 0 &&
           *tileBytes <= kPartCacheBytes / kPartCacheSmallestCapacity;
}

bool CJpeg2000Decoder::PrepareParts(const PixelWindow& window) {
    partsPrepared = true;
    if (TilesAreCacheable()) {
        grid = PartGrid{layout.tileColumns, layout.tileRows, 0, 0, 0};
    } else {
        const uint32_t height = std::max(kLeastStripHeight, window.height);
        const uint32_t stripHeight =
            (height + kStripHeightStep - 1) / kStripHeightStep * kStripHeightStep;
        const std::optional<size_t> stripBytes = ByteCountOf(
            uint64_t{window.width} * stripHeight, layout.file.bandCount, layout.sampleSize);
        if (!stripBytes || *stripBytes > kPartCacheBytes / kPartCacheSmallestCapacity) {
            return false;
        }
        const uint32_t origin = window.x0 % window.width;
        grid = PartGrid{(layout.file.width - origin + window.width - 1) / window.width,
                        (layout.file.height + stripHeight - 1) / stripHeight, stripHeight, origin,
                        window.width};
    }
    const std::array<uint64_t, 5>& identity = file->Identity();
    std::vector<uint64_t> key(identity.begin(), identity.end());
    key.insert(key.end(), {codestream.offset, codestream.length, grid.stripHeight,
                           grid.columnOrigin, grid.columnWidth});
    partCache = SharedDecodedPartCache(key, kPartCacheRows * grid.columns + kPartCacheSpareParts,
                                       kPartCacheBytes);
    return true;
}

std::optional<TileSpan> CJpeg2000Decoder::PartsOf(const PixelWindow& window) const {
    if (grid.stripHeight == 0) {
        return layout.TilesOf(window);
    }
    // A window is cut from a column of strips only when it has the column's
    // very columns: OpenJPEG's samples of an area depend, in rare places, on
    // how far the area reaches left and right, never on how far up and down.
    if (window.x0 < grid.columnOrigin || (window.x0 - grid.columnOrigin) % grid.columnWidth != 0) {
        return std::nullopt;
    }
    const uint32_t column = (window.x0 - grid.columnOrigin) / grid.columnWidth;
    if (column >= grid.columns || PartArea(column).width != window.width) {
        return std::nullopt;
    }
    return TileSpan{column, column, window.y0 / grid.stripHeight,
                    (window.y0 + window.height - 1) / grid.stripHeight};
}

PixelWindow CJpeg2000Decoder::PartArea(uint32_t partIndex) const {
    if (grid.stripHeight == 0) {
        return layout.TileArea(partIndex);
    }
    const uint32_t left = grid.columnOrigin + partIndex % grid.columns * grid.columnWidth;
    const uint32_t top = partIndex / grid.columns * grid.stripHeight;
    return PixelWindow{left, top, std::min(grid.columnWidth, layout.file.width - left),
                       std::min(grid.stripHeight, layout.file.height - top)};
}

DecodedPart CJpeg2000Decoder::DecodePart(uint32_t partIndex) {
    if (grid.stripHeight == 0) {
        return tileDecoder.Decode(partIndex);
    }
    const PixelWindow area = PartArea(partIndex);
    return PartFromImage(windowDecoder.Decode(area, {}), area, layout);
}

bool CJpeg2000Decoder::ServesFromParts(const PixelWindow& window) {
    if (order != AccessOrder::Sequential || (!partsPrepared && !PrepareParts(window)) ||
        !partCache) {
        return false;
    }
    const std::optional<TileSpan> span = PartsOf(window);
    return span && span->lastColumn < grid.columns && span->lastRow < grid.rows &&
           span->Count() <= kMostPartsPerWindow;
}

void CJpeg2000Decoder::CopyFromParts(const PixelWindow& window, std::span<const uint32_t> bands,
                                     std::byte* samples) {
    const TileSpan span = *PartsOf(window);
    const size_t bandBytes = BandBytes(window);
    const uint32_t partCount = grid.columns * grid.rows;
    for (uint32_t row = span.firstRow; row <= span.lastRow; ++row) {
        for (uint32_t column = span.firstColumn; column <= span.lastColumn; ++column) {
            const uint32_t partIndex = row * grid.columns + column;
            // Another worker decodes this part: rather than wait idle, decode
            // the next one, which windows read in order want soon.
            const uint32_t nextPart = partIndex + 1;
            if (nextPart < partCount && partCache->IsBeingDecoded(partIndex)) {
                partCache->DecodeAhead(nextPart, [this, nextPart] { return DecodePart(nextPart); });
            }
            const std::shared_ptr<const DecodedPart> part =
                partCache->Get(partIndex, [this, partIndex] { return DecodePart(partIndex); });
            for (size_t i = 0; i < bands.size(); ++i) {
                CopyOverlap(*part, bands[i], window, layout.sampleSize, samples + i * bandBytes);
            }
        }
    }
}

bool CJpeg2000Decoder::AssemblesFromTiles(const PixelWindow& window) const {
    const TileSpan span = layout.TilesOf(window);
    if (!TilesAreCacheable() || span.lastColumn >= layout.tileColumns ||
        span.lastRow >= layout.tileRows) {
        return false;
    }
    const uint64_t spannedArea = uint64_t{span.lastColumn - span.firstColumn + 1} *
                                 layout.tileWidth *
                                 (uint64_t{span.lastRow - span.firstRow + 1} * layout.tileHeight);
    // Whole tiles are worth decoding when the window covers at least half of them.
    return uint64_t{window.width} * window.height * 2 >= spannedArea;
}

void CJpeg2000Decoder::AssembleFromTiles(const PixelWindow& window, std::span<const uint32_t> bands,
                                         std::byte* samples) {
    const TileSpan span = layout.TilesOf(window);
    const size_t bandBytes = BandBytes(window);
    for (uint32_t row = span.firstRow; row <= span.lastRow; ++row) {
        for (uint32_t column = span.firstColumn; column <= span.lastColumn; ++column) {
            const DecodedPart tile = tileDecoder.Decode(row * layout.tileColumns + column);
            for (size_t i = 0; i < bands.size(); ++i) {
                CopyOverlap(tile, bands[i], window, layout.sampleSize, samples + i * bandBytes);
            }
        }
    }
}

void CJpeg2000Decoder::DecodeWindowAlone(const PixelWindow& window, std::span<const uint32_t> bands,
                                         std::byte* samples) {
    tileDecoder.DropCodec();
    // OpenJPEG decodes a subset of components in increasing order.
    std::vector<OPJ_UINT32> components(bands.begin(), bands.end());
    std::sort(components.begin(), components.end());
    components.erase(std::unique(components.begin(), components.end()), components.end());
    const bool decodesAll = windowDecoder.KeepsCodec() || layout.usesComponentTransform ||
                            components.size() == layout.file.bandCount;
    const opj_image_t& image =
        windowDecoder.Decode(window, decodesAll ? std::vector<OPJ_UINT32>{} : components);
    const size_t bandBytes = BandBytes(window);
    for (size_t i = 0; i < bands.size(); ++i) {
        const size_t position =
            decodesAll ? bands[i]
                       : static_cast<size_t>(
                             std::lower_bound(components.begin(), components.end(), bands[i]) -
                             components.begin());
        StoreComponent(image.comps[position], layout.file.cellType, samples + i * bandBytes);
    }
}

} // namespace Orv
