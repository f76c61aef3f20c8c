#include "raster/VexlJp2SdkImageFileReader.h"

#include "raster/VexlJp2SdkBand.h"
#include "raster/sdk/CellTypeCode.h"

namespace {

constexpr const char* kNotSupportedCellType = "Not supported cell type";

} // namespace

CVexlJp2SdkImageFileReader::CVexlJp2SdkImageFileReader(const std::string& path)
    : CImageFileReader(path) {
    if (view.Open(path).GetErrorNumber() != Orv::kErrorNone) {
        throw "Unable to open file.";
    }
    fileInfo.reset(view.GetFileInfo());
    if (!fileInfo) {
        return; // GetImageSize reports the missing information
    }
    bands.reserve(fileInfo->bandCount);
    for (uint32_t band = 0; band < fileInfo->bandCount; ++band) {
        bands.push_back(new CVexlJp2SdkBand(&mutex, &view, fileInfo->cellType, band));
    }
}

CVexlJp2SdkImageFileReader::~CVexlJp2SdkImageFileReader() {
    fileInfo.reset();
    view.Close();
}

float CVexlJp2SdkImageFileReader::GetMaxBandValue() {
    if (!fileInfo) {
        throw kNotSupportedCellType;
    }
    switch (fileInfo->cellType) {
    case Orv::CellTypeCode::UInt8:
        return 255.0f;
    case Orv::CellTypeCode::UInt16:
        return 65535.0f;
    case Orv::CellTypeCode::UInt32:
        return 4294967296.0f;
    case Orv::CellTypeCode::Int8:
        return 127.0f;
    case Orv::CellTypeCode::Int16:
        return 32767.0f;
    case Orv::CellTypeCode::Int32:
        return 2147483648.0f;
    default:
        throw kNotSupportedCellType;
    }
}

CellType CVexlJp2SdkImageFileReader::GetCellType() {
    if (!fileInfo) {
        throw kNotSupportedCellType;
    }
    switch (fileInfo->cellType) {
    case Orv::CellTypeCode::UInt8:
    case Orv::CellTypeCode::Int8:
        return CellType::UInt8;
    case Orv::CellTypeCode::UInt16:
        return CellType::UInt16;
    case Orv::CellTypeCode::Int16:
        return CellType::Int16;
    default:
        throw kNotSupportedCellType;
    }
}

ImageSize CVexlJp2SdkImageFileReader::GetImageSize() {
    if (!fileInfo) {
        throw "Unable to get file size. FileInfo is NULL";
    }
    return ImageSize{fileInfo->width, fileInfo->height};
}
