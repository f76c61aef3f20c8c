#pragma once

#include "tests/app/ProgramRunner.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

// What the program tests share: a textured RGB pair in a folder of its own,
// and reading a tile back through GDAL.

struct Tile {
    int x0, y0, x1, y1;
};

inline std::vector<double> ReadTile(const std::string& fileName, int band, const Tile& tile) {
    RegisterGdalDriversOnce();
    const GDALDatasetUniquePtr dataset(GDALDataset::Open(fileName.c_str(), GDAL_OF_RASTER));
    const int width = tile.x1 - tile.x0 + 1, height = tile.y1 - tile.y0 + 1;
    std::vector<double> samples(static_cast<size_t>(width * height));
    if (!dataset || dataset->GetRasterCount() != 3 ||
        dataset->GetRasterBand(band + 1)->RasterIO(GF_Read, tile.x0, tile.y0, width, height,
                                                   samples.data(), width, height, GDT_Float64, 0, 0,
                                                   nullptr) != CE_None) {
        ADD_FAILURE() << "no band " << band + 1 << " of 3 to read from " << fileName;
    }
    return samples;
}

class Program : public ::testing::Test {
protected:
    // Reports written in the C locale have no digit grouping.
    static void SetUpTestSuite() { setenv("LC_ALL", "C", 1); }

    // A textured RGB original as a plain GeoTIFF and a lossy JPEG 2000 copy.
    void SetUp() override {
        WriteGeoTiff(original, rgb);
        WriteJpeg2000(compressed, rgb, {"QUALITY=10", "REVERSIBLE=NO"});
    }

    ProgramRun Run(const Lines& arguments) const { return RunProgram(folder.Path(), arguments); }

    TemporaryDirectory folder;
    RasterFixture rgb = TexturedRgb(300, 200);
    std::string original = folder.File("original.tif");
    std::string compressed = folder.File("compressed.jp2");
};
