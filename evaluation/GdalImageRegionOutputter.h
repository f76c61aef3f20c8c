#pragma once

#include "evaluation/ImageRegionOutputter.h"

#include <string>
#include <vector>

class GDALDriver;

// Writes tiles through a GDAL driver that can create files. The written file
// has the reader's band count and an integer type fitting its cell type, and
// no georeferencing: its pixel (0, 0) is the tile's top-left pixel.
class CGdalImageRegionOutputter : public CImageRegionOutputter {
public:
    // Fails when GDAL has no driver of that name or the driver cannot create files.
    CGdalImageRegionOutputter(std::string name, std::string fileExtension,
                              std::vector<std::string> options);

    void OutputRegion(CImageFileReader& reader, const std::string& name,
                      const CRegionPtr& region) override;

private:
    GDALDriver* driver;
    std::string driverName;
    std::string extension;
    std::vector<std::string> creationOptions;
};
