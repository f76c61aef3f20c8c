#include "raster/GdalCellType.h"

#include "raster/CellTypeTable.h"

#include <cstddef>
#include <type_traits>

std::optional<CellType> CellTypeOfGdalType(GDALDataType type) {
    if (GDALDataTypeIsComplex(type)) {
        return std::nullopt;
    }
    // 0 for GDT_Unknown, which thus matches no row.
    const auto sampleSize = static_cast<size_t>(GDALGetDataTypeSizeBytes(type));
    const bool isInteger = GDALDataTypeIsInteger(type) != FALSE;
    const bool isSigned = GDALDataTypeIsSigned(type) != FALSE;
    std::optional<CellType> found;
    CellTypeTable::ForEachRow([&]<typename Sample>(std::type_identity<Sample>, CellType cellType) {
        if (sizeof(Sample) == sampleSize && std::is_integral_v<Sample> == isInteger &&
            std::is_signed_v<Sample> == isSigned) {
            found = cellType;
        }
    });
    return found;
}
