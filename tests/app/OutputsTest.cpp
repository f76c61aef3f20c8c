#include "tests/app/ProgramRunner.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <cpl_json.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// One row of the tile values file, without its read times.
struct TileRow {
    int tile, x0, y0, x1, y1, band;
    std::vector<float> values; // in the order of -stat
    int64_t readUs[2] = {};    // the original's and the compressed file's read
};

Lines SplitAt(const std::string& text, char separator) {
    Lines pieces;
    std::istringstream stream(text);
    for (std::string piece; std::getline(stream, piece, separator);) {
        pieces.push_back(piece);
    }
    return pieces;
}

// The figures after "Min: ", "Avg: " and "Max: " in the report of
// `statistic`, band by band.
Lines ReportFigures(const std::string& output, const std::string& statistic) {
    Lines figures;
    const Lines lines = SplitAt(output, '\n');
    auto line = std::find(lines.begin(), lines.end(), "Results for " + statistic + " : ");
    for (++line; line < lines.end() && line->rfind(" ", 0) == 0; ++line) {
        if (line->rfind(" \t", 0) == 0) {
            figures.push_back(line->substr(line->find(':') + 2));
        }
    }
    return figures;
}

// The rows between the header and the last line of a completed run.
std::vector<TileRow> ReadTileRows(const std::string& fileName) {
    std::ifstream file(fileName);
    std::string line;
    std::getline(file, line);
    std::vector<TileRow> rows;
    while (std::getline(file, line) && line != "# complete") {
        TileRow row{};
        std::sscanf(line.c_str(), "%d,%d,%d,%d,%d,%d", &row.tile, &row.x0, &row.y0, &row.x1,
                    &row.y1, &row.band);
        const Lines fields = SplitAt(line, ',');
        for (size_t field = 6; field + 2 < fields.size(); ++field) {
            row.values.push_back(std::stof(fields[field]));
        }
        row.readUs[0] = std::stoll(fields[fields.size() - 2]);
        row.readUs[1] = std::stoll(fields.back());
        rows.push_back(row);
    }
    EXPECT_EQ(line, "# complete");
    EXPECT_FALSE(std::getline(file, line));
    return rows;
}

std::vector<float> ReadBand(GDALDataset& dataset, int band) {
    const int width = dataset.GetRasterXSize(), height = dataset.GetRasterYSize();
    std::vector<float> cells(size_t(width) * size_t(height));
    EXPECT_EQ(dataset.GetRasterBand(band)->RasterIO(GF_Read, 0, 0, width, height, cells.data(),
                                                    width, height, GDT_Float32, 0, 0, nullptr),
              CE_None);
    return cells;
}

std::array<double, 6> GeoTransform(GDALDataset& dataset) {
    std::array<double, 6> transform{};
    dataset.GetGeoTransform(transform.data());
    return transform;
}

// The tile values file has the tiles and values of the progress line, each
// tile's bands in a row.
void ExpectRowsAsProgress(const std::vector<TileRow>& rows, const std::string& output) {
    const Lines progress = SplitAt(output.substr(1, output.find('\n') - 1), '\r');
    ASSERT_EQ(rows.size(), 3 * progress.size());
    for (size_t tile = 0; tile < progress.size(); ++tile) {
        const TileRow& first = rows[3 * tile];
        std::ostringstream expected; // six significant digits, as the progress line
        expected << tile + 1 << " of " << progress.size() << " [" << first.x0 << "," << first.y0
                 << ";" << first.x1 << "," << first.y1 << "] ";
        for (size_t band = 0; band < 3; ++band) {
            const TileRow& row = rows[3 * tile + band];
            EXPECT_EQ(std::pair(row.tile, row.band), std::pair(int(tile), int(band)));
            expected << row.values[0] << "," << row.values[1] << (band < 2 ? "," : "");
        }
        EXPECT_EQ(progress[tile].substr(0, expected.str().size()), expected.str());
    }
}

// One band's values of one statistic, sorted.
std::vector<float> TileValues(const std::vector<TileRow>& rows, int band, size_t column) {
    std::vector<float> values;
    for (const TileRow& row : rows) {
        if (row.band == band) {
            values.push_back(row.values[column]);
        }
    }
    std::sort(values.begin(), values.end());
    return values;
}

