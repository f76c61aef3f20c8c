#include "raster/VexlJp2SdkBand.h"

#include "raster/VexlJp2SdkImageFileReader.h"
#include "raster/sdk/Memory.h"

#include <new>

CVexlJp2SdkBand::CVexlJp2SdkBand(CVexlJp2SdkImageFileReader* owner, int32_t index)
    : reader(owner), bandIndex(index) {}

void CVexlJp2SdkBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    BandRead read{bandIndex, buffer};
    reader->ReadBands(region, {&read, 1});
}

float* CVexlJp2SdkBand::AllocateBuffer(int32_t sampleCount) {
    if (sampleCount < 0) {
        throw std::bad_alloc();
    }
    auto* buffer =
        static_cast<float*>(OrvMalloc(static_cast<size_t>(sampleCount) * sizeof(float), false));
    if (buffer == nullptr) {
        throw std::bad_alloc();
    }
    return buffer;
}

void CVexlJp2SdkBand::FreeBuffer(float* buffer) {
    OrvFree(buffer);
}
