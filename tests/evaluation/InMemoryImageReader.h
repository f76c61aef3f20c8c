#pragma once

#include "raster/ImageFileReader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A reader over samples computed from their position, so tests can check
// exactly which pixels were read or written.
class InMemoryImageReader : public CImageFileReader {
public:
    using SampleAt = std::function<float(int32_t band, int32_t x, int32_t y)>;

    InMemoryImageReader(ImageSize size, std::vector<std::string> bandNames, CellType cellType,
                        float maxBandValue, SampleAt sampleAt);

    float GetMaxBandValue() override { return maxBandValue; }
    ImageSize GetImageSize() override { return size; }
    CellType GetCellType() override { return cellType; }

private:
    ImageSize size;
    CellType cellType;
    float maxBandValue;
};
