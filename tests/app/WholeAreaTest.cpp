// The whole-area and error figures of the program against an independent
// numpy computation over the same pixels, read through GDAL.
#include "tests/app/ProgramRunner.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <cpl_json.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using TileKey = std::tuple<int, int, int>; // x0, y0, band
using ErrorValues = std::vector<double>;   // pae, mae, rmse, bias

// A copy whose samples differ from `raster`'s by a pattern of up to
// `spread` either way, within [0, largest].
RasterFixture Perturbed(RasterFixture raster, int spread, double largest) {
    for (size_t b = 0; b < raster.bands.size(); ++b) {
        for (size_t i = 0; i < raster.bands[b].size(); ++i) {
            const double change = double(int(i * 7 + b * 3) % (2 * spread + 1) - spread);
            raster.bands[b][i] = std::clamp(raster.bands[b][i] + change, 0.0, largest);
        }
    }
    return raster;
}

// The error statistics of every tile the tile values file has a value for.
std::map<TileKey, ErrorValues> TileErrors(const std::string& fileName) {
    std::ifstream file(fileName);
    std::map<TileKey, ErrorValues> tiles;
    std::string line;
    std::getline(file, line); // tile,x0,y0,x1,y1,band,mse,psnr,pae,mae,rmse,bias,...
    while (std::getline(file, line) && line != "# complete") {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, ',');) {
            fields.push_back(field);
        }
        if (!fields[8].empty()) {
            tiles[{std::stoi(fields[1]), std::stoi(fields[2]), std::stoi(fields[5])}] = {
                std::stod(fields[8]), std::stod(fields[9]), std::stod(fields[10]),
                std::stod(fields[11])};
        }
    }
    return tiles;
}

// What the numpy reference prints for its arguments.
std::string NumpyFigures(const std::string& arguments) {
    const std::string command = "/usr/bin/python3 " ZARNIK_WHOLE_AREA_REFERENCE " " + arguments;
    FILE* const pipe = popen(command.c_str(), "r");
    std::string text;
    char chunk[4096];
    for (size_t got; pipe && (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        text.append(chunk, got);
    }
    EXPECT_EQ(pipe ? pclose(pipe) : -1, 0) << command;
    return text;
}

// Each tile's errors as numpy has them: the peak exactly, the others to
// float rounding.
void ExpectTileErrors(const std::map<TileKey, ErrorValues>& tiles, const CPLJSONArray& numpy) {
    std::map<TileKey, ErrorValues> numpyTiles;
    for (const CPLJSONObject& item : numpy) {
        const CPLJSONArray tile = item.ToArray();
        numpyTiles[{tile[0].ToInteger(), tile[1].ToInteger(), tile[2].ToInteger()}] = {
            tile[3].ToDouble(), tile[4].ToDouble(), tile[5].ToDouble(), tile[6].ToDouble()};
    }
    ASSERT_EQ(tiles.size(), numpyTiles.size());
    for (const auto& [key, values] : tiles) {
        const ErrorValues& want = numpyTiles[key];
        EXPECT_EQ(values[0], want[0]);
        for (size_t s = 1; s < 4; ++s) {
            EXPECT_NEAR(values[s], want[s], 1e-6 * std::max(1.0, std::fabs(want[s])));
        }
    }
}

class WholeArea : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("LC_ALL", "C", 1); }

    void SetUp() override {
        const RasterFixture rgb = TexturedRgb(300, 200);
        WriteGeoTiff(folder.File("o8.tif"), rgb);
        WriteGeoTiff(folder.File("c8.tif"), Perturbed(rgb, 4, 255));
        // The same picture inside a collar of nodata 20 pixels wide.
        RasterFixture collared = rgb;
        for (BandValues& band : collared.bands) {
            for (size_t i = 0; i < band.size(); ++i) {
                const int x = int(i % 300), y = int(i / 300);
                band[i] = x < 20 || y < 20 || x >= 280 || y >= 180 ? 0 : band[i];
            }
        }
        WriteGeoTiff(folder.File("collar.tif"), collared);
        const GDALDatasetUniquePtr collar(
            GDALDataset::Open(folder.File("collar.tif").c_str(), GDAL_OF_UPDATE));
        for (int band = 1; band <= 3; ++band) {
            collar->GetRasterBand(band)->SetNoDataValue(0);
        }
        // 12-bit samples in 16-bit files that say so.
        RasterFixture twelve = rgb;
        twelve.type = GDT_UInt16;
        for (BandValues& band : twelve.bands) {
            for (size_t i = 0; i < band.size(); ++i) {
                band[i] = band[i] * 16 + double(i % 16);
            }
        }
        WriteGeoTiff(folder.File("o12.tif"), twelve, {"NBITS=12"});
        WriteGeoTiff(folder.File("c12.tif"), Perturbed(twelve, 20, 4095), {"NBITS=12"});
        // Reflectance in [0, 1), in steps that float differences keep exact.
        RasterFixture reflectance = rgb, reflectanceCopy = Perturbed(rgb, 4, 255);
        for (RasterFixture* fraction : {&reflectance, &reflectanceCopy}) {
            fraction->type = GDT_Float32;
            for (BandValues& band : fraction->bands) {
                for (double& sample : band) {
                    sample /= 1024;
                }
            }
        }
        WriteGeoTiff(folder.File("of.tif"), reflectance);
        WriteGeoTiff(folder.File("cf.tif"), reflectanceCopy);
    }

    TemporaryDirectory folder;
};

