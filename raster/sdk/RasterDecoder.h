#pragma once

#include "raster/sdk/FileInfo.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace Orv {

// A rectangle of whole pixels inside the image, already checked by the view.
struct PixelWindow {
    uint32_t x0;
    uint32_t y0;
    uint32_t width;
    uint32_t height;

    bool operator==(const PixelWindow&) const = default;
};

// How the caller will ask for windows: row by row in reading order, each
// row left to right, or in any order. Decoders that share work between
// neighbouring windows do so only for windows read in order.
enum class AccessOrder { Sequential, Random };

// One open file of a format the layer reads. Decoders fail by throwing a
// CError carrying the reason.
class IRasterDecoder {
public:
    virtual ~IRasterDecoder() = default;

    virtual const OrvFileInfo& GetLayout() const = 0;
    // Writes `bands` of `window` at `samples`, one band after the other, each
    // width x height samples, row-major, in the file's own sample type.
    virtual void DecodeWindow(const PixelWindow& window, std::span<const uint32_t> bands,
                              std::byte* samples) = 0;
    // Until told otherwise, a decoder takes its windows to come in any order.
    virtual void SetAccessOrder(AccessOrder) {}
    // Lets decoders that keep a codec from window to window decode on this
    // many threads of the codec's own; 0, the default, decodes on the
    // caller's thread.
    virtual void SetThreadCount(uint32_t) {}
};

} // namespace Orv
