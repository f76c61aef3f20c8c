#pragma once

#include "raster/sdk/FileInfo.h"

#include <cstddef>
#include <cstdint>

namespace Orv {

// A rectangle of whole pixels inside the image, already checked by the view.
struct PixelWindow {
    uint32_t x0;
    uint32_t y0;
    uint32_t width;
    uint32_t height;

    bool operator==(const PixelWindow&) const = default;
};

// One open file of a format the layer reads. Decoders fail by throwing a
// CError carrying the reason.
class IRasterDecoder {
public:
    virtual ~IRasterDecoder() = default;

    virtual const OrvFileInfo& GetLayout() const = 0;
    // Writes width x height samples of `band`, row-major, in the file's own
    // sample type, at `samples`.
    virtual void DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) = 0;
    // Lets decoders that keep a codec from window to window decode on this
    // many threads of the codec's own; 0, the default, decodes on the
    // caller's thread.
    virtual void SetThreadCount(uint32_t) {}
};

} // namespace Orv
