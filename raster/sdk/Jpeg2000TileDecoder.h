#pragma once

#include "raster/sdk/DecodedPartCache.h"
#include "raster/sdk/Jpeg2000Layout.h"
#include "raster/sdk/OpjHandles.h"

#include <memory>
#include <optional>

namespace Orv {

// Decodes whole tiles, every band, on one codec that has read the main
// header once and goes from tile to tile (opj_get_decoded_tile).
class CTileDecoder {
public:
    // `file` and `layout` must outlive the decoder.
    CTileDecoder(const CReadOnlyFile& file, const CodestreamExtent& codestream,
                 const CodestreamLayout& layout);

    // Throws CError when the tile cannot be decoded.
    DecodedPart Decode(uint32_t tileIndex);
    void SetThreadCount(int threadCount);
    // The codec holds the last tile in 32-bit samples: memory that windows
    // decoded otherwise would keep for nothing.
    void DropCodec() { keptCodec.reset(); }

private:
    struct KeptCodec {
        std::unique_ptr<COpjFileStream> stream;
        OpjHeader header;
    };

    const CReadOnlyFile& file;
    CodestreamExtent codestream;
    const CodestreamLayout& layout;
    std::optional<KeptCodec> keptCodec;
    int keptCodecThreads = 0;
};

} // namespace Orv
