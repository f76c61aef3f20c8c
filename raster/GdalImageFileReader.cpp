#include "raster/GdalImageFileReader.h"

#include "raster/GdalOpen.h"

#include "platform/ZarnikError.h"
#include "raster/CellTypeTable.h"
#include "raster/GdalBand.h"
#include "raster/GdalCellType.h"
#include "raster/GdalQuietErrors.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <concepts>
#include <limits>
#include <optional>

namespace {

constexpr const char* kUnsupportedDataType = "Unsuported data type";
// The fixed message, with its trailing blank and no file name.
constexpr const char* kNotOpened = "Unable to open file ";

CellType CellTypeOrThrow(GDALDataType type) {
    const std::optional<CellType> cellType = CellTypeOfGdalType(type);
    if (!cellType) {
        throw CZarnikError::Complete(kUnsupportedDataType);
    }
    return *cellType;
}

// Only integer types have a maximum band value; the reader refuses the
// others unless floating-point samples are accepted.
float MaxValueOf(GDALDataType type, bool floatingPointAccepted) {
    return CellTypeTable::Visit(
        CellTypeOrThrow(type),
        [floatingPointAccepted]<typename Sample>(std::type_identity<Sample>) -> float {
            if constexpr (std::integral<Sample>) {
                return LargestValueAsFloat<Sample>();
            } else {
                if (floatingPointAccepted) {
                    return std::numeric_limits<float>::infinity();
                }
                throw CZarnikError::Complete(kUnsupportedDataType);
            }
        },
        []() -> float { throw CZarnikError::Complete(kUnsupportedDataType); });
}

} // namespace

CGdalImageFileReader::CGdalImageFileReader(const std::string& path, bool floatingPointAccepted)
    : CImageFileReader(path) {
    // Pipes and devices, also those a VRT names, are refused (OpenGdalRaster).
    dataset = OpenGdalRaster(path);
    if (!dataset) {
        throw CZarnikError::Complete(kNotOpened, InFile(path));
    }
    const int bandCount = dataset->GetRasterCount();
    ReserveBands(static_cast<size_t>(bandCount));
    for (int number = 1; number <= bandCount; ++number) {
        GDALRasterBand* rasterBand = dataset->GetRasterBand(number);
        if (number == 1) {
            maxBandValue = MaxValueOf(rasterBand->GetRasterDataType(), floatingPointAccepted);
        }
        AddBand(std::make_unique<CGdalBand>(&mutex, rasterBand));
    }
}

ImageSize CGdalImageFileReader::GetImageSize() {
    if (!dataset) {
        throw CZarnikError::Complete("Unable to get image size. Dataset is NULL", InFile(fileName));
    }
    return ImageSize{static_cast<uint32_t>(dataset->GetRasterXSize()),
                     static_cast<uint32_t>(dataset->GetRasterYSize())};
}

CellType CGdalImageFileReader::GetCellType() {
    if (dataset->GetRasterCount() < 1) {
        throw CZarnikError::Complete(kUnsupportedDataType); // no band 1 to take the type from
    }
    return CellTypeOrThrow(dataset->GetRasterBand(1)->GetRasterDataType());
}

size_t CGdalImageFileReader::BlockRowBytes() const {
    size_t bytes = 0;
    for (int number = 1; number <= dataset->GetRasterCount(); ++number) {
        GDALRasterBand* band = dataset->GetRasterBand(number);
        int blockWidth = 0;
        int blockHeight = 0;
        band->GetBlockSize(&blockWidth, &blockHeight);
        if (blockWidth < 1 || blockHeight < 1) {
            continue;
        }
        const size_t blocksAcross =
            (static_cast<size_t>(dataset->GetRasterXSize()) + static_cast<size_t>(blockWidth) - 1) /
            static_cast<size_t>(blockWidth);
        bytes += blocksAcross * static_cast<size_t>(blockWidth) * static_cast<size_t>(blockHeight) *
                 static_cast<size_t>(GDALGetDataTypeSizeBytes(band->GetRasterDataType()));
    }
    return bytes;
}
