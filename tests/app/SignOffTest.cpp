// Gates by figure and band, the JSON error document, the files' integrity,
// the quality map's legend and world file, and the data range: as a user
// meets them, through the program.
#include "tests/app/ProgramRunner.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <cpl_json.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <array>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The lines of `text` that start with `start`.
Lines LinesStarting(const std::string& text, const std::string& start) {
    Lines lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (line.rfind(start, 0) == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

class SignOff : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("LC_ALL", "C", 1); }

    // A textured RGB original in UTM zone 33 with half-metre pixels, a lossy
    // JPEG 2000 copy, a lossless copy and a copy moved by one pixel.
    void SetUp() override {
        const RasterFixture rgb = TexturedRgb(300, 200);
        WriteJpeg2000(folder.File("compressed.jp2"), rgb, {"QUALITY=10", "REVERSIBLE=NO"});
        utm.importFromEPSG(32633);
        const std::array<double, 6> here{500000.0, 0.5, 0.0, 4600000.0, 0.0, -0.5};
        const std::array<double, 6> moved{500000.5, 0.5, 0.0, 4600000.0, 0.0, -0.5};
        for (const auto& [name, transform] :
             {std::pair{"original.tif", here}, {"copy.tif", here}, {"moved.tif", moved}}) {
            WriteGeoTiff(folder.File(name), rgb);
            const GDALDatasetUniquePtr file(
                GDALDataset::Open(folder.File(name).c_str(), GDAL_OF_UPDATE));
            std::array<double, 6> copy = transform;
            file->SetGeoTransform(copy.data());
            file->SetSpatialRef(&utm);
        }
    }

    ProgramRun Run(const Lines& arguments) const { return RunProgram(folder.Path(), arguments); }

    TemporaryDirectory folder;
    OGRSpatialReference utm;
};

TEST_F(SignOff, GatesJudgeTheirFigureOnTheirBandsAndCannotBeFooled) {
    const std::string failed = "Quality gate failed: ";
    // The arguments, the exit code and the gate lines.
    const std::vector<std::tuple<Lines, int, Lines>> cases = {
        // A perfect copy: infinite pooled PSNR passes, the tiles' PSNR of 0 does not.
        {{"-c", "copy.tif", "-u", "-stat", "psnr", "-failBelow", "psnr=40"}, 0, {}},
        {{"-c", "copy.tif", "-u", "-stat", "psnr", "-failBelow", "psnr.avg=40", "-gateBands", "2"},
         3,
         {failed + "psnr.avg on band 2 (GDAL blue) is 0, below the limit 40"}},
        // No tile of 128 pixels has an MS-SSIM value: no band can pass.
        {{"-stat", "ms-ssim", "-ts", "128", "-failBelow", "ms-ssim=0.1", "-gateBands", "0,2"},
         3,
         {failed + "ms-ssim.avg on band 0 (GDAL red) has no finite value, so it cannot pass "
                   "the limit 0.1",
          failed + "ms-ssim.avg on band 2 (GDAL blue) has no finite value, so it cannot pass "
                   "the limit 0.1"}},
        // A 6-pixel edge tile makes the SSIM average infinite; the finite
        // values' mean is judged, and it is no perfect 1.
        {{"-stat", "ssim", "-ts", "64", "-bbox", "0,0,69,63", "-failBelow", "ssim=0.1"}, 0, {}},
        {{"-stat", "ssim", "-ts", "64", "-bbox", "0,0,69,63", "-failBelow", "ssim.p50=0.999",
          "-gateBands", "1"},
         3,
         {}},
        {{"-c", "moved.tif", "-u", "-stat", "mse", "-requireSameGeoreference"},
         3,
         {failed + "the compressed file's geotransform differs from the original's"}},
        {{"-c", "copy.tif", "-u", "-stat", "mse", "-requireSameGeoreference"}, 0, {}},
    };
    for (const auto& [arguments, exitCode, lines] : cases) {
        const ProgramRun run = Run(arguments);
        SCOPED_TRACE(run.output);
        EXPECT_EQ(run.exitCode, exitCode);
        if (exitCode == 3 && lines.empty()) { // the one line of band 1, whatever its value
            EXPECT_EQ(LinesStarting(run.output, failed + "ssim.p50 on band 1 (").size(), 1u);
            EXPECT_EQ(LinesStarting(run.output, failed).size(), 1u);
        } else {
            EXPECT_EQ(LinesStarting(run.output, failed), lines);
        }
    }
    // A band the images lack stops the run before the first tile.
    const ProgramRun lacking = Run({"-stat", "mse", "-failBelow", "mse=1", "-gateBands", "3"});
    EXPECT_EQ(lacking.exitCode, 2);
    EXPECT_EQ(lacking.output,
              "Error occured. Details: -gateBands names band 3, which the 3-band images lack\n");
}

