#include "metrics/AlgorithmRegistry.h"
#include "tests/app/ComparisonFixture.h"

#include <gdal_priv.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Tile {
    int x0, y0, x1, y1;
    int Width() const { return x1 - x0 + 1; }
    int Height() const { return y1 - y0 + 1; }
};

std::string TileText(const Tile& tile) {
    std::ostringstream text;
    text << "[" << tile.x0 << "," << tile.y0 << ";" << tile.x1 << "," << tile.y1 << "]";
    return text.str();
}

// The tiles of the fixture's 300 x 200 image at tile size 128, row by row.
const std::vector<Tile> kSequentialTiles = {{0, 0, 127, 127},     {128, 0, 255, 127},
                                            {256, 0, 299, 127},   {0, 128, 127, 199},
                                            {128, 128, 255, 199}, {256, 128, 299, 199}};

std::vector<float> ReadTile(const std::string& fileName, int band, const Tile& tile) {
    RegisterGdalDriversOnce();
    GDALDatasetUniquePtr dataset(GDALDataset::Open(fileName.c_str(), GDAL_OF_RASTER));
    std::vector<float> samples(static_cast<size_t>(tile.Width() * tile.Height()));
    if (!dataset || dataset->GetRasterBand(band + 1)->RasterIO(
                        GF_Read, tile.x0, tile.y0, tile.Width(), tile.Height(), samples.data(),
                        tile.Width(), tile.Height(), GDT_Float32, 0, 0, nullptr) != CE_None) {
        ADD_FAILURE() << "cannot read " << fileName;
    }
    return samples;
}

std::string Fixed4(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", static_cast<double>(value));
    return text;
}

// Per statistic and band, the values of every tile, computed here from tiles
// read with GDAL.
using TileValues = std::map<std::string, std::map<int, std::vector<float>>>;

TileValues ValuesOnTiles(const std::string& original, const std::string& compressed,
                         const std::vector<Tile>& tiles, const std::string& statistics) {
    CAlgorithmRegistry registry;
    std::vector<CAlgorithm*> algorithms;
    EXPECT_TRUE(registry.CreateAlgorithms(statistics, 255.0f, algorithms));
    TileValues values;
    for (const Tile& tile : tiles) {
        for (int band = 0; band < 3; ++band) {
            const auto a = ReadTile(original, band, tile);
            const auto b = ReadTile(compressed, band, tile);
            for (const CAlgorithm* algorithm : algorithms) {
                values[algorithm->GetName()][band].push_back(
                    algorithm->Compute(a.data(), b.data(), tile.Width(), tile.Height()));
            }
        }
    }
    return values;
}

// The quality section as the readable report must print it.
std::vector<std::string> ExpectedQualityLines(const TileValues& values,
                                              const std::string& compressedBandName) {
    const char* const originalNames[] = {"GDAL red", "GDAL green", "GDAL blue"};
    std::vector<std::string> lines;
    for (const auto& [name, bands] : values) {
        lines.push_back("Results for " + name + " : ");
        for (const auto& [band, tileValues] : bands) {
            float min = tileValues[0], max = tileValues[0], sum = 0;
            for (const float value : tileValues) {
                min = std::min(min, value);
                max = std::max(max, value);
                sum = value + sum;
            }
            const std::string compressedName =
                compressedBandName.empty() ? originalNames[band] : compressedBandName;
            lines.push_back(" Band " + std::to_string(band) + " (" + originalNames[band] + ")<->(" +
                            compressedName + ") : ");
            lines.push_back(" \tMin: " + Fixed4(min));
            lines.push_back(" \tAvg: " + Fixed4(sum / static_cast<float>(tileValues.size())));
            lines.push_back(" \tMax: " + Fixed4(max));
        }
    }
    return lines;
}

std::vector<std::string> TileRectangles(const Report& report) {
    std::vector<std::string> rectangles;
    for (const auto& line : report.progress) {
        const auto open = line.find('[');
        rectangles.push_back(line.substr(open, line.find(']') - open + 1));
    }
    return rectangles;
}

std::vector<std::string> RectanglesOf(const std::vector<Tile>& tiles) {
    std::vector<std::string> rectangles;
    for (const auto& tile : tiles) {
        rectangles.push_back(TileText(tile));
    }
    return rectangles;
}

std::string SizeLine(const char* label, uint64_t size, double pixels) {
    std::ostringstream line;
    line.precision(4);
    line << label << std::setw(15) << size << " bytes ( " << std::setw(5) << size * 8.0 / pixels
         << " bpp ) ";
    return line.str();
}

