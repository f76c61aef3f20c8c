#pragma once

#include "raster/ImageFileReader.h"

#include <gdal_priv.h>

#include <string>

// One band of a GDAL dataset. It reads in the band's own data type, so GDAL
// converts nothing, and makes the floats itself.
class CGdalBand : public CBand {
public:
    // The band belongs to the dataset of the reader that owns `sharedMutex`.
    CGdalBand(CMutex* sharedMutex, GDALRasterBand* datasetBand);

    // Throws "Unknown raster data type <n>" for a type outside 1 to 7 and
    // "RasterIO failed for region x0,y0;x1,y1" when GDAL cannot read the tile.
    void ReadRegion(const CRegionPtr& region, float* buffer) override;
    // "GDAL red", "GDAL grayscale", ... from the colour interpretation.
    std::string GetName() override;
    float* AllocateBuffer(int32_t sampleCount) override;
    void FreeBuffer(float* buffer) override;

private:
    CMutex* readerMutex;
    GDALRasterBand* rasterBand;
};
