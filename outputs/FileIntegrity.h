#pragma once

#include "raster/RasterIdentity.h"

#include <optional>
#include <string>

class CJsonWriter;

// Whether the compressed file kept the original's identity: coordinate
// system, geotransform, nodata values, data types and band descriptions.
struct FileIntegrity {
    // None for a file GDAL cannot open (a .vexl file, say).
    std::optional<RasterIdentity> original;
    std::optional<RasterIdentity> compressed;

    bool Comparable() const { return original && compressed; }
    // Equal systems, or neither file has one.
    bool SameCoordinateSystem() const;
    // Every corner of the image lies within a millionth of a pixel of the
    // original's, or neither file has a geotransform.
    bool SameGeoTransform() const;
    // NaN as nodata equals NaN.
    bool SameNoData() const;
    bool SameDataTypes() const { return original->dataTypes == compressed->dataTypes; }
    bool SameDescriptions() const { return original->descriptions == compressed->descriptions; }
};

// Reads both files through GDAL; opens nothing but their headers.
FileIntegrity CompareFileIntegrity(const std::string& originalFileName,
                                   const std::string& compressedFileName);

// The "integrity" object of the JSON report: "readable", then each item's
// "same" with both files' values where they differ.
void WriteIntegrity(CJsonWriter& json, const FileIntegrity& integrity);
