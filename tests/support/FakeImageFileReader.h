#pragma once

#include "raster/ImageFileReader.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

// A band held in memory that counts what is done with it and can be told to
// fail its reads.
class CFakeBand : public CBand {
public:
    CFakeBand(int32_t imageWidth, std::vector<float> samples, std::string name)
        : imageWidth(imageWidth), samples(std::move(samples)), name(std::move(name)) {}

    void ReadRegion(const CRegionPtr& region, float* buffer) override;
    std::string GetName() override { return name; }
    float* AllocateBuffer(int32_t sampleCount) override {
        void* memory =
            std::malloc(std::max<size_t>(1, static_cast<size_t>(sampleCount)) * sizeof(float));
        if (memory == nullptr) {
            throw std::bad_alloc();
        }
        ++outstandingBuffers;
        return static_cast<float*>(memory);
    }
    void FreeBuffer(float* buffer) override {
        --outstandingBuffers;
        std::free(buffer);
    }

    int readCount = 0;
    int outstandingBuffers = 0;
    bool failReads = false;

private:
    int32_t imageWidth;
    std::vector<float> samples;
    std::string name;
};

// A reader over bands held in memory, in the order they are added.
class CFakeImageFileReader : public CImageFileReader {
public:
    CFakeImageFileReader(int32_t width, int32_t height, float maxBandValue = 255.0f)
        : CImageFileReader("fake"), width(width), height(height), maxBandValue(maxBandValue) {}

    CFakeBand& AddBand(std::vector<float> samples, std::string name = "fake");
    // A slot in the band list whose band is missing, so GetBand returns null.
    void AddMissingBand() { CImageFileReader::AddBand(nullptr); }
    CFakeBand& Band(int32_t index) { return *static_cast<CFakeBand*>(GetBand(index)); }

    float GetMaxBandValue() override { return maxBandValue; }
    CellType GetCellType() override { return cellType; }
    void SetCellType(CellType newCellType) { cellType = newCellType; }
    ImageSize GetImageSize() override {
        return {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    }

private:
    int32_t width;
    int32_t height;
    float maxBandValue;
    CellType cellType = CellType::UInt8;
};
