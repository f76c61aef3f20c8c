#include "evaluation/ScoredRegionWriter.h"

#include <cstdio>

std::string ScoredRegionFileName(const std::string& prefix, const ScoredRegion& tile,
                                 const char* suffix) {
    const char* const format = "%sa_%1.4f__%i_%i_%s";
    const double value = tile.value;
    const int length = std::snprintf(nullptr, 0, format, prefix.c_str(), value, tile.region->x0,
                                     tile.region->y0, suffix);
    std::string name(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(name.data(), name.size(), format, prefix.c_str(), value, tile.region->x0,
                  tile.region->y0, suffix);
    name.resize(static_cast<size_t>(length));
    return name;
}

void WriteScoredRegions(CImageRegionOutputter& outputter, CImageFileReader& originalReader,
                        CImageFileReader& compressedReader, const std::vector<ScoredRegion>& tiles,
                        const std::string& prefix) {
    for (const auto& tile : tiles) {
        const std::string original = ScoredRegionFileName(prefix, tile, "o");
        outputter.OutputRegion(originalReader, original, tile.region);
        // A tile has both its files or neither.
        try {
            outputter.OutputRegion(compressedReader, ScoredRegionFileName(prefix, tile, "c"),
                                   tile.region);
        } catch (...) {
            outputter.RemoveRegion(original);
            throw;
        }
    }
}
