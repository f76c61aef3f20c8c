#include "raster/VexlJp2SdkBand.h"

#include "raster/SdkFailure.h"
#include "raster/TileBytes.h"
#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Memory.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <type_traits>

namespace {

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

CVexlJp2SdkBand::CVexlJp2SdkBand(CMutex* sharedMutex, Orv::CView* sharedView, uint32_t fileCellType,
                                 uint32_t index, std::string fileName)
    : readerMutex(sharedMutex), view(sharedView), sdkCellType(fileCellType), bandIndex(index),
      file(std::move(fileName)) {}

void CVexlJp2SdkBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    CMutexLock lock(*readerMutex);
    const auto failUnknown = [this] {
        throw CZarnikError::Detail("Unknown cell type " + std::to_string(sdkCellType), Place());
    };
    Orv::CellTypeCodeTable::Visit(
        sdkCellType,
        [&]<typename Sample>(std::type_identity<Sample>) {
            if constexpr (ViewReadsLinesOf<Sample>) {
                ReadAs<Sample>(*region, buffer);
            } else {
                failUnknown();
            }
        },
        failUnknown);
}

template <typename Sample> void CVexlJp2SdkBand::ReadAs(const CRegion& region, float* buffer) {
    // Refuses a tile whose size wraps; an empty or inverted one has no
    // samples and is refused by the view.
    const bool hasSamples = TileByteCount(region, sizeof(Sample)) != 0;
    const auto width = static_cast<uint32_t>(region.Width());
    const auto height = static_cast<uint32_t>(region.Height());
    // Each line goes from the view's window to floats through one line of
    // samples, so a tile is copied once on its way, and no tile-sized
    // buffer is allocated for every read.
    const size_t lineLength = hasSamples ? width : 0;
    std::unique_ptr<Sample, OrvFreeDeleter> line(
        static_cast<Sample*>(OrvMalloc(lineLength * sizeof(Sample), false)));
    if (!line && lineLength != 0) {
        ThrowTileTooLarge(region);
    }
    const Orv::CError error =
        view->SetView(1, &bandIndex, width, height, region.x0, region.y0, region.x1, region.y1);
    if (error.GetErrorNumber() != Orv::kErrorNone) {
        ThrowViewFailure("Error setting view", error.GetErrorNumber(), Place());
    }
    float* floats = buffer;
    for (uint32_t row = 0; row < height; ++row, floats += width) {
        Sample* samples = line.get();
        if (const int32_t failure = view->ReadLine(&samples, sdkCellType); failure != 0) {
            ThrowViewFailure("Unable to read line", failure, Place());
        }
        // Conversion to float rounds 32-bit integers and doubles to the
        // nearest float and keeps every narrower integer exactly.
        std::transform(samples, samples + width, floats,
                       [](Sample value) { return static_cast<float>(value); });
    }
}

FailurePlace CVexlJp2SdkBand::Place() const {
    return InBand(file, static_cast<int32_t>(bandIndex));
}

float* CVexlJp2SdkBand::AllocateBuffer(int32_t sampleCount) {
    if (sampleCount < 0) {
        throw std::bad_alloc();
    }
    auto* buffer =
        static_cast<float*>(OrvMalloc(static_cast<size_t>(sampleCount) * sizeof(float), false));
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    return buffer;
}

void CVexlJp2SdkBand::FreeBuffer(float* buffer) {
    OrvFree(buffer);
}
