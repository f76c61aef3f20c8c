#pragma once

#include "regions/Region.h"

#include <gdal_priv.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Which bands the comparison reads from the original: its own, its colour
// bands followed by luma computed from them, or luma alone.
enum class ComparedBands { Own, ColoursAndLuma, LumaOnly };

// Reads which pixels of the original hold data, through GDAL's mask bands: a
// nodata value, a per-dataset mask or an alpha band. A pixel is valid where
// its mask is non-zero; a luma pixel is valid where all three colour bands
// are. An alpha band compared as a band of its own is masked by itself.
// Opens the file for itself, so that every worker can have its own.
class CGdalMaskReader {
public:
    // Throws "the original declares no nodata value, mask or alpha band" when
    // every band of the file is wholly valid.
    CGdalMaskReader(const std::string& fileName, ComparedBands compared);

    // Fills `valid` with one byte per pixel of `tile` (row-major) for compared
    // band `band`, and returns whether every pixel is valid. Throws a
    // std::runtime_error naming the band when GDAL cannot read the mask.
    bool Read(int32_t band, const CRegion& tile, uint8_t* valid);

private:
    // The file's bands whose masks decide compared band `band`.
    std::vector<int32_t> SourceBands(int32_t band) const;
    void ReadSourceMask(int32_t sourceBand, const CRegion& tile, uint8_t* valid);

    std::string fileName;
    GDALDatasetUniquePtr dataset;
    ComparedBands compared;
    std::vector<uint8_t> scratch;
    std::vector<uint8_t> sharedMask;
    std::optional<CRegion> sharedMaskTile;
};
