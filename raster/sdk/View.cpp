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
        decoder->SetAccessOrder(accessOrder);
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
    lineCount = 0;
    nextLine = 0;
    if (!decoder) {
        return CError(kErrorNotOpen);
    }
    const OrvFileInfo& layout = decoder->GetLayout();
    if (bandCount == 0 || bandIndices == nullptr) {
        return CError(kErrorInvalidView);
    }
    const std::span<const uint32_t> bands(bandIndices, bandCount);
    for (const uint32_t band : bands) {
        if (band >= layout.bandCount) {
            return CError(kErrorInvalidView);
        }
    }
    const bool insideImage = x0 >= 0 && y0 >= 0 && x0 <= x1 && y0 <= y1 &&
                             static_cast<uint32_t>(x1) < layout.width &&
                             static_cast<uint32_t>(y1) < layout.height;
    if (!insideImage || int64_t{x1} - x0 + 1 != width || int64_t{y1} - y0 + 1 != height) {
        return CError(kErrorInvalidView);
    }
    return DecodeWindow(
        bands, PixelWindow{static_cast<uint32_t>(x0), static_cast<uint32_t>(y0), width, height});
}

CError CView::DecodeWindow(std::span<const uint32_t> bands, const PixelWindow& window) {
    try {
        const std::optional<size_t> bandBytes = ByteCountOf(
            window.width, window.height, SampleSizeOfCode(decoder->GetLayout().cellType));
        const std::optional<size_t> byteCount =
            bandBytes ? ByteCountOf(*bandBytes, bands.size(), 1) : std::nullopt;
        if (!byteCount) {
            return CError(kErrorOutOfMemory);
        }
        windowSamples.resize(*byteCount);
        decoder->DecodeWindow(window, bands, windowSamples.data());
    } catch (const CError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return CError(kErrorOutOfMemory);
    } catch (...) {
        return CError(kErrorDecodeFailed);
    }
    windowWidth = window.width;
    lineCount = uint64_t{window.height} * bands.size();
    return CError();
}

template <typename Sample> int32_t CView::ReadLineOf(Sample** line, uint32_t cellType) {
    if (!decoder) {
        return kErrorNotOpen;
    }
    if (cellType != CellTypeCodeOf<Sample>::value || cellType != decoder->GetLayout().cellType ||
        line == nullptr || *line == nullptr || nextLine >= lineCount) {
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

void CView::SetAccessOrder(AccessOrder order) {
    accessOrder = order;
    if (decoder) {
        decoder->SetAccessOrder(order);
    }
}

void CView::Close() {
    decoder.reset();
    windowSamples.clear();
    windowSamples.shrink_to_fit();
    windowWidth = 0;
    lineCount = 0;
    nextLine = 0;
}

} // namespace Orv
