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

void CVexlDecoder::DecodeWindow(const PixelWindow& window, std::span<const uint32_t> bands,
                                std::byte* samples) {
    const uint64_t bandBytes = uint64_t{window.width} * window.height * sampleSize;
    for (size_t i = 0; i < bands.size(); ++i) {
        DecodeBand(window, bands[i], samples + i * bandBytes);
    }
}

void CVexlDecoder::DecodeBand(const PixelWindow& window, uint32_t band, std::byte* samples) {
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
