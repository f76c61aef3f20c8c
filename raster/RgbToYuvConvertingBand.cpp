#include "raster/RgbToYuvConvertingBand.h"

#include "platform/ZarnikError.h"
#include "raster/RgbToYuvConvertingFileReader.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>

CRgbToYuvConvertingBand::CRgbToYuvConvertingBand(CRgbToYuvConvertingFileReader* owner,
                                                 int32_t plane)
    : reader(owner), component(plane) {}

void CRgbToYuvConvertingBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    CheckComponent();
    reader->ReadComponent(region, component, buffer);
}

std::string CRgbToYuvConvertingBand::GetName() {
    CheckComponent();
    static const char* const kNames[] = {"converted to Y", "converted to U", "converted to V"};
    return kNames[component];
}

// Plain floats from the C allocator, handed back by FreeBuffer; at least one
// sample, so that an empty tile still gets a buffer of its own.
float* CRgbToYuvConvertingBand::AllocateBuffer(int32_t sampleCount) {
    if (sampleCount < 0) {
        throw std::bad_alloc();
    }
    void* memory =
        std::malloc(std::max<size_t>(1, static_cast<size_t>(sampleCount)) * sizeof(float));
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return static_cast<float*>(memory);
}

void CRgbToYuvConvertingBand::FreeBuffer(float* buffer) {
    std::free(buffer);
}

void CRgbToYuvConvertingBand::CheckComponent() const {
    if (component < 0 || component > 2) {
        throw CZarnikError::Detail("Unknown converted band " + std::to_string(component) +
                                   " must be 0, 1, or 2 for YUV");
    }
}
