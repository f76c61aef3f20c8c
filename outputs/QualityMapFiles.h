#pragma once

#include "outputs/QualityMap.h"

#include <gdal_priv.h>

#include <array>
#include <string>
#include <vector>

// One band of the map: its description and its cells, row by row.
struct QualityMapLayer {
    std::string description;
    std::vector<float> cells;
};

// The quality map as a Float32 GeoTIFF lying on the original, and its PNG
// quick look beside it (the same name with the extension ".png"). Both files
// are created when the object is, before the first tile, and filled by Write
// after the last.
class CQualityMapFiles {
public:
    // Takes the coordinate system and geotransform of `originalFileName`; an
    // original without them gives a map in pixel coordinates.
    CQualityMapFiles(const std::string& fileName, const std::string& originalFileName,
                     const QualityMapGrid& grid, int layerCount);

    // `layers` in the map's band order; `previewLayer` is the one the PNG shows.
    void Write(const std::vector<QualityMapLayer>& layers, size_t previewLayer);

    const std::string& PreviewFileName() const { return previewName; }

private:
    void ReadGeoreferencing(const std::string& originalFileName);
    void WritePreview(const std::vector<float>& cells) const;

    std::string mapName;
    std::string previewName;
    QualityMapGrid grid;
    std::array<double, 6> geoTransform{0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    std::string coordinateSystem;
    GDALDatasetUniquePtr map;
};
