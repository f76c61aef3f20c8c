#pragma once

#include "raster/sdk/Error.h"
#include "raster/sdk/FileInfo.h"
#include "raster/sdk/RasterDecoder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace Orv {

// A read-only view of one raster file: open it, ask for its layout, set the
// view to a window of one or more bands, then read the window's lines one by
// one, band after band.
//
// Files decode to the codec's own samples. The layer's texture-dithering
// switch (CConfig) therefore changes nothing for the formats read here.
class CView {
public:
    CView() = default;
    virtual ~CView() = default;
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    // Opens the file, closing any file open before.
    virtual CError Open(const std::string& fileName);
    // A copy of the open file's layout for the caller to keep and give back
    // with OrvFreeFileInfo; null when no file is open.
    virtual OrvFileInfo* GetFileInfo() const;
    // Decodes the window x0..x1, y0..y1 (inclusive file pixels) of the
    // `bandCount` bands in `bandIndices`, all in one decode; `width` and
    // `height` must match the window. The next `height` calls of ReadLine
    // deliver the rows of the first band, top to bottom, the next `height`
    // those of the second band, and so on.
    virtual CError SetView(uint16_t bandCount, const uint32_t* bandIndices, uint32_t width,
                           uint32_t height, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Writes the next row of the window, `width` samples, at `*line`. The
    // cell-type code must be the file's and match the pointer's type.
    // Returns 0 on success, otherwise an ErrorNumber.
    virtual int32_t ReadLine(uint8_t** line, uint32_t cellType);
    virtual int32_t ReadLine(uint16_t** line, uint32_t cellType);
    virtual int32_t ReadLine(uint32_t** line, uint32_t cellType);
    virtual int32_t ReadLine(int16_t** line, uint32_t cellType);
    virtual int32_t ReadLine(int32_t** line, uint32_t cellType);
    virtual int32_t ReadLine(float** line, uint32_t cellType);
    virtual int32_t ReadLine(double** line, uint32_t cellType);
    virtual void Close();
    // Lets a codec kept from window to window decode on this many threads of
    // its own (0: on the caller's thread).
    virtual void SetDecoderThreads(uint32_t threadCount);
    // Tells the decoder whether windows will come in reading order, so that
    // it shares work between neighbouring windows only when they do.
    virtual void SetAccessOrder(AccessOrder order);

private:
    CError DecodeWindow(std::span<const uint32_t> bands, const PixelWindow& window);
    template <typename Sample> int32_t ReadLineOf(Sample** line, uint32_t cellType);

    std::unique_ptr<IRasterDecoder> decoder;
    std::vector<std::byte> windowSamples;
    uint32_t windowWidth = 0;
    uint64_t lineCount = 0; // of all bands of the window
    uint64_t nextLine = 0;
    AccessOrder accessOrder = AccessOrder::Random;
};

} // namespace Orv
