#include "app/ReaderFactory.h"

#include "platform/ZarnikError.h"
#include "raster/GdalImageFileReader.h"
#include "raster/RgbToYuvConvertingFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"

namespace {

constexpr const char* kCompressedNotOpened = "Error opening compressed file.";

// Both files are converted, or neither; "yuvY" keeps the luma band alone.
std::unique_ptr<CImageFileReader> ConvertedToYuvIfAsked(std::unique_ptr<CImageFileReader> reader,
                                                        bool yuv, bool yOnly) {
    if (!yuv) {
        return reader;
    }
    return std::make_unique<CRgbToYuvConvertingFileReader>(std::move(reader), !yOnly);
}

} // namespace

std::unique_ptr<CImageFileReader> OpenCompressedReader(const std::string& fileName, bool useGdal,
                                                       bool yuv, bool yOnly,
                                                       bool floatingPointAccepted) {
    if (fileName.empty()) {
        throw CZarnikError::Complete("Compressed file name is invalid.");
    }
    try {
        std::unique_ptr<CImageFileReader> reader;
        if (useGdal) {
            reader = std::make_unique<CGdalImageFileReader>(fileName, floatingPointAccepted);
        } else {
            reader = std::make_unique<CVexlJp2SdkImageFileReader>(fileName);
        }
        return ConvertedToYuvIfAsked(std::move(reader), yuv, yOnly);
    } catch (const CZarnikError& failure) {
        if (failure.IsComplete()) {
            throw;
        }
        throw CZarnikError::Complete(kCompressedNotOpened, InFile(fileName));
    } catch (...) {
        throw CZarnikError::Complete(kCompressedNotOpened, InFile(fileName));
    }
}

std::unique_ptr<CImageFileReader> OpenOriginalReader(const std::string& fileName, bool yuv,
                                                     bool yOnly, bool floatingPointAccepted) {
    if (fileName.empty()) {
        throw CZarnikError::Complete("Original file name is invalid.");
    }
    try {
        return ConvertedToYuvIfAsked(
            std::make_unique<CGdalImageFileReader>(fileName, floatingPointAccepted), yuv, yOnly);
    } catch (...) {
        throw CZarnikError::Complete("Error opening original file.", InFile(fileName));
    }
}
