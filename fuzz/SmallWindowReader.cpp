#include "fuzz/SmallWindowReader.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/View.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

constexpr uint32_t kWindowSide = 64;
// Enough to reach the bands that a component transform decodes together.
constexpr uint32_t kBandsRead = 4;
// 2048 x 2048 samples over all bands: far more than any seed, far less than
// a picture whose set-up alone takes OpenJPEG seconds.
constexpr uint64_t kLargestDecodedArea = uint64_t{1} << 22;

struct FileInfoDeleter {
    void operator()(OrvFileInfo* fileInfo) const { OrvFreeFileInfo(fileInfo); }
};

// The comparison addresses pixels with signed 32-bit coordinates, so columns
// and rows past that range are never asked for.
uint32_t AddressableExtent(uint32_t extent) {
    return std::min<uint32_t>(extent, std::numeric_limits<int32_t>::max());
}

struct Window {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;

    uint32_t Width() const { return static_cast<uint32_t>(x1 - x0 + 1); }
    uint32_t Height() const { return static_cast<uint32_t>(y1 - y0 + 1); }
};

std::vector<Window> CornerWindows(const OrvFileInfo& layout) {
    const uint32_t width = AddressableExtent(layout.width);
    const uint32_t height = AddressableExtent(layout.height);
    if (width == 0 || height == 0) {
        return {};
    }
    const auto windowWidth = static_cast<int32_t>(std::min(width, kWindowSide));
    const auto windowHeight = static_cast<int32_t>(std::min(height, kWindowSide));
    const auto right = static_cast<int32_t>(width - 1);
    const auto bottom = static_cast<int32_t>(height - 1);
    return {Window{0, 0, windowWidth - 1, windowHeight - 1},
            Window{right - windowWidth + 1, bottom - windowHeight + 1, right, bottom}};
}

template <typename Sample>
void ReadLines(Orv::CView& view, uint32_t cellType, const Window& window) {
    std::vector<Sample> row(window.Width());
    Sample* line = row.data();
    for (uint32_t y = 0; y < window.Height(); ++y) {
        if (view.ReadLine(&line, cellType) != Orv::kErrorNone) {
            return;
        }
    }
}

// The view reads lines of every sample type the comparison reads; 8-bit
// signed samples have no line reader, their window is decoded all the same.
void ReadWindowLines(Orv::CView& view, uint32_t cellType, const Window& window) {
    Orv::CellTypeCodeTable::Visit(
        cellType,
        [&]<typename Sample>(std::type_identity<Sample>) {
            if constexpr (!std::is_same_v<Sample, int8_t>) {
                ReadLines<Sample>(view, cellType, window);
            }
        },
        [] {});
}

} // namespace

void ReadSmallWindows(const std::string& fileName) {
    Orv::CView view;
    if (view.Open(fileName).GetErrorNumber() != Orv::kErrorNone) {
        return;
    }
    const std::unique_ptr<OrvFileInfo, FileInfoDeleter> layout(view.GetFileInfo());
    if (!layout) {
        return;
    }
    // OpenJPEG sets up per-tile structures in proportion to the declared
    // area, whatever the window: a few hundred bytes can declare a tile of
    // billions of samples that takes seconds and gigabytes to set up. Such a
    // picture is the library's cost, not a fault of ours, so the fuzzer
    // leaves it undecoded and spends its time on our code.
    if (uint64_t{layout->width} * layout->height * layout->bandCount > kLargestDecodedArea) {
        return;
    }
    const uint32_t bandCount = std::min<uint32_t>(layout->bandCount, kBandsRead);
    for (const Window& window : CornerWindows(*layout)) {
        for (uint32_t band = 0; band < bandCount; ++band) {
            const Orv::CError error = view.SetView(1, &band, window.Width(), window.Height(),
                                                   window.x0, window.y0, window.x1, window.y1);
            if (error.GetErrorNumber() == Orv::kErrorNone) {
                ReadWindowLines(view, layout->cellType, window);
            }
        }
    }
}
