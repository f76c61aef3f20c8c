#include "tests/evaluation/InMemoryImageReader.h"

#include <stdexcept>

namespace {

class InMemoryBand : public CBand {
public:
    InMemoryBand(int32_t index, std::string name, InMemoryImageReader::SampleAt sampleAt)
        : index(index), name(std::move(name)), sampleAt(std::move(sampleAt)) {}

    void ReadRegion(const CRegionPtr& region, float* buffer) override {
        for (int32_t y = region->y0; y <= region->y1; ++y) {
            for (int32_t x = region->x0; x <= region->x1; ++x) {
                *buffer++ = sampleAt(index, x, y);
            }
        }
    }
    std::string GetName() override { return name; }
    float* AllocateBuffer(int32_t sampleCount) override { return new float[sampleCount]; }
    void FreeBuffer(float* buffer) override { delete[] buffer; }

private:
    int32_t index;
    std::string name;
    InMemoryImageReader::SampleAt sampleAt;
};

} // namespace

InMemoryImageReader::InMemoryImageReader(ImageSize size, std::vector<std::string> bandNames,
                                         CellType cellType, float maxBandValue, SampleAt sampleAt)
    : CImageFileReader("in memory"), size(size), cellType(cellType), maxBandValue(maxBandValue) {
    for (size_t b = 0; b < bandNames.size(); ++b) {
        bands.push_back(new InMemoryBand(static_cast<int32_t>(b), bandNames[b], sampleAt));
    }
}
