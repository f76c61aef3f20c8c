#include "raster/SampleDeclaration.h"

#include "raster/GdalOpen.h"

#include "raster/CellTypeTable.h"
#include "raster/GdalCellType.h"
#include "raster/GdalQuietErrors.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <gdal_priv.h>

#include <charconv>
#include <concepts>
#include <cstring>

namespace {

float LargestValueOf(GDALDataType type) {
    const std::optional<CellType> cellType = CellTypeOfGdalType(type);
    if (!cellType) {
        return 0.0f;
    }
    return CellTypeTable::Visit(
        *cellType,
        []<typename Sample>(std::type_identity<Sample>) -> float {
            if constexpr (std::integral<Sample>) {
                return LargestValueAsFloat<Sample>();
            } else {
                return 0.0f;
            }
        },
        []() { return 0.0f; });
}

std::optional<int> DeclaredBits(GDALRasterBand& band) {
    const char* const text = band.GetMetadataItem("NBITS", "IMAGE_STRUCTURE");
    int bits = 0;
    if (text == nullptr ||
        std::from_chars(text, text + std::strlen(text), bits).ec != std::errc() || bits < 1 ||
        bits > 32) {
        return std::nullopt;
    }
    return bits;
}

} // namespace

std::optional<SampleDeclaration> ReadSampleDeclaration(const std::string& path) {
    const GDALDatasetUniquePtr dataset = OpenGdalRaster(path);
    if (!dataset || dataset->GetRasterCount() < 1) {
        return std::nullopt;
    }
    GDALRasterBand& band = *dataset->GetRasterBand(1);
    const GDALDataType type = band.GetRasterDataType();
    SampleDeclaration declared{
        .typeName = GDALGetDataTypeName(type),
        .floatingPoint = GDALDataTypeIsFloating(type) != FALSE,
        .largestValue = LargestValueOf(type),
        .bits = DeclaredBits(band),
        .bandTypeNames = {},
    };
    for (int number = 1; number <= dataset->GetRasterCount(); ++number) {
        declared.bandTypeNames.emplace_back(
            GDALGetDataTypeName(dataset->GetRasterBand(number)->GetRasterDataType()));
    }
    return declared;
}
