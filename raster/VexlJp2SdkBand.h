#pragma once

#include "raster/ImageFileReader.h"

#include <cstdint>
#include <string>

class CVexlJp2SdkImageFileReader;

// One band of a file read through the raster layer's view. A band's read is
// its reader's band-set read of that band alone.
class CVexlJp2SdkBand : public CBand {
public:
    CVexlJp2SdkBand(CVexlJp2SdkImageFileReader* owner, int32_t index);

    // Fails as the reader's ReadBands does.
    void ReadRegion(const CRegionPtr& region, float* buffer) override;
    std::string GetName() override { return "JP2SDK"; }
    float* AllocateBuffer(int32_t sampleCount) override;
    void FreeBuffer(float* buffer) override;

private:
    CVexlJp2SdkImageFileReader* reader;
    int32_t bandIndex;
};
