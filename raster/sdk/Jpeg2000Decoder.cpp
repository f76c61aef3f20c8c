#include "raster/sdk/Jpeg2000Decoder.h"

#include "raster/sdk/ByteCount.h"
#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/HeapTuning.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

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

// Decoded tiles shared by the readers of one file are bounded by bytes, so
// that wide images with large or deep tiles stay affordable, and by count:
// windows visited row by row cross a row of tiles before coming back to its
// first tile, and a row of windows that straddles two rows of tiles needs
// both, so two rows of tiles (and two more for the workers' overlap) let
// every tile be decoded once.
constexpr size_t kTileCacheBytes = size_t{256} << 20;
constexpr size_t kTileCacheRows = 2;
constexpr size_t kTileCacheSpareTiles = 2;
// Whole tiles are decoded only when at least this many fit the byte bound:
// larger tiles cost too much for the windows that share them.
constexpr size_t kTileCacheSmallestCapacity = 4;
// Windows touching more tiles than this are not cut from cached tiles: they
// are assembled from tiles decoded for them, or decoded directly.
constexpr uint32_t kMostTilesPerWindow = 4;
// A codec decoding window after window of a single-tile file keeps all of
// its coded data, in every reader: beyond this, fresh codecs read the data
// each window needs.
constexpr uint64_t kMostKeptCodestreamBytes = uint64_t{128} << 20;

struct CodestreamFacts {
    bool usesComponentTransform;
    uint32_t tileOriginX;
    uint32_t tileOriginY;
    uint32_t tileWidth;
    uint32_t tileHeight;
    uint32_t tileColumns;
    uint32_t tileRows;
};

CodestreamFacts ReadCodestreamFacts(opj_codec_t* codec) {
    opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
    if (info == nullptr) {
        throw CError(kErrorCorruptFile);
    }
    const CodestreamFacts facts{info->m_default_tile_info.mct != 0,
                                info->tx0,
                                info->ty0,
                                info->tdx,
                                info->tdy,
                                info->tw,
                                info->th};
    opj_destroy_cstr_info(&info);
    if (facts.tileWidth == 0 || facts.tileHeight == 0 || facts.tileColumns == 0 ||
        facts.tileRows == 0) {
        throw CError(kErrorCorruptFile);
    }
    return facts;
}

template <typename Sample> void StoreAs(const OPJ_INT32* decoded, size_t count, std::byte* out) {
    auto* samples = reinterpret_cast<Sample*>(out);
    // OpenJPEG has already clamped every value to the component's range.
    std::transform(decoded, decoded + count, samples,
                   [](OPJ_INT32 value) { return static_cast<Sample>(value); });
}

void StoreComponent(const opj_image_comp_t& component, uint32_t cellType, std::byte* samples) {
    const size_t count = size_t{component.w} * component.h;
    // The layout's code comes from CellTypeCodeFor, so only integer rows are met.
    CellTypeCodeTable::Visit(
        cellType,
        [&]<typename Sample>(std::type_identity<Sample>) {
            StoreAs<Sample>(component.data, count, samples);
        },
        [] { throw CError(kErrorDecodeFailed); });
}

// Whether a decode gave `componentCount` components of the window's size.
bool HoldsWindow(const opj_image_t& image, const PixelWindow& window, uint32_t componentCount) {
    if (image.numcomps != componentCount) {
        return false;
    }
    for (OPJ_UINT32 i = 0; i < image.numcomps; ++i) {
        const opj_image_comp_t& component = image.comps[i];
        if (component.w != window.width || component.h != window.height ||
            component.data == nullptr) {
            return false;
        }
    }
    return true;
}

} // namespace

CJpeg2000Decoder::CJpeg2000Decoder(std::unique_ptr<const CReadOnlyFile> openFile,
                                   const CodestreamExtent& codestreamInFile)
    : file(std::move(openFile)), codestream(codestreamInFile) {
    KeepFreedMemoryForReuse();
    const COpjFileStream stream(*file, codestream);
    const Header header = ReadHeader(stream);
    ReadLayout(*header.image);
    ReadTileGrid(header.codec.get());
}

