#pragma once

#include "outputs/PngDataUri.h"
#include "raster/ImageFileReader.h"
#include "regions/Region.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The pictures of the run's page: a quick look of the whole original under
// the quality map, and the original, compressed and difference of a tile.

// How samples become the levels 0 to 255 of a picture. Bytes stay as they
// are; other types are stretched linearly between each band's smallest and
// largest value in the quick look, the same for both files and every tile,
// so that the pictures compare by eye.
class CDisplayLevels {
public:
    // Bytes, as they are.
    CDisplayLevels() = default;
    // Band by band, [smallest, largest].
    explicit CDisplayLevels(const std::vector<std::pair<float, float>>& ranges);

    // The level of `sample` on `band`, between 0 and 255, not rounded.
    float Level(size_t band, float sample) const;

private:
    std::vector<float> low;
    std::vector<float> scale;
};

// The bands a picture shows: red, green and blue, the first three of three
// or more bands; else the first band, in grey.
int32_t ShownBandCount(int32_t bandCount);

struct ScenePicture {
    // The original's size in pixels: the picture covers all of it.
    int32_t width = 0;
    int32_t height = 0;
    Picture picture;
    CDisplayLevels levels;
    // The picture as a PNG data URI, once encoded (PngDataUri).
    std::string dataUri;
};

// The whole original read through GDAL, its longer side reduced to at most
// `longerSide` pixels, not yet encoded.
ScenePicture ReadScenePicture(const std::string& originalFileName, int32_t longerSide);

struct TilePictures {
    std::string original;
    std::string compressed;
    // |original - compressed| in the pictures' levels, times `factor`.
    std::string difference;
    int32_t factor = 1;
};

// One tile from both files' own bands at full resolution. The difference is
// amplified by the power of two (1 to 64) that brings the 99th percentile
// of its levels nearest to full scale without passing it.
TilePictures ReadTilePictures(CImageFileReader& original, CImageFileReader& compressed,
                              const CRegionPtr& tile, const CDisplayLevels& levels);