TEST_F(SignOff, AFailedRunWithJsonOnStandardOutputLeavesAnErrorDocumentThere) {
    // The arguments, the document's error and the start of the words on standard error.
    const std::vector<std::tuple<Lines, std::string, std::string>> cases = {
        {{"-i", "missing.tif"},
         "Error opening original file.",
         "Error occured. Details: Error opening original file.\n"},
        {{"-failbelow", "ssim=0.9"},
         "Failed to parse command line: Unknown option '-failbelow'; did you mean '-failBelow'?",
         "\nFailed to parse command line '"},
        {{"-c", "f32.tif", "-u"},
         "Unsuported data type Float32 in f32.tif: floating-point samples have no largest value "
         "and are measured with -dataRange value, the peak value of PSNR and SSIM",
         "Error occured. Details: Unsuported data type Float32"},
    };
    const BandValues reflectance = MakeBand(300, 200, [](int x, int y) { return x * y / 6e4; });
    WriteGeoTiff(folder.File("f32.tif"), {300, 200, GDT_Float32, {reflectance}, {}});
    for (const auto& [arguments, error, words] : cases) {
        const ProgramRun run = Run(Lines{"-json", "-"} + arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.output, "{\n  \"schema\": 1,\n  \"error\": \"" + error + "\"\n}\n");
        EXPECT_EQ(run.errors.substr(0, words.size()), words);
    }
}

