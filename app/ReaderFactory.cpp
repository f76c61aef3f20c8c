#include "app/ReaderFactory.h"

#include "raster/GdalImageFileReader.h"
#include "raster/RgbToYuvConvertingFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"

namespace {

// Both files are converted, or neither; "yuvY" keeps the luma band alone.
std::unique_ptr<CImageFileReader> ConvertedToYuvIfAsked(std::unique_ptr<CImageFileReader> reader,
                                                        bool yuv, bool yOnly) {
    if (!yuv) {
        return reader;
    }
    return std::make_unique<CRgbToYuvConvertingFileReader>(reader.release(), !yOnly);
}

} // namespace

std::unique_ptr<CImageFileReader> OpenCompressedReader(const std::string& fileName, bool useGdal,
                                                       bool yuv, bool yOnly) {
    if (fileName.empty()) {
        throw "Compressed file name is invalid.";
    }
    try {
        std::unique_ptr<CImageFileReader> reader;
        if (useGdal) {
            reader = std::make_unique<CGdalImageFileReader>(fileName);
        } else {
            reader = std::make_unique<CVexlJp2SdkImageFileReader>(fileName);
        }
        return ConvertedToYuvIfAsked(std::move(reader), yuv, yOnly);
    } catch (const char*) {
        throw;
    } catch (...) {
        throw "Error opening compressed file.";
    }
}

std::unique_ptr<CImageFileReader> OpenOriginalReader(const std::string& fileName, bool yuv,
                                                     bool yOnly) {
    if (fileName.empty()) {
        throw "Original file name is invalid.";
    }
    try {
        return ConvertedToYuvIfAsked(std::make_unique<CGdalImageFileReader>(fileName), yuv, yOnly);
    } catch (...) {
        throw "Error opening original file.";
    }
}
