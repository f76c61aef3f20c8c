#include "raster/sdk/VexlWriter.h"

#include "platform/ZarnikError.h"
#include "raster/sdk/Error.h"
#include "raster/sdk/VexlFormat.h"

#include <fstream>
#include <stdexcept>

namespace Orv {

void WriteVexlFile(const std::string& fileName, const OrvFileInfo& layout,
                   std::span<const std::byte> samples) {
    const Vexl::Header header = Vexl::EncodeHeader(layout);
    uint64_t payloadSize = 0;
    try {
        // The reader's own checks decide what the format can hold; a code too
        // wide for its 16-bit field comes back changed.
        if (Vexl::DecodeHeader(header).cellType != layout.cellType) {
            throw CError(kErrorCorruptFile);
        }
        payloadSize = Vexl::PayloadSize(layout);
    } catch (const CError&) {
        throw CZarnikError::Detail("layout cannot be stored in a .vexl file");
    }
    if (payloadSize != samples.size()) {
        throw CZarnikError::Detail("sample bytes do not match the .vexl layout");
    }
    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(header.data()), header.size());
    file.write(reinterpret_cast<const char*>(samples.data()),
               static_cast<std::streamsize>(samples.size()));
    file.close();
    if (!file) {
        throw CZarnikError::Detail("cannot write .vexl file " + fileName);
    }
}

} // namespace Orv