TEST_F(WholeArea, PooledAndErrorFiguresAreThoseOfNumpyOverTheSamePixels) {
    // The pair, further options, the box, the peak PSNR measures against,
    // and whether only the pixels holding data count.
    using Box = std::array<int, 4>;
    const std::vector<std::tuple<std::string, std::string, Lines, Box, double, bool>> cases = {
        {"o8.tif", "c8.tif", {}, {0, 0, 299, 199}, 255, false},
        {"o8.tif", "c8.tif", {"-bbox", "10,20,250,180"}, {10, 20, 250, 180}, 255, false},
        {"collar.tif", "c8.tif", {"-useMask"}, {0, 0, 299, 199}, 255, true},
        {"o12.tif", "c12.tif", {"-dataRange", "auto"}, {0, 0, 299, 199}, 4095, false},
        {"of.tif", "cf.tif", {"-dataRange", "1"}, {0, 0, 299, 199}, 1, false},
    };
    for (const auto& [original, compressed, options, box, peak, masked] : cases) {
        SCOPED_TRACE(original + " " + (options.empty() ? "" : options[0]));
        const ProgramRun run =
            RunProgram(folder.Path(), Lines{"-i", original, "-c", compressed, "-u", "-stat",
                                            "mse,psnr,pae,mae,rmse,bias", "-ts", "64", "-tn",
                                            "1000", "-json", "r.json", "-tileValues", "t.csv"} +
                                          options);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        std::ostringstream command;
        command << folder.File(original) << " " << folder.File(compressed) << " 64 " << box[0]
                << " " << box[1] << " " << box[2] << " " << box[3] << " " << peak << " " << masked;
        CPLJSONDocument expectedDocument, document;
        ASSERT_TRUE(expectedDocument.LoadMemory(NumpyFigures(command.str())) &&
                    document.Load(folder.File("r.json")));
        const CPLJSONObject expected = expectedDocument.GetRoot(), json = document.GetRoot();
        EXPECT_EQ(json.GetDouble("dataRange"), peak);
        for (int band = 0; band < 3; ++band) {
            const CPLJSONObject numpy = expected.GetArray("bands")[band];
            for (const std::string statistic : {"mse", "psnr", "pae", "mae", "rmse", "bias"}) {
                const double pooled =
                    json.GetArray("statistics/" + statistic)[band].GetDouble("pooled");
                const double want = numpy.GetDouble(statistic);
                EXPECT_NEAR(pooled, want, statistic == "psnr" ? 1e-6 : 1e-8 * std::fabs(want))
                    << statistic << " band " << band;
            }
        }
        ExpectTileErrors(TileErrors(folder.File("t.csv")), expected.GetArray("tiles"));
    }
}

} // namespace
