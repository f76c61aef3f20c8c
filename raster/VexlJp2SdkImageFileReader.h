#pragma once

#include "raster/ImageFileReader.h"
#include "raster/sdk/FileInfo.h"
#include "raster/sdk/View.h"

#include <memory>
#include <string>

// Reads the compressed file (.vexl, JPEG 2000) through the raster layer's
// view. Every failure of construction is one of the layer's plain messages.
class CVexlJp2SdkImageFileReader : public CImageFileReader {
public:
    // Throws "Unable to open file." when the view cannot open the file.
    explicit CVexlJp2SdkImageFileReader(const std::string& path);
    ~CVexlJp2SdkImageFileReader() override;

    // Both throw "Not supported cell type" for a code without a value.
    float GetMaxBandValue() override;
    CellType GetCellType() override;
    // Throws "Unable to get file size. FileInfo is NULL" without file information.
    ImageSize GetImageSize() override;
    void SetDecoderThreads(int32_t threadCount) override;

private:
    struct FileInfoDeleter {
        void operator()(OrvFileInfo* info) const { OrvFreeFileInfo(info); }
    };

    std::unique_ptr<OrvFileInfo, FileInfoDeleter> fileInfo;
    Orv::CView view;
};
