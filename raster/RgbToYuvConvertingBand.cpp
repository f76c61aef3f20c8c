#include "raster/RgbToYuvConvertingBand.h"

#include "raster/RgbToYuvConvertingFileReader.h"
#include "raster/TileBytes.h"

#include <algorithm>
#include <stdexcept>

CRgbToYuvConvertingBand::CRgbToYuvConvertingBand(Orv::CMutex* decoratorMutex,
                                                 CRgbToYuvConvertingFileReader* owner,
                                                 int32_t plane)
    : readerMutex(decoratorMutex), reader(owner), component(plane) {}

void CRgbToYuvConvertingBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    CheckComponent();
    Orv::CMutexLock lock(*readerMutex);
    const float* plane = reader->GetPlane(region, component);
    std::copy(plane, plane + TileByteCount(*region, sizeof(float)) / sizeof(float), buffer);
}

std::string CRgbToYuvConvertingBand::GetName() {
    CheckComponent();
    static const char* const kNames[] = {"converted to Y", "converted to U", "converted to V"};
    return kNames[component];
}

void CRgbToYuvConvertingBand::CheckComponent() const {
    if (component < 0 || component > 2) {
        throw std::runtime_error("Unknown converted band " + std::to_string(component) +
                                 " must be 0, 1, or 2 for YUV");
    }
}
