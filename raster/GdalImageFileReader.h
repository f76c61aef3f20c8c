#pragma once

#include "raster/ImageFileReader.h"

#include <gdal_priv.h>

#include <string>

// Reads any raster GDAL opens whose first band holds 8-, 16- or 32-bit
// integers, or floating-point samples when asked to: their peak value comes
// from elsewhere (-dataRange), and their largest band value is infinity.
// GDAL's drivers must be registered before the first reader is made.
class CGdalImageFileReader : public CImageFileReader {
public:
    // Throws "Unable to open file " (the file only in the error's place) when
    // GDAL cannot open the file and "Unsuported data type" when band 1 is not
    // an integer type (nor a floating-point one, when they are accepted).
    explicit CGdalImageFileReader(const std::string& path, bool floatingPointAccepted = false);

    float GetMaxBandValue() override { return maxBandValue; }
    ImageSize GetImageSize() override;
    // Follows band 1; 16-bit signed is 2 and unsigned is 3.
    CellType GetCellType() override;
    // Bytes GDAL's block cache takes for one row of blocks across the whole
    // image, over all bands; tiles read in order come back to that row.
    size_t BlockRowBytes() const;

private:
    // Closed before the base class destroys the bands that point into it.
    GDALDatasetUniquePtr dataset;
    float maxBandValue = 255.0f;
};
