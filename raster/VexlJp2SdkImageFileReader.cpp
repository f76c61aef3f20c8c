#include "raster/VexlJp2SdkImageFileReader.h"

#include "platform/Clock.h"
#include "platform/ZarnikError.h"
#include "raster/CellTypeTable.h"
#include "raster/SdkFailure.h"
#include "raster/TileBytes.h"
#include "raster/VexlJp2SdkBand.h"
#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Memory.h"

#include <algorithm>
#include <concepts>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

constexpr const char* kNotSupportedCellType = "Not supported cell type";

template <typename Result> Result FailNotSupported() {
    throw CZarnikError::Complete(kNotSupportedCellType);
}

struct OrvFreeDeleter {
    void operator()(void* memory) const { OrvFree(memory); }
};

// A cell type has a read path when the view reads lines of its samples: every
// type but signed 8-bit.
template <typename Sample>
concept ViewReadsLinesOf = requires(Orv::CView& view, Sample** line, uint32_t cellType) {
    view.ReadLine(line, cellType);
};

} // namespace

CVexlJp2SdkImageFileReader::CVexlJp2SdkImageFileReader(const std::string& path)
    : CImageFileReader(path) {
    if (view.Open(path).GetErrorNumber() != Orv::kErrorNone) {
        throw CZarnikError::Complete("Unable to open file.", InFile(path));
    }
    fileInfo.reset(view.GetFileInfo());
    if (!fileInfo) {
        return; // GetImageSize reports the missing information
    }
    ReserveBands(fileInfo->bandCount);
    for (uint32_t band = 0; band < fileInfo->bandCount; ++band) {
        AddBand(std::make_unique<CVexlJp2SdkBand>(this, static_cast<int32_t>(band)));
    }
}

CVexlJp2SdkImageFileReader::~CVexlJp2SdkImageFileReader() {
    fileInfo.reset();
    view.Close();
}

float CVexlJp2SdkImageFileReader::GetMaxBandValue() {
    if (!fileInfo) {
        throw CZarnikError::Complete(kNotSupportedCellType);
    }
    return Orv::CellTypeCodeTable::Visit(
        fileInfo->cellType,
        []<typename Sample>(std::type_identity<Sample>) -> float {
            if constexpr (std::integral<Sample>) {
                return LargestValueAsFloat<Sample>();
            } else {
                throw CZarnikError::Complete(kNotSupportedCellType);
            }
        },
        FailNotSupported<float>);
}

CellType CVexlJp2SdkImageFileReader::GetCellType() {
    if (!fileInfo) {
        throw CZarnikError::Complete(kNotSupportedCellType);
    }
    return Orv::CellTypeCodeTable::Visit(
        fileInfo->cellType,
        []<typename Sample>(std::type_identity<Sample>) -> CellType {
            // Only 8- and 16-bit integers have a cell type here, and signed
            // 8-bit data is reported as unsigned.
            if constexpr (std::integral<Sample> && sizeof(Sample) == 1) {
                return CellType::UInt8;
            } else if constexpr (std::integral<Sample> && sizeof(Sample) == 2) {
                return CellTypeTable::CodeOf<Sample>();
            } else {
                throw CZarnikError::Complete(kNotSupportedCellType);
            }
        },
        FailNotSupported<CellType>);
}

ImageSize CVexlJp2SdkImageFileReader::GetImageSize() {
    if (!fileInfo) {
        throw CZarnikError::Complete("Unable to get file size. FileInfo is NULL", InFile(fileName));
    }
    return ImageSize{fileInfo->width, fileInfo->height};
}

void CVexlJp2SdkImageFileReader::SetDecoderThreads(int32_t threadCount) {
    CMutexLock lock(mutex);
    view.SetDecoderThreads(threadCount > 1 ? static_cast<uint32_t>(threadCount) : 0);
}

void CVexlJp2SdkImageFileReader::SetTileOrder(TileOrder order) {
    CMutexLock lock(mutex);
    view.SetAccessOrder(order == TileOrder::Sequential ? Orv::AccessOrder::Sequential
                                                       : Orv::AccessOrder::Random);
}

void CVexlJp2SdkImageFileReader::ReadBands(const CRegionPtr& tile, std::span<BandRead> reads) {
    if (reads.empty()) {
        return;
    }
    CMutexLock lock(mutex);
    const uint32_t cellType = fileInfo ? fileInfo->cellType : 0;
    const auto failUnknown = [&] {
        throw CZarnikError::Detail("Unknown cell type " + std::to_string(cellType),
                                   InBand(fileName, reads.front().band));
    };
    Orv::CellTypeCodeTable::Visit(
        cellType,
        [&]<typename Sample>(std::type_identity<Sample>) {
            if constexpr (ViewReadsLinesOf<Sample>) {
                ReadBandsAs<Sample>(*tile, reads);
            } else {
                failUnknown();
            }
        },
        failUnknown);
}

template <typename Sample>
void CVexlJp2SdkImageFileReader::ReadBandsAs(const CRegion& tile, std::span<BandRead> reads) {
    // Refuses a tile whose size wraps; an empty or inverted one has no
    // samples and is refused by the view.
    const bool hasSamples = TileByteCount(tile, sizeof(Sample)) != 0;
    const auto width = static_cast<uint32_t>(tile.Width());
    const auto height = static_cast<uint32_t>(tile.Height());
    // Each line goes from the view's window to floats through one line of
    // samples, so a tile is copied once on its way.
    const size_t lineLength = hasSamples ? width : 0;
    std::unique_ptr<Sample, OrvFreeDeleter> line(
        static_cast<Sample*>(OrvMalloc(lineLength * sizeof(Sample), false)));
    if (!line && lineLength != 0) {
        ThrowTileTooLarge(tile);
    }
    std::vector<uint32_t> indices;
    for (const BandRead& read : reads) {
        indices.push_back(static_cast<uint32_t>(read.band));
    }
    // The decode is shared: its failure is the first band's.
    const FailurePlace first = InBand(fileName, reads.front().band);
    if (indices.size() > UINT16_MAX) {
        ThrowViewFailure("Error setting view", Orv::kErrorInvalidView, first, tile);
    }
    int64_t start = MonotonicMicroseconds();
    const Orv::CError error = view.SetView(static_cast<uint16_t>(indices.size()), indices.data(),
                                           width, height, tile.x0, tile.y0, tile.x1, tile.y1);
    if (error.GetErrorNumber() != Orv::kErrorNone) {
        ThrowViewFailure("Error setting view", error.GetErrorNumber(), first, tile);
    }
    for (BandRead& read : reads) {
        float* floats = read.samples;
        for (uint32_t row = 0; row < height; ++row, floats += width) {
            Sample* samples = line.get();
            if (const int32_t failure = view.ReadLine(&samples, fileInfo->cellType); failure != 0) {
                ThrowViewFailure("Unable to read line", failure, InBand(fileName, read.band), tile);
            }
            // Conversion to float rounds 32-bit integers and doubles to the
            // nearest float and keeps every narrower integer exactly.
            std::transform(samples, samples + width, floats,
                           [](Sample value) { return static_cast<float>(value); });
        }
        const int64_t end = MonotonicMicroseconds();
        read.readUs = end - start;
        read.done = true;
        start = end;
    }
}
