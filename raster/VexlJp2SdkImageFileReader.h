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
    // Random and replayed tiles are decoded each on its own; tiles in reading
    // order share the decoder's work.
    void SetTileOrder(TileOrder order) override;
    // Decodes the tile once for all bands: the decode counts for the first
    // band, each band's conversion to floats for that band. Throws "Unknown
    // cell type <code>" for a code without a read path; when the view fails,
    // "Error setting view" (naming the first band of the set) or "Unable to
    // read line" followed by the band, the file, the tile and the reason.
    void ReadBands(const CRegionPtr& tile, std::span<BandRead> reads) override;

private:
    struct FileInfoDeleter {
        void operator()(OrvFileInfo* info) const { OrvFreeFileInfo(info); }
    };

    template <typename Sample> void ReadBandsAs(const CRegion& tile, std::span<BandRead> reads);

    std::unique_ptr<OrvFileInfo, FileInfoDeleter> fileInfo;
    Orv::CView view;
};