void CJpeg2000Decoder::ReadTileGrid(opj_codec_t* codec) {
    const CodestreamFacts facts = ReadCodestreamFacts(codec);
    usesComponentTransform = facts.usesComponentTransform;
    tileOriginX = facts.tileOriginX;
    tileOriginY = facts.tileOriginY;
    tileWidth = facts.tileWidth;
    tileHeight = facts.tileHeight;
    tileColumns = facts.tileColumns;
    tileRows = facts.tileRows;
    const uint64_t tileCount = uint64_t{tileColumns} * tileRows;
    decodesWindowsOnKeptCodec = tileCount == 1 && codestream.length <= kMostKeptCodestreamBytes;
    const std::optional<size_t> tileBytes =
        ByteCountOf(uint64_t{tileWidth} * tileHeight, layout.bandCount, sampleSize);
    if (tileCount < 2 || !tileBytes || *tileBytes == 0 ||
        *tileBytes > kTileCacheBytes / kTileCacheSmallestCapacity) {
        return;
    }
    const std::array<uint64_t, 5>& identity = file->Identity();
    std::vector<uint64_t> key(identity.begin(), identity.end());
    key.push_back(codestream.offset);
    key.push_back(codestream.length);
    tileCache = SharedDecodedTileCache(key, kTileCacheRows * tileColumns + kTileCacheSpareTiles,
                                       kTileCacheBytes);
}

CJpeg2000Decoder::Header CJpeg2000Decoder::ReadHeader(const COpjFileStream& stream,
                                                      int threadCount) const {
    Header header{CreateQuietCodestreamDecoder(threadCount), nullptr};
    opj_image_t* image = nullptr;
    const bool read = opj_read_header(stream.Get(), header.codec.get(), &image);
    header.image.reset(image);
    if (!read || image == nullptr) {
        throw CError(kErrorCorruptFile);
    }
    return header;
}

void CJpeg2000Decoder::ReadLayout(const opj_image_t& image) {
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
    layout = OrvFileInfo{first.w, first.h, static_cast<uint16_t>(image.numcomps),
                         CellTypeCodeFor(precision, first.sgnd != 0)};
    sampleSize = SampleSizeOfCode(layout.cellType);
    originX = image.x0;
    originY = image.y0;
}

void CJpeg2000Decoder::DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) {
    const TileSpan span = SpanOf(window);
    if (ServesFromTiles(window, span)) {
        CopyFromTiles(band, window, span, samples);
        return;
    }
    if (AssemblesFromTiles(window, span)) {
        AssembleFromTiles(band, window, span, samples);
        return;
    }
    DecodeWindowDirectly(band, window, samples);
}

bool CJpeg2000Decoder::AssemblesFromTiles(const PixelWindow& window, const TileSpan& span) const {
    if (!tileCache || span.lastColumn >= tileColumns || span.lastRow >= tileRows) {
        return false;
    }
    const uint64_t spannedArea = uint64_t{span.lastColumn - span.firstColumn + 1} * tileWidth *
                                 (uint64_t{span.lastRow - span.firstRow + 1} * tileHeight);
    // Whole tiles are worth decoding when the window covers at least half of them.
    return uint64_t{window.width} * window.height * 2 >= spannedArea;
}

void CJpeg2000Decoder::AssembleFromTiles(uint32_t band, const PixelWindow& window,
                                         const TileSpan& span, std::byte* samples) {
    const std::optional<size_t> bandBytes = ByteCountOf(window.width, window.height, sampleSize);
    if (!bandBytes) {
        throw CError(kErrorOutOfMemory);
    }
    if (assembledWindow != window) {
        // Drop the old window first: a failed decode must not leave it behind
        // under the new window's name, and its memory is wanted for the new.
        assembledWindow.reset();
        assembled = {};
        const std::optional<size_t> allBytes = ByteCountOf(*bandBytes, layout.bandCount, 1);
        if (!allBytes) {
            throw CError(kErrorOutOfMemory);
        }
        assembled.resize(*allBytes);
        for (uint32_t row = span.firstRow; row <= span.lastRow; ++row) {
            for (uint32_t column = span.firstColumn; column <= span.lastColumn; ++column) {
                const DecodedTile tile = DecodeTile(row * tileColumns + column);
                for (uint32_t b = 0; b < layout.bandCount; ++b) {
                    CopyOverlap(tile, b, window, assembled.data() + b * *bandBytes);
                }
            }
        }
        assembledWindow = window;
    }
    std::memcpy(samples, assembled.data() + band * *bandBytes, *bandBytes);
}

