#include "raster/sdk/Jpeg2000WindowDecoder.h"

#include "raster/sdk/Error.h"
#include "raster/sdk/Jpeg2000Samples.h"

#include <algorithm>
#include <limits>

namespace Orv {

namespace {

// A codec decoding window after window of a single-tile file keeps all of
// its coded data, in every reader: beyond this, fresh codecs read the data
// each window needs.
constexpr uint64_t kMostKeptCodestreamBytes = uint64_t{128} << 20;
// OpenJPEG's memory grows with every area decoded on one codec; after this
// many windows the kept codec starts afresh, which costs about one window's
// decode more, so that memory follows the windows, not their count.
constexpr uint32_t kKeptCodecDecodes = 64;

} // namespace

CWindowDecoder::CWindowDecoder(const CReadOnlyFile& openFile, const CodestreamExtent& extent,
                               const CodestreamLayout& codestreamLayout)
    : file(openFile), codestream(extent), layout(codestreamLayout),
      keepsCodec(layout.TileCount() == 1 && extent.length <= kMostKeptCodestreamBytes) {}

void CWindowDecoder::SetThreadCount(int threadCount) {
    if (threadCount != keptCodecThreads) {
        // OpenJPEG takes the thread count before the header is read.
        keptCodec.reset();
        keptCodecThreads = threadCount;
    }
}

opj_image_t& CWindowDecoder::Decode(const PixelWindow& window,
                                    const std::vector<OPJ_UINT32>& components) {
    freshImage.reset();
    return keepsCodec ? DecodeOnKeptCodec(window) : DecodeOnFreshCodec(window, components);
}

opj_image_t& CWindowDecoder::DecodeOnKeptCodec(const PixelWindow& window) {
    if (keptCodec && keptCodec->decodes >= kKeptCodecDecodes) {
        keptCodec.reset();
    }
    if (!keptCodec) {
        auto stream = std::make_unique<COpjFileStream>(file, codestream);
        OpjHeader header = ReadOpjHeader(*stream, keptCodecThreads);
        keptCodec.emplace(KeptCodec{std::move(stream), std::move(header), 0});
    }
    opj_image_t* image = keptCodec->header.image.get();
    ++keptCodec->decodes;
    if (!DecodeArea(keptCodec->header.codec.get(), keptCodec->stream->Get(), image, window) ||
        !HoldsWindow(*image, window, layout.file.bandCount)) {
        // The codec's state after a failure is unknown: the next window starts afresh.
        keptCodec.reset();
        throw CError(kErrorDecodeFailed);
    }
    return *image;
}

opj_image_t& CWindowDecoder::DecodeOnFreshCodec(const PixelWindow& window,
                                                const std::vector<OPJ_UINT32>& components) {
    const std::unique_ptr<COpjFileStream> stream = StreamFor(window);
    OpjHeader header = ReadOpjHeader(*stream);
    opj_codec_t* codec = header.codec.get();
    if (!components.empty() &&
        !opj_set_decoded_components(codec, static_cast<OPJ_UINT32>(components.size()),
                                    components.data(), OPJ_FALSE)) {
        throw CError(kErrorDecodeFailed);
    }
    const OPJ_UINT32 expectedCount =
        components.empty() ? layout.file.bandCount : static_cast<OPJ_UINT32>(components.size());
    if (!DecodeArea(codec, stream->Get(), header.image.get(), window) ||
        !HoldsWindow(*header.image, window, expectedCount)) {
        throw CError(kErrorDecodeFailed);
    }
    freshImage = std::move(header.image);
    return *freshImage;
}

std::unique_ptr<COpjFileStream> CWindowDecoder::StreamFor(const PixelWindow& window) {
    if (!indexBuilt) {
        indexBuilt = true;
        index = CCodestreamIndex::Build(file, codestream, layout.TileCount());
    }
    if (!index) {
        return std::make_unique<COpjFileStream>(file, codestream);
    }
    const TileSpan span = layout.TilesOf(window);
    std::vector<uint32_t> tiles;
    for (uint32_t row = span.firstRow; row <= span.lastRow; ++row) {
        for (uint32_t column = span.firstColumn; column <= span.lastColumn; ++column) {
            tiles.push_back(row * layout.tileColumns + column);
        }
    }
    return std::make_unique<COpjFileStream>(file, index->PiecesFor(tiles));
}

bool CWindowDecoder::DecodeArea(opj_codec_t* codec, opj_stream_t* stream, opj_image_t* image,
                                const PixelWindow& window) const {
    // The decoder takes the area on the reference grid in signed 32 bits.
    const uint64_t x1 = uint64_t{layout.originX} + window.x0 + window.width;
    const uint64_t y1 = uint64_t{layout.originY} + window.y0 + window.height;
    if (x1 > uint64_t{std::numeric_limits<OPJ_INT32>::max()} ||
        y1 > uint64_t{std::numeric_limits<OPJ_INT32>::max()}) {
        return false;
    }
    return opj_set_decode_area(codec, image, static_cast<OPJ_INT32>(layout.originX + window.x0),
                               static_cast<OPJ_INT32>(layout.originY + window.y0),
                               static_cast<OPJ_INT32>(x1), static_cast<OPJ_INT32>(y1)) &&
           opj_decode(codec, stream, image);
}

} // namespace Orv
