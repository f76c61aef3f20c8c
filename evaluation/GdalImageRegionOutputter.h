#pragma once

#include "evaluation/ImageRegionOutputter.h"

#include "platform/PartialFile.h"

#include <memory>
#include <string>
#include <vector>

class GDALDataset;
class GDALDriver;

// Writes tiles through a GDAL driver that can create files. The written file
// has the reader's band count and an integer type fitting its cell type, and
// no georeferencing: its pixel (0, 0) is the tile's top-left pixel. A file
// that cannot be written completely (a full disk) fails the write and is
// removed; GDAL's own error text never reaches standard error.
class CGdalImageRegionOutputter : public CImageRegionOutputter {
public:
    // Fails when GDAL has no driver of that name or the driver cannot create files.
    CGdalImageRegionOutputter(std::string name, std::string fileExtension,
                              std::vector<std::string> options);

    void OutputRegion(CImageFileReader& reader, const std::string& name,
                      const CRegionPtr& region) override;
    void RemoveRegion(const std::string& name) override;
    void CommitRegions() override;

private:
    std::string FileNameOf(const std::string& name) const;
    // Writes every band; false when GDAL could not write all of it.
    static bool WriteBands(CImageFileReader& reader, GDALDataset& dataset,
                           const CRegionPtr& region);

    GDALDriver* driver;
    std::string driverName;
    std::string extension;
    std::vector<std::string> creationOptions;
    // The files written under temporary names, to be renamed by CommitRegions.
    std::vector<std::unique_ptr<CPartialFile>> pending;
};
