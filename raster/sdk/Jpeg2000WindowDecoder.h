#pragma once

#include "raster/sdk/Jpeg2000Index.h"
#include "raster/sdk/Jpeg2000Layout.h"
#include "raster/sdk/OpjHandles.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Orv {

// Decodes windows of a codestream, each holding only the code blocks the
// window needs:
// - A single-tile codestream of at most 128 MiB is decoded window after
//   window on one kept codec, which keeps the tile's coded data, so a window
//   costs only its own code blocks. OpenJPEG 2.5.0 allows repeated area
//   decodes on one codec only for single-tile images, and only with every
//   component (with a component subset it has crashed). Its memory grows a
//   little with every area decoded, so the codec is opened afresh after a
//   fixed number of windows.
// - Otherwise each window has a fresh codec, handed the main header kept in
//   memory and only the tile-parts of the tiles the window touches.
class CWindowDecoder {
public:
    // `file` and `layout` must outlive the decoder.
    CWindowDecoder(const CReadOnlyFile& file, const CodestreamExtent& codestream,
                   const CodestreamLayout& layout);

    // Decodes the components in `components` of `window`, every one when it
    // is empty; the image stays valid until the next call. Throws CError.
    opj_image_t& Decode(const PixelWindow& window, const std::vector<OPJ_UINT32>& components);
    // Whether windows share one codec, which then decodes every component.
    bool KeepsCodec() const { return keepsCodec; }
    // Applies to the kept codec only: fresh codecs would start their threads
    // anew for every window.
    void SetThreadCount(int threadCount);

private:
    struct KeptCodec {
        std::unique_ptr<COpjFileStream> stream;
        OpjHeader header;
        uint32_t decodes = 0;
    };

    opj_image_t& DecodeOnKeptCodec(const PixelWindow& window);
    opj_image_t& DecodeOnFreshCodec(const PixelWindow& window,
                                    const std::vector<OPJ_UINT32>& components);
    // A stream of only what `window` needs when the codestream can be
    // indexed, else of the whole codestream.
    std::unique_ptr<COpjFileStream> StreamFor(const PixelWindow& window);
    // Sets the window as the decode area and decodes it; false on failure.
    bool DecodeArea(opj_codec_t* codec, opj_stream_t* stream, opj_image_t* image,
                    const PixelWindow& window) const;

    const CReadOnlyFile& file;
    CodestreamExtent codestream;
    const CodestreamLayout& layout;
    bool keepsCodec = false;
    std::optional<KeptCodec> keptCodec;
    int keptCodecThreads = 0;
    OpjImagePtr freshImage;
    // Built at the first window decoded on a fresh codec; null when the
    // codestream cannot be indexed.
    std::unique_ptr<const CCodestreamIndex> index;
    bool indexBuilt = false;
};

} // namespace Orv
