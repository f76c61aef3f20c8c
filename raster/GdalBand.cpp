#include "raster/GdalBand.h"

#include "raster/GdalQuietErrors.h"

#include <cpl_conv.h>

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <stdexcept>

namespace {

struct VsiFreeDeleter {
    void operator()(void* memory) const { VSIFree(memory); }
};

size_t SampleSizeOf(GDALDataType type) {
    switch (type) {
    case GDT_Byte:
        return 1;
    case GDT_UInt16:
    case GDT_Int16:
        return 2;
    case GDT_Float64:
        return 8;
    default:
        return 4;
    }
}

template <typename Sample> void ConvertToFloat(const void* native, size_t count, float* buffer) {
    const auto* samples = static_cast<const Sample*>(native);
    // Integers of up to 16 bits convert exactly; 32-bit integers and doubles
    // round to the nearest float.
    std::transform(samples, samples + count, buffer,
                   [](Sample value) { return static_cast<float>(value); });
}

void ConvertToFloat(GDALDataType type, const void* native, size_t count, float* buffer) {
    switch (type) {
    case GDT_Byte:
        return ConvertToFloat<uint8_t>(native, count, buffer);
    case GDT_UInt16:
        return ConvertToFloat<uint16_t>(native, count, buffer);
    case GDT_Int16:
        return ConvertToFloat<int16_t>(native, count, buffer);
    case GDT_UInt32:
        return ConvertToFloat<uint32_t>(native, count, buffer);
    case GDT_Int32:
        return ConvertToFloat<int32_t>(native, count, buffer);
    case GDT_Float32:
        return ConvertToFloat<float>(native, count, buffer);
    default:
        return ConvertToFloat<double>(native, count, buffer);
    }
}

std::string RegionText(const CRegion& region) {
    return std::to_string(region.x0) + "," + std::to_string(region.y0) + ";" +
           std::to_string(region.x1) + "," + std::to_string(region.y1);
}

// GDAL's allocator, but failing with an exception where CPLMalloc would end
// the process.
void* AllocateOrThrow(size_t byteCount) {
    void* memory = VSIMalloc(byteCount);
    if (memory == nullptr && byteCount != 0) {
        throw std::bad_alloc();
    }
    return memory;
}

// A degenerate tile has no samples; GDAL refuses its window afterwards.
int ExtentOf(int64_t extent) {
    return extent > 0 ? static_cast<int>(extent) : 0;
}

} // namespace

CGdalBand::CGdalBand(Orv::CMutex* sharedMutex, GDALRasterBand* datasetBand)
    : readerMutex(sharedMutex), rasterBand(datasetBand) {}

void CGdalBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    Orv::CMutexLock lock(*readerMutex);
    const GDALDataType type = rasterBand->GetRasterDataType();
    if (type < GDT_Byte || type > GDT_Float64) {
        throw std::runtime_error("Unknown raster data type " + std::to_string(type));
    }
    const int width = ExtentOf(region->Width());
    const int height = ExtentOf(region->Height());
    const size_t sampleCount = size_t(width) * size_t(height);
    const std::unique_ptr<void, VsiFreeDeleter> native(
        AllocateOrThrow(sampleCount * SampleSizeOf(type)));
    CPLErr result;
    {
        const CGdalQuietErrors quiet;
        result = rasterBand->RasterIO(GF_Read, region->x0, region->y0, width, height, native.get(),
                                      width, height, type, 0, 0, nullptr);
    }
    if (result != CE_None) {
        throw std::runtime_error("RasterIO failed for region " + RegionText(*region));
    }
    ConvertToFloat(type, native.get(), sampleCount, buffer);
}

std::string CGdalBand::GetName() {
    static const std::array<const char*, 17> kNames = {
        "GDAL undefined", "GDAL grayscale", "GDAL paletted", "GDAL red",        "GDAL green",
        "GDAL blue",      "GDAL alpha",     "GDAL hue",      "GDAL saturation", "GDAL lightness",
        "GDAL cyan",      "GDAL magenta",   "GDAL yellow",   "GDAL black",      "GDAL Y",
        "GDAL Cb",        "GDAL Cr"};
    const int interpretation = rasterBand->GetColorInterpretation();
    if (interpretation < 0 || interpretation >= static_cast<int>(kNames.size())) {
        throw std::runtime_error("Unknown color interpretation " + std::to_string(interpretation));
    }
    return kNames[static_cast<size_t>(interpretation)];
}

float* CGdalBand::AllocateBuffer(int32_t sampleCount) {
    // A negative count asks for more than any machine has.
    return static_cast<float*>(AllocateOrThrow(static_cast<size_t>(sampleCount) * sizeof(float)));
}

void CGdalBand::FreeBuffer(float* buffer) {
    VSIFree(buffer);
}
