#pragma once

#include "raster/sdk/RasterDecoder.h"

#include "raster/sdk/ReadOnlyFile.h"

#include <string>

namespace Orv {

// Reads windows of a .vexl file straight from disk, one row at a time; the
// file stays open so that a window costs only its own rows, whatever the
// file's size.
class CVexlDecoder : public IRasterDecoder {
public:
    // Throws CError when the file cannot be read or its header and length do
    // not describe a whole .vexl file.
    explicit CVexlDecoder(const std::string& fileName);

    const OrvFileInfo& GetLayout() const override { return layout; }
    void DecodeWindow(const PixelWindow& window, std::span<const uint32_t> bands,
                      std::byte* samples) override;

private:
    void DecodeBand(const PixelWindow& window, uint32_t band, std::byte* samples);

    CReadOnlyFile file;
    OrvFileInfo layout{};
    size_t sampleSize = 0;
};

} // namespace Orv
