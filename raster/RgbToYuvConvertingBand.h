#pragma once

#include "raster/ImageFileReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CRgbToYuvConvertingFileReader;

// One converted plane (0 Y, 1 U, 2 V) of an RGB-to-YUV reader.
class CRgbToYuvConvertingBand : public CBand {
public:
    CRgbToYuvConvertingBand(CRgbToYuvConvertingFileReader* owner, int32_t plane);

    // Fails with the reader's plain messages when the source cannot be read.
    void ReadRegion(const CRegionPtr& region, float* buffer) override;
    // "converted to Y", "converted to U" or "converted to V".
    std::string GetName() override;
    float* AllocateBuffer(int32_t sampleCount) override;
    void FreeBuffer(float* buffer) override;

private:
    void CheckComponent() const;

    CRgbToYuvConvertingFileReader* reader;
    int32_t component;
};
