#include "raster/GdalImageFileReader.h"

#include "raster/GdalBand.h"
#include "raster/GdalQuietErrors.h"

namespace {

constexpr const char* kUnsupportedDataType = "Unsuported data type";

// The float nearest to the type's largest value: 2^32 - 1 and 2^31 - 1 round
// up to 2^32 and 2^31.
float MaxValueOf(GDALDataType type) {
    switch (type) {
    case GDT_Byte:
        return 255.0f;
    case GDT_UInt16:
        return 65535.0f;
    case GDT_Int16:
        return 32767.0f;
    case GDT_UInt32:
        return 4294967296.0f;
    case GDT_Int32:
        return 2147483648.0f;
    default:
        throw kUnsupportedDataType;
    }
}

} // namespace

CGdalImageFileReader::CGdalImageFileReader(const std::string& path) : CImageFileReader(path) {
    {
        const CGdalQuietErrors quiet;
        dataset.reset(GDALDataset::FromHandle(GDALOpen(path.c_str(), GA_ReadOnly)));
    }
    if (!dataset) {
        throw "Unable to open file ";
    }
    const int bandCount = dataset->GetRasterCount();
    bands.reserve(static_cast<size_t>(bandCount));
    for (int number = 1; number <= bandCount; ++number) {
        GDALRasterBand* rasterBand = dataset->GetRasterBand(number);
        if (number == 1) {
            maxBandValue = MaxValueOf(rasterBand->GetRasterDataType());
        }
        bands.push_back(new CGdalBand(&mutex, rasterBand));
    }
}

ImageSize CGdalImageFileReader::GetImageSize() {
    if (!dataset) {
        throw "Unable to get image size. Dataset is NULL";
    }
    return ImageSize{static_cast<uint32_t>(dataset->GetRasterXSize()),
                     static_cast<uint32_t>(dataset->GetRasterYSize())};
}

CellType CGdalImageFileReader::GetCellType() {
    if (dataset->GetRasterCount() < 1) {
        throw kUnsupportedDataType; // no band 1 to take the type from
    }
    switch (dataset->GetRasterBand(1)->GetRasterDataType()) {
    case GDT_Byte:
        return CellType::UInt8;
    case GDT_UInt16:
        return CellType::UInt16;
    case GDT_Int16:
        return CellType::Int16;
    case GDT_UInt32:
        return CellType::UInt32;
    case GDT_Int32:
        return CellType::Int32;
    case GDT_Float32:
        return CellType::Float32;
    case GDT_Float64:
        return CellType::Float64;
    default:
        throw kUnsupportedDataType;
    }
}
