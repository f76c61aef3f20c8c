#include "raster/sdk/Jpeg2000TileDecoder.h"

#include "raster/sdk/Error.h"
#include "raster/sdk/Jpeg2000Samples.h"

namespace Orv {

CTileDecoder::CTileDecoder(const CReadOnlyFile& openFile, const CodestreamExtent& extent,
                           const CodestreamLayout& codestreamLayout)
    : file(openFile), codestream(extent), layout(codestreamLayout) {}

void CTileDecoder::SetThreadCount(int threadCount) {
    if (threadCount != keptCodecThreads) {
        // OpenJPEG takes the thread count before the header is read.
        keptCodec.reset();
        keptCodecThreads = threadCount;
    }
}

DecodedPart CTileDecoder::Decode(uint32_t tileIndex) {
    if (!keptCodec) {
        auto stream = std::make_unique<COpjFileStream>(file, codestream);
        OpjHeader header = ReadOpjHeader(*stream, keptCodecThreads);
        keptCodec.emplace(KeptCodec{std::move(stream), std::move(header)});
    }
    opj_image_t* image = keptCodec->header.image.get();
    const PixelWindow area = layout.TileArea(tileIndex);
    const bool decoded = opj_get_decoded_tile(keptCodec->header.codec.get(),
                                              keptCodec->stream->Get(), image, tileIndex);
    if (!decoded || image->numcomps == 0 ||
        image->comps[0].x0 != uint64_t{layout.originX} + area.x0 ||
        image->comps[0].y0 != uint64_t{layout.originY} + area.y0) {
        // The codec's state after a failure is unknown: the next tile starts afresh.
        keptCodec.reset();
        throw CError(kErrorDecodeFailed);
    }
    try {
        return PartFromImage(*image, area, layout);
    } catch (...) {
        keptCodec.reset();
        throw;
    }
}

} // namespace Orv
