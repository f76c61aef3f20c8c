#include "tests/support/FakeImageFileReader.h"

#include "platform/ZarnikError.h"

void CFakeBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    ++readCount;
    if (failReads) {
        throw CZarnikError::Detail("fake read failure");
    }
    for (int32_t y = region->y0; y <= region->y1; ++y) {
        for (int32_t x = region->x0; x <= region->x1; ++x) {
            *buffer++ = samples.at(static_cast<size_t>(y * imageWidth + x));
        }
    }
}

CFakeBand& CFakeImageFileReader::AddBand(std::vector<float> samples, std::string name) {
    auto band = std::make_unique<CFakeBand>(width, std::move(samples), std::move(name));
    CFakeBand& added = *band;
    CImageFileReader::AddBand(std::move(band));
    return added;
}