CJpeg2000Decoder::TileSpan CJpeg2000Decoder::SpanOf(const PixelWindow& window) const {
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

bool CJpeg2000Decoder::ServesFromTiles(const PixelWindow& window, const TileSpan& span) {
    if (!tileCache || span.lastColumn >= tileColumns || span.lastRow >= tileRows ||
        (span.lastColumn - span.firstColumn + 1) * (span.lastRow - span.firstRow + 1) >
            kMostTilesPerWindow) {
        return false;
    }
    // The bands of one window come one after the other: count the window
    // once. Random windows seldom come in reading order several times
    // running, and for them a whole tile costs several windows.
    if (!(window == lastWindow) || !lastWindowInOrder) {
        lastWindowInOrder = tileCache->NoteWindowInOrder(window);
        lastWindow = window;
    }
    if (*lastWindowInOrder) {
        return true;
    }
    for (uint32_t row = span.firstRow; row <= span.lastRow; ++row) {
        for (uint32_t column = span.firstColumn; column <= span.lastColumn; ++column) {
            if (!tileCache->Contains(row * tileColumns + column)) {
                return false;
            }
        }
    }
    return true;
}

void CJpeg2000Decoder::CopyFromTiles(uint32_t band, const PixelWindow& window, const TileSpan& span,
                                     std::byte* samples) {
    for (uint32_t row = span.firstRow; row <= span.lastRow; ++row) {
        for (uint32_t column = span.firstColumn; column <= span.lastColumn; ++column) {
            const uint32_t tileIndex = row * tileColumns + column;
            // Another worker decodes this tile: rather than wait idle, decode
            // the next one, which windows read in order want soon.
            const uint32_t nextTile = tileIndex + 1;
            if (nextTile < tileColumns * tileRows && tileCache->IsBeingDecoded(tileIndex)) {
                tileCache->DecodeAhead(nextTile, [this, nextTile] { return DecodeTile(nextTile); });
            }
            const std::shared_ptr<const DecodedTile> tile =
                tileCache->Get(tileIndex, [this, tileIndex] { return DecodeTile(tileIndex); });
            CopyOverlap(*tile, band, window, samples);
        }
    }
}

void CJpeg2000Decoder::CopyOverlap(const DecodedTile& tile, uint32_t band,
                                   const PixelWindow& window, std::byte* samples) const {
    const PixelWindow& area = tile.area;
    const uint32_t x0 = std::max(window.x0, area.x0);
    const uint32_t y0 = std::max(window.y0, area.y0);
    const uint32_t x1 = std::min(window.x0 + window.width, area.x0 + area.width);
    const uint32_t y1 = std::min(window.y0 + window.height, area.y0 + area.height);
    if (x0 >= x1 || y0 >= y1) {
        throw CError(kErrorDecodeFailed);
    }
    const size_t planeBytes = size_t{area.width} * area.height * sampleSize;
    const std::byte* plane = tile.samples.data() + band * planeBytes;
    const size_t rowBytes = size_t{x1 - x0} * sampleSize;
    for (uint32_t y = y0; y < y1; ++y) {
        std::memcpy(
            samples + (size_t{y - window.y0} * window.width + (x0 - window.x0)) * sampleSize,
            plane + (size_t{y - area.y0} * area.width + (x0 - area.x0)) * sampleSize, rowBytes);
    }
}

void CJpeg2000Decoder::SetThreadCount(uint32_t threadCount) {
    const int threads = static_cast<int>(std::min<uint32_t>(threadCount, 1024));
    if (threads != keptCodecThreads) {
        // OpenJPEG takes the thread count before the header is read.
        keptCodec.reset();
        keptCodecWindow.reset();
        keptCodecThreads = threads;
    }
}

void CJpeg2000Decoder::OpenKeptCodec() {
    if (!keptCodec) {
        auto stream = std::make_unique<COpjFileStream>(*file, codestream);
        Header header = ReadHeader(*stream, keptCodecThreads);
        keptCodec.emplace(KeptCodec{std::move(stream), std::move(header)});
    }
}

DecodedTile CJpeg2000Decoder::DecodeTile(uint32_t tileIndex) {
    OpenKeptCodec();
    opj_image_t* image = keptCodec->header.image.get();
    if (!opj_get_decoded_tile(keptCodec->header.codec.get(), keptCodec->stream->Get(), image,
                              tileIndex)) {
        // The codec's state after a failure is unknown: the next tile starts afresh.
        keptCodec.reset();
        throw CError(kErrorDecodeFailed);
    }
    const uint32_t column = tileIndex % tileColumns;
    const uint32_t row = tileIndex / tileColumns;
    const uint64_t left =
        std::max<uint64_t>(uint64_t{tileOriginX} + uint64_t{column} * tileWidth, originX);
    const uint64_t top =
        std::max<uint64_t>(uint64_t{tileOriginY} + uint64_t{row} * tileHeight, originY);
    const opj_image_comp_t& first = image->comps[0];
    const PixelWindow area{static_cast<uint32_t>(left - originX),
                           static_cast<uint32_t>(top - originY), first.w, first.h};
    const std::optional<size_t> bandBytes = ByteCountOf(area.width, area.height, sampleSize);
    bool usable = image->numcomps == layout.bandCount && bandBytes && area.width > 0 &&
                  area.height > 0 && first.x0 == left && first.y0 == top &&
                  uint64_t{area.x0} + area.width <= layout.width &&
                  uint64_t{area.y0} + area.height <= layout.height;
    for (OPJ_UINT32 i = 0; usable && i < image->numcomps; ++i) {
        const opj_image_comp_t& component = image->comps[i];
        usable = component.w == first.w && component.h == first.h && component.data != nullptr;
    }
    if (!usable) {
        keptCodec.reset();
        throw CError(kErrorDecodeFailed);
    }
    DecodedTile tile{area, std::vector<std::byte>(*bandBytes * layout.bandCount)};
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
        opj_image_comp_t& component = image->comps[i];
        StoreComponent(component, layout.cellType, tile.samples.data() + i * *bandBytes);
        // The decoded samples are copied: the codec need not hold them until the next tile.
        opj_image_data_free(component.data);
        component.data = nullptr;
    }
    return tile;
}

