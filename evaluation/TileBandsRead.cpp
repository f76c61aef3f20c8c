#include "evaluation/TileBandsRead.h"

#include "platform/ZarnikError.h"

#include <new>
#include <string>

void CTileBandsRead::Read(CImageFileReader& reader, const std::vector<CBand*>& bands,
                          const CRegionPtr& tile, const char* failurePrefix,
                          const std::string& fileName) {
    Reserve(bands, *tile);
    try {
        reader.ReadBands(tile, reads);
    } catch (...) {
        RethrowWithContext(failurePrefix + std::to_string(FailedBand()) + " with error ",
                           InBand(fileName, FailedBand()));
    }
}

void CTileBandsRead::Reserve(const std::vector<CBand*>& bands, const CRegion& tile) {
    if (buffers.size() != bands.size()) {
        buffers = std::vector<CReusableBandBuffer>(bands.size());
    }
    // The caller has checked that the tile's samples fit a signed 32-bit count.
    const auto sampleCount = static_cast<int32_t>(tile.Width() * tile.Height());
    reads.assign(bands.size(), BandRead{});
    try {
        for (size_t b = 0; b < bands.size(); ++b) {
            reads[b] =
                BandRead{static_cast<int32_t>(b), buffers[b].Reserve(*bands[b], sampleCount)};
        }
    } catch (const std::bad_alloc&) {
        throw CZarnikError::Detail(
            std::string("Tile ") + TileText(tile) + " of " + std::to_string(tile.Width()) + "x" +
            std::to_string(tile.Height()) + " pixels cannot be held in memory");
    }
}

int32_t CTileBandsRead::FailedBand() const {
    // The failure belongs to the first band whose samples are not in place.
    size_t band = 0;
    while (band + 1 < reads.size() && reads[band].done) {
        ++band;
    }
    return static_cast<int32_t>(band);
}
