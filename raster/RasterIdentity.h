#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What identifies a raster beside its samples, as GDAL reads it.
struct RasterIdentity {
    // Well-known text, and the system's name; both empty without one.
    std::string coordinateSystem;
    std::string coordinateSystemName;
    std::optional<std::array<double, 6>> geoTransform;
    int32_t width = 0;
    int32_t height = 0;
    // One entry per band.
    std::vector<std::optional<double>> noData;
    std::vector<std::string> dataTypes;
    std::vector<std::string> descriptions;
};

// Reads the file's header through GDAL, no sample; empty when GDAL cannot
// open it. Pipes and devices are not opened.
std::optional<RasterIdentity> ReadRasterIdentity(const std::string& path);