TEST_F(SignOff, TheJsonTellsCoverageIntegrityAndTheRangeMeasuredAgainst) {
    const ProgramRun run = Run({"-c", "moved.tif", "-u", "-stat", "psnr", "-ts", "64", "-or", "ran",
                                "-tn", "40", "-dataRange", "1000", "-json", "r.json"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    CPLJSONDocument document;
    ASSERT_TRUE(document.Load(folder.File("r.json")));
    const CPLJSONObject json = document.GetRoot();
    EXPECT_EQ(json.GetDouble("dataRange"), 1000.0);
    EXPECT_EQ(json.GetString("options/dataRange"), "1000");
    // 5 x 4 tiles of 64 pixels; each distinct tile covers its own pixels.
    EXPECT_EQ(json.GetInteger("coverage/gridTiles"), 20);
    const int distinct = json.GetInteger("coverage/distinctTiles");
    EXPECT_TRUE(distinct >= 2 && distinct <= 20) << distinct;
    EXPECT_GT(json.GetDouble("coverage/areaFraction"), 0.0);
    EXPECT_LE(json.GetDouble("coverage/areaFraction"), 1.0);
    for (const char* same : {"coordinateSystem", "nodata", "dataType", "bandDescriptions"}) {
        EXPECT_TRUE(json.GetBool(std::string("integrity/") + same + "/same")) << same;
    }
    EXPECT_FALSE(json.GetBool("integrity/geoTransform/same"));
    EXPECT_EQ(json.GetArray("integrity/geoTransform/original")[0].ToDouble(), 500000.0);
    EXPECT_EQ(json.GetArray("integrity/geoTransform/compressed")[0].ToDouble(), 500000.5);
}

TEST_F(SignOff, TheMapsQuickLookHasALegendAWorldFileAndAFixedRamp) {
    // 3 x 2 cells of 128 pixels, 171 picture pixels each; MS-SSIM has no
    // value on tiles this small.
    const ProgramRun run = Run({"-stat", "mse,ms-ssim", "-ts", "128", "-compareStat", "mse",
                                "-qualityMap", "m.tif", "-mapRange", "0,1e9"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const GDALDatasetUniquePtr map(GDALDataset::Open(folder.File("m.tif").c_str()));
    ASSERT_TRUE(map);
    std::array<float, 6> cells{};
    ASSERT_EQ(map->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, 3, 2, cells.data(), 3, 2, GDT_Float32,
                                              0, 0, nullptr),
              CE_None);
    EXPECT_STREQ(map->GetRasterBand(1)->GetDescription(), "ms-ssim band 0 (GDAL red)");
    EXPECT_TRUE(std::all_of(cells.begin(), cells.end(), [](float c) { return std::isnan(c); }));

    EXPECT_TRUE(std::filesystem::exists(folder.File("m.pgw")));
    const GDALDatasetUniquePtr preview(GDALDataset::Open(folder.File("m.png").c_str()));
    ASSERT_TRUE(preview);
    std::array<double, 6> transform{};
    ASSERT_EQ(preview->GetGeoTransform(transform.data()), CE_None);
    const std::array<double, 6> placed{500000, 64.0 / 171, 0, 4600000, 0, -64.0 / 171};
    for (size_t term = 0; term < 6; ++term) {
        EXPECT_NEAR(transform[term], placed[term], 1e-9) << term;
    }
    EXPECT_TRUE(preview->GetSpatialRef() && preview->GetSpatialRef()->IsSame(&utm));
    const int width = preview->GetRasterXSize(), height = preview->GetRasterYSize();
    ASSERT_GT(height, 2 * 171); // the legend lies below the map
    std::vector<uint8_t> rgba(size_t(width) * size_t(height) * 4);
    ASSERT_EQ(preview->RasterIO(GF_Read, 0, 0, width, height, rgba.data(), width, height, GDT_Byte,
                                4, nullptr, 4, 4 * width, 1, nullptr),
              CE_None);
    const auto pixel = [&](int x, int y) {
        const size_t at = (size_t(y) * size_t(width) + size_t(x)) * 4;
        return std::array<int, 4>{rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    };
    // Every MSE lies at the fixed ramp's low end, viridis' dark purple.
    EXPECT_EQ(pixel(0, 0), (std::array<int, 4>{68, 1, 84, 255}));
    EXPECT_EQ(pixel(3 * 171 - 1, 2 * 171 - 1), (std::array<int, 4>{68, 1, 84, 255}));
    // Black text and the whole ramp, dark purple to yellow, in the legend.
    int ink = 0, purple = 0, yellow = 0;
    for (int y = 2 * 171; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto colour = pixel(x, y);
            ink += colour == std::array<int, 4>{0, 0, 0, 255};
            purple += colour == std::array<int, 4>{68, 1, 84, 255};
            yellow += colour == std::array<int, 4>{253, 231, 37, 255};
        }
    }
    EXPECT_GT(ink, 100);
    EXPECT_GT(purple, 0);
    EXPECT_GT(yellow, 0);
}

TEST_F(SignOff, LumaOfSixteenBitsIsMeasuredAgainstTheSourcesRangeWhenAsked) {
    RasterFixture sixteen = TexturedRgb(300, 200);
    sixteen.type = GDT_UInt16;
    for (BandValues& band : sixteen.bands) {
        for (double& sample : band) {
            sample *= 256;
        }
    }
    WriteGeoTiff(folder.File("o16.tif"), sixteen);
    WriteJpeg2000(folder.File("c16.jp2"), sixteen, {"QUALITY=10", "REVERSIBLE=NO"});
    // The options, the range measured against.
    const Lines pair = {"-i", "o16.tif", "-c", "c16.jp2", "-stat", "psnr", "-json", "-"};
    double lumaOfYuvy = 0;
    for (const auto& [options, range] : {std::pair{Lines{"-yuvy"}, 65535.0},
                                         {Lines{"-yuvY"}, 255.0},
                                         {Lines{"-yuvY", "-dataRange", "auto"}, 65535.0}}) {
        const ProgramRun run = Run(pair + options);
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        CPLJSONDocument document;
        ASSERT_TRUE(document.LoadMemory(run.output));
        EXPECT_EQ(document.GetRoot().GetDouble("dataRange"), range);
        const CPLJSONArray bands = document.GetRoot().GetArray("statistics/psnr");
        const double luma = bands[bands.Size() - 1].GetDouble("pooled");
        if (options.size() == 3) { // Y alone, as -yuvy measures its Y band
            EXPECT_EQ(luma, lumaOfYuvy);
        }
        lumaOfYuvy = options[0] == "-yuvy" ? luma : lumaOfYuvy;
    }
}

} // namespace