// A band object of the JSON report summarises its sorted tile values: the
// percentiles by nearest rank, the population standard deviation.
void ExpectSummaryOf(const CPLJSONObject& band, const std::vector<float>& values) {
    const size_t count = values.size();
    EXPECT_EQ(band.GetInteger("count"), int(count));
    for (const auto& [key, percent] : {std::pair{"p05", 5}, {"p50", 50}, {"p95", 95}}) {
        const auto rank = size_t(std::ceil(percent / 100.0 * double(count))); // nearest rank
        EXPECT_EQ(float(band.GetDouble(key)), values[rank - 1]) << key;
    }
    double sum = 0, squares = 0;
    for (const float value : values) {
        sum += value;
    }
    for (const float value : values) {
        squares += (value - sum / double(count)) * (value - sum / double(count));
    }
    const double deviation = std::sqrt(squares / double(count));
    EXPECT_NEAR(band.GetDouble("stddev"), deviation, 1e-6 * deviation);
}

class Outputs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("LC_ALL", "C", 1); }

    // A textured RGB original in UTM zone 33 with half-metre pixels, and a
    // lossy JPEG 2000 copy.
    void SetUp() override {
        const RasterFixture rgb = TexturedRgb(300, 200);
        WriteGeoTiff(folder.File("original.tif"), rgb);
        WriteJpeg2000(folder.File("compressed.jp2"), rgb, {"QUALITY=10", "REVERSIBLE=NO"});
        const GDALDatasetUniquePtr original = Open("original.tif", GDAL_OF_UPDATE);
        ASSERT_TRUE(original);
        std::array<double, 6> halfMetres{500000.0, 0.5, 0.0, 4600000.0, 0.0, -0.5};
        original->SetGeoTransform(halfMetres.data());
        utm.importFromEPSG(32633);
        original->SetSpatialRef(&utm);
    }

    ProgramRun Run(const Lines& arguments, const Lines& moreArguments = {}) const {
        return RunProgram(folder.Path(), arguments + moreArguments);
    }

    GDALDatasetUniquePtr Open(const std::string& name, unsigned flags = GDAL_OF_READONLY) const {
        return GDALDatasetUniquePtr(GDALDataset::Open(folder.File(name).c_str(), flags));
    }

    // The map of -stat ssim,mse -ts 64 -tn 15 -compareBand 1: one cell per
    // tile of the 5 x 4 grid, lying on the original, and its quick look, at
    // least 512 pixels wide and transparent where no tile went.
    void ExpectMapOfTheTiles(const std::vector<TileRow>& rows) const {
        const GDALDatasetUniquePtr map = Open("m.tif");
        ASSERT_TRUE(map);
        EXPECT_EQ(std::pair(map->GetRasterXSize(), map->GetRasterYSize()), std::pair(5, 4));
        ASSERT_EQ(map->GetRasterCount(), 6);
        EXPECT_EQ(GeoTransform(*map),
                  (std::array<double, 6>{500000.0, 32.0, 0.0, 4600000.0, 0.0, -32.0}));
        EXPECT_TRUE(map->GetSpatialRef() && map->GetSpatialRef()->IsSame(&utm));
        EXPECT_STREQ(map->GetRasterBand(1)->GetDescription(), "mse band 0 (GDAL red)");
        EXPECT_STREQ(map->GetRasterBand(5)->GetDescription(), "ssim band 1 (GDAL green)");
        int hasNoData = 0;
        EXPECT_TRUE(std::isnan(map->GetRasterBand(5)->GetNoDataValue(&hasNoData)) && hasNoData);
        const std::vector<float> ssimGreen = ReadBand(*map, 5);
        EXPECT_EQ(ssimGreen[7], rows[3 * 7 + 1].values[0]); // tile 7 is cell (2, 1)
        EXPECT_TRUE(std::all_of(ssimGreen.begin() + 15, ssimGreen.end(),
                                [](float cell) { return std::isnan(cell); }));

        const GDALDatasetUniquePtr preview = Open("m.png");
        ASSERT_TRUE(preview);
        EXPECT_GE(preview->GetRasterXSize(), 512);
        ASSERT_EQ(preview->GetRasterCount(), 4);
        // Cells of 103 pixels; the legend lies below the 4 rows.
        const std::vector<float> alpha = ReadBand(*preview, 4);
        EXPECT_EQ(alpha.front(), 255.0f);
        EXPECT_EQ(alpha[size_t(4 * 103 - 1) * size_t(preview->GetRasterXSize()) + 5 * 103 - 1],
                  0.0f);
    }

    TemporaryDirectory folder;
    OGRSpatialReference utm;
};

