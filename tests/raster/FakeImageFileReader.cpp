#include "tests/raster/FakeImageFileReader.h"

#include <stdexcept>

CFakeBand::CFakeBand(int32_t imageWidth, std::vector<float> samples)
    : imageWidth(imageWidth), samples(std::move(samples)) {}

void CFakeBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    ++readCount;
    if (failReads) {
        throw std::runtime_error("fake read failure");
    }
    for (int32_t y = region->y0; y <= region->y1; ++y) {
        for (int32_t x = region->x0; x <= region->x1; ++x) {
            *buffer++ = samples.at(static_cast<size_t>(y * imageWidth + x));
        }
    }
}

float* CFakeBand::AllocateBuffer(int32_t sampleCount) {
    ++outstandingBuffers;
    return new float[static_cast<size_t>(sampleCount)];
}

void CFakeBand::FreeBuffer(float* buffer) {
    --outstandingBuffers;
    delete[] buffer;
}

CFakeImageFileReader::CFakeImageFileReader(int32_t width, int32_t height, float maxBandValue)
    : CImageFileReader("fake"), width(width), height(height), maxBandValue(maxBandValue) {}

CFakeBand& CFakeImageFileReader::AddBand(std::vector<float> samples) {
    auto* band = new CFakeBand(width, std::move(samples));
    bands.push_back(band);
    return *band;
}
