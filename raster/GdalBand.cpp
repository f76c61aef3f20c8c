#include "raster/GdalBand.h"

#include "platform/ZarnikError.h"
#include "raster/CellTypeTable.h"
#include "raster/GdalCellType.h"
#include "raster/GdalQuietErrors.h"
#include "raster/TileBytes.h"

#include <cpl_conv.h>

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

namespace {

struct VsiFreeDeleter {
    void operator()(void* memory) const { VSIFree(memory); }
};

template <typename Sample> void ConvertToFloat(const void* native, size_t count, float* buffer) {
    const auto* samples = static_cast<const Sample*>(native);
    // Integers of up to 16 bits convert exactly; 32-bit integers and doubles
    // round to the nearest float.
    std::transform(samples, samples + count, buffer,
                   [](Sample value) { return static_cast<float>(value); });
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

// A degenerate tile has no samples; GDAL refuses its window afterwards, as it
// refuses one wider than any image it holds.
int ExtentOf(int64_t extent, const CRegion& region) {
    if (extent > std::numeric_limits<int>::max()) {
        throw CZarnikError::Detail("RasterIO failed for region " + RegionText(region));
    }
    return extent > 0 ? static_cast<int>(extent) : 0;
}

} // namespace

CGdalBand::CGdalBand(CMutex* sharedMutex, GDALRasterBand* datasetBand)
    : readerMutex(sharedMutex), rasterBand(datasetBand) {}

void CGdalBand::ReadRegion(const CRegionPtr& region, float* buffer) {
    CMutexLock lock(*readerMutex);
    const GDALDataType type = rasterBand->GetRasterDataType();
    const std::optional<CellType> cellType = CellTypeOfGdalType(type);
    if (!cellType) {
        throw CZarnikError::Detail("Unknown raster data type " + std::to_string(type));
    }
    const int width = ExtentOf(region->Width(), *region);
    const int height = ExtentOf(region->Height(), *region);
    const auto sampleSize = static_cast<size_t>(GDALGetDataTypeSizeBytes(type));
    const size_t byteCount = TileByteCount(*region, sampleSize);
    const size_t sampleCount = byteCount / sampleSize;
    const std::unique_ptr<void, VsiFreeDeleter> native(VSIMalloc(byteCount));
    if (!native && byteCount != 0) {
        ThrowTileTooLarge(*region);
    }
    CPLErr result;
    {
        const CGdalQuietErrors quiet;
        result = rasterBand->RasterIO(GF_Read, region->x0, region->y0, width, height, native.get(),
                                      width, height, type, 0, 0, nullptr);
    }
    if (result != CE_None) {
        throw CZarnikError::Detail("RasterIO failed for region " + RegionText(*region));
    }
    CellTypeTable::Visit(
        *cellType,
        [&]<typename Sample>(std::type_identity<Sample>) {
            ConvertToFloat<Sample>(native.get(), sampleCount, buffer);
        },
        [] {}); // the cell type came from the table
}

std::string CGdalBand::GetName() {
    static const std::array<const char*, 17> kNames = {
        "GDAL undefined", "GDAL grayscale", "GDAL paletted", "GDAL red",        "GDAL green",
        "GDAL blue",      "GDAL alpha",     "GDAL hue",      "GDAL saturation", "GDAL lightness",
        "GDAL cyan",      "GDAL magenta",   "GDAL yellow",   "GDAL black",      "GDAL Y",
        "GDAL Cb",        "GDAL Cr"};
    const int interpretation = rasterBand->GetColorInterpretation();
    if (interpretation < 0 || interpretation >= static_cast<int>(kNames.size())) {
        throw CZarnikError::Detail("Unknown color interpretation " +
                                   std::to_string(interpretation));
    }
    return kNames[static_cast<size_t>(interpretation)];
}

float* CGdalBand::AllocateBuffer(int32_t sampleCount) {
    if (sampleCount < 0) {
        throw std::bad_alloc();
    }
    return static_cast<float*>(AllocateOrThrow(static_cast<size_t>(sampleCount) * sizeof(float)));
}

void CGdalBand::FreeBuffer(float* buffer) {
    VSIFree(buffer);
}