class Comparison : public ComparisonFixture {
protected:
    void SetUp() override { WriteLossyPair(original, compressed); }

    std::string original = File("original.tif");
    std::string compressed = File("compressed.jp2");
};

TEST_F(Comparison, LossyCopyMatchesTheKernelsOnTilesReadWithGdal) {
    const auto expected = ExpectedQualityLines(
        ValuesOnTiles(original, compressed, kSequentialTiles, "mse,psnr,ssim"), "JP2SDK");
    const ProgramRun run =
        Run({"-i", original, "-c", compressed, "-stat", "ssim,psnr,mse", "-ts", "128"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Report report = ReportOf(run);
    // The empty line after the run ends the progress line.
    EXPECT_EQ(report.lines.at(0), "Statistics across 6 sequential input samples");
    EXPECT_EQ(QualityLines(report), expected);
    EXPECT_EQ(TileRectangles(report), RectanglesOf(kSequentialTiles));
    ASSERT_EQ(report.progress.size(), 6u);
    EXPECT_EQ(report.progress[0].rfind("1 of 6 [0,0;127,127] ", 0), 0u);
    // Nine values per tile: three statistics on three bands.
    const std::string values = report.progress[5].substr(report.progress[5].find("] ") + 2);
    EXPECT_EQ(std::count(values.begin(), values.end(), ','), 8);
    EXPECT_EQ(run.Lines().back(), "Completed successfully in 0 seconds");
}

TEST_F(Comparison, IdenticalFilesGiveExactScores) {
    const RasterFixture raster = TexturedRgb(256, 256);
    WriteGeoTiff(File("same.tif"), raster);
    WriteJpeg2000(File("same.jp2"), raster, LosslessJpeg2000Options(true));
    for (const bool throughGdal : {false, true}) {
        SCOPED_TRACE(throughGdal ? "GDAL" : "own reader");
        std::vector<std::string> arguments = {"-i", "same.tif", "-c", "same.jp2", "-stat", "all"};
        if (throughGdal) {
            arguments.push_back("-u");
        }
        const ProgramRun run = Run(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const auto quality = QualityLines(ReportOf(run));
        ASSERT_EQ(quality.size(), 4u * 13);
        const std::map<std::string, std::string> exact = {
            {"ms-ssim", "1.0000"}, {"mse", "0.0000"}, {"psnr", "0.0000"}, {"ssim", "1.0000"}};
        size_t line = 0;
        for (const auto& [name, value] : exact) {
            EXPECT_EQ(quality[line++], "Results for " + name + " : ");
            for (int band = 0; band < 3; ++band) {
                ++line;
                for (const char* label : {" \tMin: ", " \tAvg: ", " \tMax: "}) {
                    EXPECT_EQ(quality[line++], label + value);
                }
            }
        }
    }
}

TEST_F(Comparison, TileCountsAndOrder) {
    struct Case {
        std::vector<std::string> options;
        std::string header;
        size_t tiles;
    };
    const std::vector<Case> cases = {
        {{"-tn", "4"}, "Statistics across 4 sequential input samples", 4},
        {{"-tn", "100", "-or", "sequential"}, "Statistics across 6 sequential input samples", 6},
        {{"-tn", "9", "-or", "ran"}, "Statistics across 9 random input samples", 9},
        {{"-tn", "3", "-or", "random"}, "Statistics across 3 random input samples", 3},
    };
    const auto grid = RectanglesOf(kSequentialTiles);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        std::vector<std::string> arguments = {"-i", original, "-c", compressed, "-ts", "128"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        const ProgramRun run = Run(arguments);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const Report report = ReportOf(run);
        EXPECT_EQ(report.lines.at(0), c.header);
        const auto rectangles = TileRectangles(report);
        ASSERT_EQ(rectangles.size(), c.tiles);
        for (size_t i = 0; i < rectangles.size(); ++i) {
            EXPECT_EQ(report.progress[i].rfind(std::to_string(i + 1) + " of ", 0), 0u);
            if (c.header.find("sequential") != std::string::npos) {
                EXPECT_EQ(rectangles[i], grid[i]);
            } else {
                EXPECT_NE(std::find(grid.begin(), grid.end(), rectangles[i]), grid.end());
            }
        }
    }
}

TEST_F(Comparison, BoundingBoxLimitsTilesAndBitsPerPixel) {
    const ProgramRun run = Run(
        {"-i", original, "-c", compressed, "-ts", "50", "-stat", "mse", "-bbox", "10,20,109,69"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const Report report = ReportOf(run);
    EXPECT_EQ(TileRectangles(report),
              (std::vector<std::string>{"[10,20;59,69]", "[60,20;109,69]"}));
    const std::vector<Tile> tiles = {{10, 20, 59, 69}, {60, 20, 109, 69}};
    EXPECT_EQ(QualityLines(report),
              ExpectedQualityLines(ValuesOnTiles(original, compressed, tiles, "mse"), "JP2SDK"));
    const auto originalSize = std::filesystem::file_size(original);
    const auto compressedSize = std::filesystem::file_size(compressed);
    const auto size = std::find(report.lines.begin(), report.lines.end(), "Size:");
    ASSERT_NE(size, report.lines.end());
    EXPECT_EQ(*(size + 2), SizeLine("Original file size:  ", originalSize, 100.0 * 50));
    EXPECT_EQ(*(size + 3), SizeLine("Compressed file size:", compressedSize, 100.0 * 50));
}

TEST_F(Comparison, SavedRegionsReplayTheSameTilesAndValues) {
    const ProgramRun saving = Run({"-i", original, "-c", compressed, "-ts", "128", "-or", "ran",
                                   "-tn", "5", "-stat", "mse,ssim", "-saveRegions", "tiles.bin"});
    ASSERT_EQ(saving.exitCode, 0) << saving.output;
    EXPECT_EQ(std::filesystem::file_size(File("tiles.bin")), 80u);
    const ProgramRun replay =
        Run({"-i", original, "-c", compressed, "-stat", "mse,ssim", "-useRegions", "tiles.bin"});
    ASSERT_EQ(replay.exitCode, 0) << replay.output;
    const Report saved = ReportOf(saving);
    const Report replayed = ReportOf(replay);
    EXPECT_EQ(saved.lines.at(0), "Statistics across 5 random input samples");
    EXPECT_EQ(replayed.lines.at(0), "Statistics across 5 sequential input samples");
    EXPECT_EQ(replayed.progress, saved.progress);
    EXPECT_EQ(QualityLines(replayed), QualityLines(saved));
}

// Tile files are named <prefix>a_<value>__<x0>_<y0>_<o|c>.tiff.
struct TileFile {
    std::string value;
    int x0, y0;
    char source;
};

std::vector<TileFile> TileFilesIn(const std::string& folder, const std::string& prefix) {
    std::vector<TileFile> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) != 0) {
            continue;
        }
        char value[32] = {};
        TileFile file{};
        if (std::sscanf(name.c_str() + prefix.size(), "a_%31[-0-9.]__%d_%d_%c.tiff", value,
                        &file.x0, &file.y0, &file.source) == 4) {
            file.value = value;
            files.push_back(file);
        } else {
            ADD_FAILURE() << "unexpected file " << name;
        }
    }
    return files;
}

TEST_F(Comparison, BestAndWorstTilesAreWrittenFromBothFiles) {
    std::filesystem::create_directory(File("out"));
    const ProgramRun run =
        Run({"-i",     original,      "-c",           compressed,     "-ts",
             "128",    "-stat",       "ssim,mse",     "-best",        "2",
             "-worst", "1",           "-compareStat", "MSE",          "-compareBand",
             "1",      "-bestPrefix", "out/b_",       "-worstPrefix", "out/w_"});
    ASSERT_EQ(run.exitCode, 0) << run.output;

    const auto mse = ValuesOnTiles(original, compressed, kSequentialTiles, "mse").at("mse").at(1);
    std::multiset<std::string> expectedBest, expectedWorst;
    std::vector<size_t> order(mse.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return mse[a] > mse[b]; });
    for (const size_t i : {order[0], order[1]}) {
        expectedBest.insert(Fixed4(mse[i]) + "@" + TileText(kSequentialTiles[i]));
    }
    expectedWorst.insert(Fixed4(mse[order.back()]) + "@" +
                         TileText(kSequentialTiles[order.back()]));

    for (const auto& [prefix, expected] :
         {std::pair{"b_", expectedBest}, std::pair{"w_", expectedWorst}}) {
        SCOPED_TRACE(prefix);
        const auto files = TileFilesIn(File("out"), prefix);
        ASSERT_EQ(files.size(), 2 * expected.size());
        std::multiset<std::string> written;
        for (const auto& file : files) {
            const auto tile =
                std::find_if(kSequentialTiles.begin(), kSequentialTiles.end(),
                             [&](const Tile& t) { return t.x0 == file.x0 && t.y0 == file.y0; });
            ASSERT_NE(tile, kSequentialTiles.end());
            if (file.source == 'o') {
                written.insert(file.value + "@" + TileText(*tile));
            }
            const std::string name = File("out/" + std::string(prefix) + "a_" + file.value + "__" +
                                          std::to_string(file.x0) + "_" + std::to_string(file.y0) +
                                          "_" + file.source + ".tiff");
            GDALDatasetUniquePtr dataset(GDALDataset::Open(name.c_str(), GDAL_OF_RASTER));
            ASSERT_TRUE(dataset) << name;
            EXPECT_EQ(dataset->GetRasterCount(), 3);
            EXPECT_EQ(dataset->GetRasterXSize(), tile->Width());
            EXPECT_EQ(dataset->GetRasterYSize(), tile->Height());
            EXPECT_EQ(dataset->GetRasterBand(1)->GetRasterDataType(), GDT_Byte);
            const Tile whole{0, 0, tile->Width() - 1, tile->Height() - 1};
            for (int band = 0; band < 3; ++band) {
                EXPECT_EQ(ReadTile(name, band, whole),
                          ReadTile(file.source == 'o' ? original : compressed, band, *tile));
            }
        }
        EXPECT_EQ(written, expected);
    }
}

TEST_F(Comparison, LumaModesExposeTheirBands) {
    struct Case {
        const char* option;
        std::vector<std::string> bandLines;
    };
    const std::vector<Case> cases = {
        {"-yuvy",
         {" Band 0 (GDAL red)<->(JP2SDK) : ", " Band 1 (GDAL green)<->(JP2SDK) : ",
          " Band 2 (GDAL blue)<->(JP2SDK) : ", " Band 3 (converted to Y)<->(converted to Y) : "}},
        {"-yuvY", {" Band 0 (converted to Y)<->(converted to Y) : "}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        const ProgramRun run =
            Run({"-i", original, "-c", compressed, "-ts", "128", "-stat", "mse", c.option});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        std::vector<std::string> bandLines;
        for (const auto& line : QualityLines(ReportOf(run))) {
            if (line.rfind(" Band ", 0) == 0) {
                bandLines.push_back(line);
            }
        }
        EXPECT_EQ(bandLines, c.bandLines);
    }
}

TEST_F(Comparison, CommaSeparatedFormAndTheUsersLocale) {
    const std::vector<std::string> arguments = {"-i",  original, "-c",    compressed,
                                                "-ts", "128",    "-stat", "mse"};
    const Report readable = ReportOf(Run(arguments));
    std::vector<std::string> wikiArguments = arguments;
    wikiArguments.push_back("-wiki");
    const Report wiki = ReportOf(Run(wikiArguments));
    ASSERT_GT(wiki.lines.size(), 10u);
    EXPECT_EQ(wiki.lines[0], "Statictics across 6 sequential input samples");
    const auto readableQuality = QualityLines(readable);
    const auto value = [&](size_t line) { return readableQuality[line].substr(7); };
    EXPECT_EQ(
        QualityLines(wiki),
        (std::vector<std::string>{"Results for mse : ", "Band, Min, Avg, Max",
                                  "0 GDAL red," + value(2) + "," + value(3) + "," + value(4),
                                  "1 GDAL green," + value(6) + "," + value(7) + "," + value(8),
                                  "2 GDAL blue," + value(10) + "," + value(11) + "," + value(12)}));

    const Report german = ReportOf(Run(arguments, {"LC_ALL=de_DE.UTF-8"}));
    // Every number of the C report, written again the German way.
    auto germanQuality = readableQuality;
    for (auto& line : germanQuality) {
        const auto colon = line.find(": ");
        if (line.rfind(" \t", 0) == 0 && colon != std::string::npos) {
            std::ostringstream number;
            number.imbue(std::locale("de_DE.UTF-8"));
            number << std::fixed << std::setprecision(4) << std::stof(line.substr(colon + 2));
            line = line.substr(0, colon + 2) + number.str();
        }
    }
    EXPECT_EQ(QualityLines(german), germanQuality);
    const auto size = std::find(german.lines.begin(), german.lines.end(), "Size:");
    ASSERT_NE(size, german.lines.end());
    std::ostringstream grouped;
    grouped.imbue(std::locale("de_DE.UTF-8"));
    grouped << std::filesystem::file_size(original);
    EXPECT_NE((size + 2)->find(grouped.str() + " bytes"), std::string::npos) << *(size + 2);
}

} // namespace