void CJpeg2000Decoder::DecodeWindowDirectly(uint32_t band, const PixelWindow& window,
                                            std::byte* samples) {
    if (decodesWindowsOnKeptCodec) {
        StoreComponent(DecodeOnKeptCodec(window).comps[band], layout.cellType, samples);
        return;
    }
    // The kept codec holds a whole decoded tile in 32-bit samples: memory
    // that windows read out of order would keep for nothing.
    keptCodec.reset();
    if (!usesComponentTransform) {
        const OpjImagePtr image = DecodeComponents(window, {band});
        StoreComponent(image->comps[0], layout.cellType, samples);
        return;
    }
    if (!cachedImage || !(cachedWindow == window)) {
        // Drop the old window first: a failed decode must not leave it behind
        // under the new window's name.
        cachedImage.reset();
        cachedImage = DecodeComponents(window, {});
        cachedWindow = window;
    }
    StoreComponent(cachedImage->comps[band], layout.cellType, samples);
}

const opj_image_t& CJpeg2000Decoder::DecodeOnKeptCodec(const PixelWindow& window) {
    if (keptCodec && keptCodecWindow == window) {
        return *keptCodec->header.image;
    }
    keptCodecWindow.reset();
    OpenKeptCodec();
    opj_image_t* image = keptCodec->header.image.get();
    if (!DecodeArea(keptCodec->header.codec.get(), keptCodec->stream->Get(), image, window) ||
        !HoldsWindow(*image, window, layout.bandCount)) {
        // The codec's state after a failure is unknown: the next window starts afresh.
        keptCodec.reset();
        throw CError(kErrorDecodeFailed);
    }
    keptCodecWindow = window;
    return *image;
}

bool CJpeg2000Decoder::DecodeArea(opj_codec_t* codec, opj_stream_t* stream, opj_image_t* image,
                                  const PixelWindow& window) const {
    // The decoder takes the area on the reference grid in signed 32 bits.
    const uint64_t x1 = uint64_t{originX} + window.x0 + window.width;
    const uint64_t y1 = uint64_t{originY} + window.y0 + window.height;
    if (x1 > uint64_t{std::numeric_limits<OPJ_INT32>::max()} ||
        y1 > uint64_t{std::numeric_limits<OPJ_INT32>::max()}) {
        return false;
    }
    return opj_set_decode_area(codec, image, static_cast<OPJ_INT32>(originX + window.x0),
                               static_cast<OPJ_INT32>(originY + window.y0),
                               static_cast<OPJ_INT32>(x1), static_cast<OPJ_INT32>(y1)) &&
           opj_decode(codec, stream, image);
}

OpjImagePtr CJpeg2000Decoder::DecodeComponents(const PixelWindow& window,
                                               const std::vector<OPJ_UINT32>& components) const {
    const COpjFileStream stream(*file, codestream);
    Header header = ReadHeader(stream);
    opj_codec_t* codec = header.codec.get();
    if (!components.empty() &&
        !opj_set_decoded_components(codec, static_cast<OPJ_UINT32>(components.size()),
                                    components.data(), OPJ_FALSE)) {
        throw CError(kErrorDecodeFailed);
    }
    const OPJ_UINT32 expectedCount =
        components.empty() ? layout.bandCount : static_cast<OPJ_UINT32>(components.size());
    if (!DecodeArea(codec, stream.Get(), header.image.get(), window) ||
        !HoldsWindow(*header.image, window, expectedCount)) {
        throw CError(kErrorDecodeFailed);
    }
    return std::move(header.image);
}

} // namespace Orv
