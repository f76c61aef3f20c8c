#include "raster/GdalOpen.h"

#include "raster/GdalQuietErrors.h"
#include "raster/sdk/ReadOnlyFile.h"

#include <cpl_string.h>

#include <algorithm>
#include <cctype>

namespace {

constexpr int kVrtDepth = 8;

bool IsSpecial(const std::string& path) {
    return !path.starts_with("/vsi") && Orv::IsSpecialFile(path);
}

bool IsVrt(std::string path) {
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return path.ends_with(".vrt");
}

GDALDatasetUniquePtr Open(const std::string& path) {
    return GDALDatasetUniquePtr(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
}

// False when a file of `dataset`'s list, or of a listed VRT's, is special.
bool ListsOnlyPlainFiles(GDALDataset& dataset, const std::string& path, int depth) {
    const CPLStringList files(dataset.GetFileList());
    for (int index = 0; index < files.size(); ++index) {
        const std::string file = files[index];
        if (IsSpecial(file)) {
            return false;
        }
        if (file != path && IsVrt(file)) {
            const GDALDatasetUniquePtr inner = depth > 0 ? Open(file) : nullptr;
            if (inner && !ListsOnlyPlainFiles(*inner, file, depth - 1)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

GDALDatasetUniquePtr OpenGdalRaster(const std::string& path) {
    if (IsSpecial(path)) {
        return nullptr;
    }
    const CGdalQuietErrors quiet;
    GDALDatasetUniquePtr dataset = Open(path);
    if (dataset && !ListsOnlyPlainFiles(*dataset, path, kVrtDepth)) {
        return nullptr;
    }
    return dataset;
}
