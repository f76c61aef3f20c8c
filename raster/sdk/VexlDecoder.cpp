#include "raster/sdk/VexlDecoder.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/VexlFormat.h"

namespace Orv {

CVexlDecoder::CVexlDecoder(const std::string& fileName) : file(fileName, std::ios::binary) {
    if (!file) {
        throw CError(kErrorCannotReadFile);
    }
    Vexl::Header header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) {
        throw CError(kErrorCorruptFile);
    }
    layout = Vexl::DecodeHeader(header);
    sampleSize = SampleSizeOfCode(layout.cellType);
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    // A file cut short or with bytes appended is not the file that was written.
    if (length < 0 ||
        static_cast<uint64_t>(length) - Vexl::kHeaderSize != Vexl::PayloadSize(layout)) {
        throw CError(kErrorCorruptFile);
    }
}

void CVexlDecoder::DecodeWindow(uint32_t band, const PixelWindow& window, std::byte* samples) {
    const uint64_t rowBytes = uint64_t{window.width} * sampleSize;
    for (uint32_t row = 0; row < window.height; ++row) {
        const uint64_t sampleIndex =
            (uint64_t{band} * layout.height + window.y0 + row) * layout.width + window.x0;
        file.seekg(static_cast<std::streamoff>(Vexl::kHeaderSize + sampleIndex * sampleSize));
        file.read(reinterpret_cast<char*>(samples + row * rowBytes),
                  static_cast<std::streamsize>(rowBytes));
        if (!file) {
            // The stream must stay usable for the next window.
            file.clear();
            throw CError(kErrorDecodeFailed);
        }
    }
}

} // namespace Orv
