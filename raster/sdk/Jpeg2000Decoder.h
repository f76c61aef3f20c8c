#pragma once

#include "raster/sdk/OpjHandles.h"
#include "raster/sdk/RasterDecoder.h"

#include <memory>
#include <vector>

namespace Orv {

// Decodes windows of a JPEG 2000 codestream with OpenJPEG, at full resolution
// and only as much of the codestream as the window touches.
//
// A fresh codec serves each window: OpenJPEG 2.5.0 can reuse a codec only for
// single-tile images, and reuse together with a component subset has
// crashed. The file stays open and each window reads only the parts of the
// codestream it needs, so memory follows the windows, not the file's size.
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

    Header ReadHeader(const COpjFileStream& stream) const;
    void ReadLayout(const opj_image_t& image);
    // Decodes `components` (all when empty) of `window` from a fresh codec.
    OpjImagePtr DecodeComponents(const PixelWindow& window,
                                 const std::vector<OPJ_UINT32>& components) const;

    std::unique_ptr<const CReadOnlyFile> file;
    CodestreamExtent codestream;
    OrvFileInfo layout{};
    // Position of the image on the codestream's reference grid.
    uint32_t originX = 0;
    uint32_t originY = 0;
    // With the multiple-component transform, a component decoded alone comes
    // out untransformed (OpenJPEG skips the transform for any component
    // subset), so all components are decoded together and the window is kept
    // for the other bands, which the caller reads next.
    bool usesComponentTransform = false;
    PixelWindow cachedWindow{};
    OpjImagePtr cachedImage;
};

} // namespace Orv