TEST_F(Outputs, OneRunWritesTheJsonTheTileValuesAndTheMapAsTheReportSaysThem) {
    const ProgramRun run =
        Run({"-stat", "ssim,mse", "-ts", "64", "-tn", "15", "-compareStat", "ssim", "-compareBand",
             "1", "-json", "r.json", "-tileValues", "t.csv", "-qualityMap", "m.tif"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.errors, "");

    // The tile values: the same tiles and values as the progress line.
    const std::vector<TileRow> rows = ReadTileRows(folder.File("t.csv"));
    std::string header;
    std::ifstream(folder.File("t.csv")) >> header; // its first line, which holds no space
    EXPECT_EQ(SplitAt(header, ','), (Lines{"tile", "x0", "y0", "x1", "y1", "band", "ssim", "mse",
                                           "originalReadUs", "compressedReadUs"}));
    ASSERT_EQ(rows.size(), 45u);
    ExpectRowsAsProgress(rows, run.output);
    EXPECT_EQ(rows[12].x1, 299); // the fifth tile is clipped at the right edge

    // The JSON: the report's figures, and percentiles of the tile values.
    CPLJSONDocument document;
    ASSERT_TRUE(document.Load(folder.File("r.json")));
    const CPLJSONObject json = document.GetRoot();
    EXPECT_EQ(json.GetInteger("schema"), 1);
    EXPECT_EQ(json.GetInteger("tileCount"), 15);
    EXPECT_EQ(json.GetString("order"), "sequential");
    EXPECT_EQ(json.GetInteger("original/width"), 300);
    EXPECT_EQ(json.GetString("compressed/reader"), "sdk");
    for (const auto& [statistic, column] : {std::pair{"ssim", 0}, std::pair{"mse", 1}}) {
        SCOPED_TRACE(statistic);
        const CPLJSONArray bands = json.GetArray(std::string("statistics/") + statistic);
        ASSERT_EQ(bands.Size(), 3);
        Lines figures;
        for (int band = 0; band < 3; ++band) {
            for (const char* key : {"min", "avg", "max"}) {
                figures.push_back(Fixed4(bands[band].GetDouble(key)));
            }
            ExpectSummaryOf(bands[band], TileValues(rows, band, column));
        }
        Lines keys;
        for (const CPLJSONObject& key : bands[0].GetChildren()) {
            keys.push_back(key.GetName());
        }
        Lines expectedKeys = {"band",  "name",    "min",         "avg",       "max",
                              "count", "skipped", "finiteCount", "finiteAvg", "stddev",
                              "p05",   "p50",     "p95"};
        if (std::string(statistic) == "mse") { // the whole area's figure
            expectedKeys.push_back("pooled");
        }
        EXPECT_EQ(keys, expectedKeys);
        EXPECT_EQ(figures, ReportFigures(run.output, statistic));
    }
    // Decode speed: every read of each file, in milliseconds per megapixel visited.
    const double pixels = json.GetDouble("decoding/pixels");
    for (const auto& [file, side] : {std::pair{"original", 0}, std::pair{"compressed", 1}}) {
        double readUs = 0.0;
        for (const TileRow& row : rows) {
            readUs += static_cast<double>(row.readUs[side]);
        }
        const double expected = readUs / 1000.0 / (pixels / 1e6);
        // The JSON writes nine significant digits.
        EXPECT_NEAR(json.GetDouble(std::string("decoding/") + file + "/msPerMegapixel"), expected,
                    expected * 1e-8)
            << file;
    }

    ExpectMapOfTheTiles(rows);
}

TEST_F(Outputs, RandomTilesAverageIntoTheCellsWhoseCentresTheyCover) {
    // A rotated and sheared grid: each of the map's axes takes both terms.
    std::array<double, 6> sheared{500000.0, 0.5, 0.25, 4600000.0, 0.125, -0.5};
    ASSERT_EQ(Open("original.tif", GDAL_OF_UPDATE)->SetGeoTransform(sheared.data()), CE_None);
    const ProgramRun run = Run({"-stat", "mse", "-or", "ran", "-ts", "64", "-tn", "12", "-bbox",
                                "20,10,299,199", "-tileValues", "t.csv", "-qualityMap", "m.tif"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.errors, "");
    const std::vector<TileRow> rows = ReadTileRows(folder.File("t.csv"));
    const GDALDatasetUniquePtr map = Open("m.tif");
    ASSERT_TRUE(map);
    // Cells of 16 pixels over the 280 x 190 box, starting at its corner.
    ASSERT_EQ(std::pair(map->GetRasterXSize(), map->GetRasterYSize()), std::pair(18, 12));
    EXPECT_EQ(GeoTransform(*map),
              (std::array<double, 6>{500012.5, 8.0, 4.0, 4599997.5, 2.0, -8.0}));
    for (int band = 0; band < 3; ++band) {
        const std::vector<float> cells = ReadBand(*map, band + 1);
        for (size_t cell = 0; cell < cells.size(); ++cell) {
            const int x = 20 + int(cell % 18) * 16 + 8, y = 10 + int(cell / 18) * 16 + 8;
            double sum = 0, count = 0;
            for (const TileRow& row : rows) {
                if (row.band == band && row.x0 <= x && x <= row.x1 && row.y0 <= y && y <= row.y1) {
                    sum += row.values[0];
                    ++count;
                }
            }
            EXPECT_TRUE(count == 0 ? std::isnan(cells[cell])
                                   : std::fabs(cells[cell] - sum / count) <= 1e-6 * sum / count)
                << "cell " << cell << ": " << cells[cell] << " for " << count << " tiles";
        }
    }
}

TEST_F(Outputs, GatesPassOrFailWithExitCode3AndOneLinePerFailingBand) {
    // The gates, and the statistic that fails on every band with the limit it
    // crosses (none: all pass).
    const std::vector<std::tuple<Lines, std::string, std::string>> cases = {
        {{"-failBelow", "ssim=0.01,mse.avg=0", "-failAbove", "ssim=1"}, "", ""},
        {{"-failAbove", "mse.avg=0"}, "mse", "above the limit 0"},
        {{"-failAbove", "mse=1e9", "-failBelow", "ssim=2"}, "ssim", "below the limit 2"},
    };
    for (const auto& [gates, statistic, limit] : cases) {
        const ProgramRun run = Run({"-stat", "ssim,mse", "-ts", "128", "-tn", "2"}, gates);
        SCOPED_TRACE(run.output);
        EXPECT_EQ(run.exitCode, statistic.empty() ? 0 : 3);
        EXPECT_EQ(run.errors, "");
        // Each failing band's line gives the report's average.
        const Lines figures = statistic.empty() ? Lines{} : ReportFigures(run.output, statistic);
        Lines expected, failures;
        for (size_t band = 0; band < figures.size() / 3; ++band) {
            const char* const names[] = {"red", "green", "blue"};
            expected.push_back(statistic + ".avg on band " + std::to_string(band) + " (GDAL " +
                               names[band] + ") is " + figures[3 * band + 1] + ", " + limit);
        }
        for (const std::string& line : SplitAt(run.output, '\n')) {
            if (line.rfind("Quality gate failed: ", 0) == 0) { // the average as the report has it
                const size_t from = line.find(" is ") + 4, to = line.find(',', from);
                failures.push_back(line.substr(21, from - 21) +
                                   Fixed4(std::stod(line.substr(from, to - from))) +
                                   line.substr(to));
            }
        }
        EXPECT_EQ(failures, expected);
    }
}

TEST_F(Outputs, GatesTellStandardErrorBesideTheJsonAndPassAtTheirLimits) {
    // With the JSON on standard output, nothing else is there: the failing
    // bands' lines go to standard error, with the averages of the JSON.
    const ProgramRun json =
        Run({"-stat", "mse", "-json", "-", "-failAbove", "mse.avg=0", "-tn", "2"});
    EXPECT_EQ(json.exitCode, 3);
    CPLJSONDocument document;
    ASSERT_TRUE(document.LoadMemory(json.output)) << json.output;
    EXPECT_EQ(json.output.rfind("}\n"), json.output.size() - 2);
    const CPLJSONArray bands = document.GetRoot().GetArray("statistics/mse");
    const Lines lines = SplitAt(json.errors, '\n');
    ASSERT_EQ(lines.size(), 3u) << json.errors;
    for (int band = 0; band < 3; ++band) {
        const std::string& line = lines[size_t(band)];
        const std::string start = "Quality gate failed: mse.avg on band " + std::to_string(band) +
                                  " (" + bands[band].GetString("name") + ") is ";
        EXPECT_EQ(line.substr(0, start.size()), start);
        EXPECT_EQ(std::stof(line.substr(start.size())), float(bands[band].GetDouble("avg")));
        EXPECT_EQ(line.substr(line.find(',')), ", above the limit 0");
    }

    // A limit exactly at an average passes: the highest average under
    // -failAbove, the lowest under -failBelow.
    std::vector<float> averages;
    for (int band = 0; band < 3; ++band) {
        averages.push_back(float(bands[band].GetDouble("avg")));
    }
    char lowest[32], highest[32];
    std::snprintf(lowest, sizeof lowest, "mse.avg=%.9g",
                  *std::min_element(averages.begin(), averages.end()));
    std::snprintf(highest, sizeof highest, "mse.avg=%.9g",
                  *std::max_element(averages.begin(), averages.end()));
    const ProgramRun atLimits =
        Run({"-stat", "mse", "-tn", "2", "-failBelow", lowest, "-failAbove", highest});
    EXPECT_EQ(atLimits.exitCode, 0) << atLimits.output;
}

} // namespace
