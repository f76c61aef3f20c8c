#include "raster/sdk/VexlDecoder.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/VexlFormat.h"

#include <span>

namespace Orv {

CVexlDecoder::CVexlDecoder(const std::string& fileName) : file(fileName) {
    Vexl::Header header{};
    if (file.ReadAt(0, header) != header.size()) {
        throw CError(kErrorCorruptFile);
    }
    layout = Vexl::DecodeHeader(header);
    sampleSize = SampleSizeOfCode(layout.cellType);
    // A file cut short or with bytes appended is not the file that was written.
    if (file.Size() - Vexl::kHeaderSize != Vexl::PayloadSize(layout)) {
        throw CError(kErrorCorruptFile);
    }
}

void CVexlDecoder::DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) {
    const uint64_t rowBytes = uint64_t{window.width} * sampleSize;
    for (uint32_t row = 0; row < window.height; ++row) {
        const uint64_t sampleIndex =
            (uint64_t{band} * layout.height + window.y0 + row) * layout.width + window.x0;
        const std::span<std::byte> rowSamples(samples + row * rowBytes, rowBytes);
        if (file.ReadAt(Vexl::kHeaderSize + sampleIndex * sampleSize, rowSamples) != rowBytes) {
            throw CError(kErrorDecodeFailed); // the file shrank or cannot be read
        }
    }
}

} // namespace Orv
