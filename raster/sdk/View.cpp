#include "raster/sdk/View.h"

#include "raster/sdk/ByteCount.h"
#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/RasterDecoderFactory.h"

#include <cstring>
#include <new>
#include <optional>

namespace Orv {

CError CView::Open(const std::string& fileName) {
    Close();
    try {
        decoder = OpenRasterDecoder(fileName);
        return CError();
    } catch (const CError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return CError(kErrorOutOfMemory);
    } catch (...) {
        return CError(kErrorCannotReadFile);
    }
}

OrvFileInfo* CView::GetFileInfo() const {
    if (!decoder) {
        return nullptr;
    }
    return new (std::nothrow) OrvFileInfo(decoder->GetLayout());
}

CError CView::SetView(uint16_t bandCount, const uint32_t* bandIndices, uint32_t width,
                      uint32_t height, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    // Until a window is decoded, there are no lines to read.
    windowHeight = 0;
    nextLine = 0;
    if (!decoder) {
        return CError(kErrorNotOpen);
    }
    const OrvFileInfo& layout = decoder->GetLayout();
    if (bandCount != 1 || bandIndices == nullptr || bandIndices[0] >= layout.bandCount) {
        return CError(kErrorInvalidView);
    }
    const bool insideImage = x0 >= 0 && y0 >= 0 && x0 <= x1 && y0 <= y1 &&
                             static_cast<uint32_t>(x1) < layout.width &&
                             static_cast<uint32_t>(y1) < layout.height;
    if (!insideImage || int64_t{x1} - x0 + 1 != width || int64_t{y1} - y0 + 1 != height) {
        return CError(kErrorInvalidView);
    }
    return DecodeWindow(bandIndices[0], PixelWindow{static_cast<uint32_t>(x0),
                                                    static_cast<uint32_t>(y0), width, height});
}

CError CView::DecodeWindow(uint32_t band, const PixelWindow& window) {
    try {
        const std::optional<size_t> byteCount = ByteCountOf(
            window.width, window.height, SampleSizeOfCode(decoder->GetLayout().cellType));
        if (!byteCount) {
            return CError(kErrorOutOfMemory);
        }
        windowSamples.resize(*byteCount);
        decoder->DecodeWindow(band, window, windowSamples.data());
    } catch (const CError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return CError(kErrorOutOfMemory);
    } catch (...) {
        return CError(kErrorDecodeFailed);
    }
    windowWidth = window.width;
    windowHeight = window.height;
    return CError();
}

template <typename Sample> int32_t CView::ReadLineOf(Sample** line, uint32_t cellType) {
    if (!decoder) {
        return kErrorNotOpen;
    }
    if (cellType != CellTypeCodeOf<Sample>::value || cellType != decoder->GetLayout().cellType ||
        line == nullptr || *line == nullptr || nextLine >= windowHeight) {
        return kErrorInvalidView;
    }
    const size_t lineBytes = size_t{windowWidth} * sizeof(Sample);
    std::memcpy(*line, windowSamples.data() + nextLine * lineBytes, lineBytes);
    ++nextLine;
    return kErrorNone;
}

int32_t CView::ReadLine(uint8_t** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}
int32_t CView::ReadLine(uint16_t** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}
int32_t CView::ReadLine(uint32_t** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}
int32_t CView::ReadLine(int16_t** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}
int32_t CView::ReadLine(int32_t** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}
int32_t CView::ReadLine(float** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}
int32_t CView::ReadLine(double** line, uint32_t cellType) {
    return ReadLineOf(line, cellType);
}

void CView::SetDecoderThreads(uint32_t threadCount) {
    if (decoder) {
        decoder->SetThreadCount(threadCount);
    }
}

void CView::Close() {
    decoder.reset();
    windowSamples.clear();
    windowSamples.shrink_to_fit();
    windowWidth = 0;
    windowHeight = 0;
    nextLine = 0;
}

} // namespace Orv
