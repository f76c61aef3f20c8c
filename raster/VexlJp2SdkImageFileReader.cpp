#include "raster/VexlJp2SdkImageFileReader.h"

#include "platform/ZarnikError.h"
#include "raster/CellTypeTable.h"
#include "raster/VexlJp2SdkBand.h"
#include "raster/sdk/CellTypeCode.h"

#include <concepts>
#include <type_traits>

namespace {

constexpr const char* kNotSupportedCellType = "Not supported cell type";

template <typename Result> Result FailNotSupported() {
    throw CZarnikError::Complete(kNotSupportedCellType);
}

} // namespace

CVexlJp2SdkImageFileReader::CVexlJp2SdkImageFileReader(const std::string& path)
    : CImageFileReader(path) {
    if (view.Open(path).GetErrorNumber() != Orv::kErrorNone) {
        throw CZarnikError::Complete("Unable to open file.", InFile(path));
    }
    fileInfo.reset(view.GetFileInfo());
    if (!fileInfo) {
        return; // GetImageSize reports the missing information
    }
    ReserveBands(fileInfo->bandCount);
    for (uint32_t band = 0; band < fileInfo->bandCount; ++band) {
        AddBand(std::make_unique<CVexlJp2SdkBand>(&mutex, &view, fileInfo->cellType, band, path));
    }
}

CVexlJp2SdkImageFileReader::~CVexlJp2SdkImageFileReader() {
    fileInfo.reset();
    view.Close();
}

float CVexlJp2SdkImageFileReader::GetMaxBandValue() {
    if (!fileInfo) {
        throw CZarnikError::Complete(kNotSupportedCellType);
    }
    return Orv::CellTypeCodeTable::Visit(
        fileInfo->cellType,
        []<typename Sample>(std::type_identity<Sample>) -> float {
            if constexpr (std::integral<Sample>) {
                return LargestValueAsFloat<Sample>();
            } else {
                throw CZarnikError::Complete(kNotSupportedCellType);
            }
        },
        FailNotSupported<float>);
}

CellType CVexlJp2SdkImageFileReader::GetCellType() {
    if (!fileInfo) {
        throw CZarnikError::Complete(kNotSupportedCellType);
    }
    return Orv::CellTypeCodeTable::Visit(
        fileInfo->cellType,
        []<typename Sample>(std::type_identity<Sample>) -> CellType {
            // Only 8- and 16-bit integers have a cell type here, and signed
            // 8-bit data is reported as unsigned.
            if constexpr (std::integral<Sample> && sizeof(Sample) == 1) {
                return CellType::UInt8;
            } else if constexpr (std::integral<Sample> && sizeof(Sample) == 2) {
                return CellTypeTable::CodeOf<Sample>();
            } else {
                throw CZarnikError::Complete(kNotSupportedCellType);
            }
        },
        FailNotSupported<CellType>);
}

ImageSize CVexlJp2SdkImageFileReader::GetImageSize() {
    if (!fileInfo) {
        throw CZarnikError::Complete("Unable to get file size. FileInfo is NULL", InFile(fileName));
    }
    return ImageSize{fileInfo->width, fileInfo->height};
}

void CVexlJp2SdkImageFileReader::SetDecoderThreads(int32_t threadCount) {
    CMutexLock lock(mutex);
    view.SetDecoderThreads(threadCount > 1 ? static_cast<uint32_t>(threadCount) : 0);
}
