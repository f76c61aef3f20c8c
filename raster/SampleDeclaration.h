#pragma once

#include <optional>
#include <string>
#include <vector>

// What the first band of a file declares about its samples, read through
// GDAL without reading any sample.
struct SampleDeclaration {
    // GDAL's name of the data type: "Byte", "UInt16", "Float32", ...
    std::string typeName;
    bool floatingPoint = false;
    // The type's largest value as the readers give it; integer types only.
    float largestValue = 0.0f;
    // The bit depth the file declares (GDAL's NBITS image-structure item,
    // a JPEG 2000 file's precision), where it declares one.
    std::optional<int> bits;
    // GDAL's name of every band's data type, band 1's first.
    std::vector<std::string> bandTypeNames;
};

// Empty when GDAL cannot open the file or it has no band; its reader then
// tells why. Pipes and devices are not opened.
std::optional<SampleDeclaration> ReadSampleDeclaration(const std::string& path);
