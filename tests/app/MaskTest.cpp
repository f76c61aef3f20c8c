#include "tests/app/ProgramFixture.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Each tile's values in the progress line, by tile text: "[64,0;127,63]".
std::map<std::string, Lines> ProgressValues(const std::string& output) {
    std::map<std::string, Lines> tiles;
    std::istringstream updates(output.substr(0, output.find('\n', 1)));
    for (std::string update; std::getline(updates, update, '\r');) {
        std::istringstream words(update);
        std::string count, of, total, tile, values;
        if (words >> count >> of >> total >> tile >> values) {
            std::istringstream pieces(values);
            for (std::string value; std::getline(pieces, value, ',');) {
                tiles[tile].push_back(value);
            }
        }
    }
    return tiles;
}

constexpr int kCollar = 96;

// "masked.tif": `collared` whose first kCollar columns hold no data as
// `declared`: by the nodata value 0, or by a per-dataset mask over other values.
void WriteMasked(const TemporaryDirectory& folder, const RasterFixture& collared,
                 const std::string& declared) {
    RasterFixture original = collared;
    if (declared != "nodata") { // the mask, not the values, decides
        for (BandValues& band : original.bands) {
            for (size_t at = 0; at < band.size(); ++at) {
                band[at] = int(at % 300) < kCollar ? double(at * 7919 % 251) : band[at];
            }
        }
    }
    WriteGeoTiff(folder.File("masked.tif"), original);
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(folder.File("masked.tif").c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE));
    ASSERT_TRUE(dataset);
    std::vector<uint8_t> mask(300 * 200);
    for (size_t at = 0; at < mask.size(); ++at) {
        mask[at] = int(at % 300) < kCollar ? 0 : 255;
    }
    for (int band = 1; band <= 3; ++band) {
        if (declared == "nodata") {
            dataset->GetRasterBand(band)->SetNoDataValue(0);
        }
    }
    if (declared != "nodata") {
        ASSERT_EQ(dataset->CreateMaskBand(GMF_PER_DATASET), CE_None);
        ASSERT_EQ(dataset->GetRasterBand(1)->GetMaskBand()->RasterIO(
                      GF_Write, 0, 0, 300, 200, mask.data(), 300, 200, GDT_Byte, 0, 0, nullptr),
                  CE_None);
    }
}

TEST_F(Program, MaskedRunsMeasureOnlyThePixelsThatHoldData) {
    // The first 96 columns hold no data: tiles of 64 in the first column are
    // wholly outside the data, those of the second half inside.
    RasterFixture collared = rgb;
    for (BandValues& band : collared.bands) {
        for (size_t at = 0; at < band.size(); ++at) {
            // Zero is the nodata value: the data never takes it.
            band[at] = int(at % 300) < kCollar ? 0 : std::max(band[at], 1.0);
        }
    }
    WriteGeoTiff(folder.File("plain.tif"), collared);
    WriteJpeg2000(folder.File("collared.jp2"), collared, {"QUALITY=10", "REVERSIBLE=NO"});
    const Lines arguments = {"-c", "collared.jp2", "-ts", "64", "-stat", "mse,ms-ssim,ssim"};
    const ProgramRun plain = Run(Lines{"-i", "plain.tif"} + arguments);
    ASSERT_EQ(plain.exitCode, 0) << plain.output;
    EXPECT_EQ(plain.errors, "");

    std::map<std::string, Lines> halfValidTiles;
    for (const std::string declared : {"nodata", "per-dataset mask"}) {
        SCOPED_TRACE(declared);
        WriteMasked(folder, collared, declared);

        const ProgramRun masked = Run(Lines{"-i", "masked.tif", "-useMask"} + arguments);
        ASSERT_EQ(masked.exitCode, 0) << masked.output;
        EXPECT_EQ(masked.errors, "");
        const auto values = ProgressValues(masked.output);
        const auto plainValues = ProgressValues(plain.output);
        ASSERT_EQ(values.size(), 20u);
        for (const auto& [tile, tileValues] : values) {
            const int x0 = std::stoi(tile.substr(1));
            if (x0 == 0) { // no data: no statistic
                EXPECT_EQ(tileValues, Lines(9, "-")) << tile;
            } else if (x0 == 64) { // part data: no MS-SSIM, the rest over the data
                EXPECT_EQ(tileValues[1], "-") << tile;
                EXPECT_NE(tileValues[0], plainValues.at(tile)[0]) << tile;
                // Values under a mask do not count, whatever they are.
                const auto first = halfValidTiles.emplace(tile, tileValues).first;
                EXPECT_EQ(tileValues, first->second) << tile;
            } else { // all data: the very values of the run without a mask
                EXPECT_EQ(tileValues, plainValues.at(tile)) << tile;
            }
        }
        const Lines lines = masked.OutputLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "\tSkipped: 8"), 3) << "ms-ssim";
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "\tSkipped: 4"), 3) << "mse";
        // The part-data tile of the bottom row, 8 rows high, has no whole window.
        EXPECT_EQ(std::count(lines.begin(), lines.end(), "\tSkipped: 5"), 3) << "ssim";
    }
    // MSE of a part-data tile is the MSE of its data pixels.
    const Tile half{64, 0, 127, 63};
    const std::vector<double> original = ReadTile(folder.File("plain.tif"), 0, half);
    const std::vector<double> compressed = ReadTile(folder.File("collared.jp2"), 0, half);
    double squares = 0;
    for (size_t at = 0; at < original.size(); ++at) {
        squares += int(at % 64) + 64 >= kCollar ? std::pow(original[at] - compressed[at], 2) : 0;
    }
    EXPECT_NEAR(std::stod(halfValidTiles.at("[64,0;127,63]")[0]), squares / (32 * 64), 1e-3);
}

// A luma pixel holds data where all three colour bands do. The red and green
// bands lack data in the first 96 columns, blue also in the last 40 rows:
// of the 5 x 4 tiles of 64, red and green have no pixel on 4, blue and luma
// on 8 (the first column and the bottom row).
TEST_F(Program, LumaHoldsDataWhereEveryColourBandDoes) {
    RasterFixture original = rgb;
    for (size_t band = 0; band < 3; ++band) {
        for (size_t at = 0; at < original.bands[band].size(); ++at) {
            const bool collar = at % 300 < 96 || (band == 2 && at / 300 >= 160);
            original.bands[band][at] = collar ? 0 : std::max(original.bands[band][at], 1.0);
        }
    }
    WriteGeoTiff(folder.File("masked.tif"), original);
    GDALDatasetUniquePtr dataset(
        GDALDataset::Open(folder.File("masked.tif").c_str(), GDAL_OF_RASTER | GDAL_OF_UPDATE));
    ASSERT_TRUE(dataset);
    for (int band = 1; band <= 3; ++band) {
        dataset->GetRasterBand(band)->SetNoDataValue(0);
    }
    dataset.reset();
    // Per band, the tiles without a single pixel of data.
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"-yuvy", {"\tSkipped: 4", "\tSkipped: 4", "\tSkipped: 8", "\tSkipped: 8"}},
        {"-yuvY", {"\tSkipped: 8"}},
    };
    for (const auto& [luma, skipped] : cases) {
        SCOPED_TRACE(luma);
        const ProgramRun run =
            Run({"-i", "masked.tif", "-useMask", luma, "-ts", "64", "-stat", "mse"});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(run.errors, "");
        Lines lines;
        for (const std::string& line : run.OutputLines()) {
            if (line.rfind("\tSkipped: ", 0) == 0) {
                lines.push_back(line);
            }
        }
        EXPECT_EQ(lines, skipped);
    }
}

} // namespace
