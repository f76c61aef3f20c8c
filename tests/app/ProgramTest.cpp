#include "tests/app/ProgramFixture.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The number after the label of a report line, e.g. " \tAvg:     0.0703 ms".
double Figure(const std::string& line) {
    return std::stod(line.substr(line.find(':') + 1));
}

// A tile file holds the three bands of its source over the tile.
void ExpectTileFile(const std::string& fileName, const std::string& source, const Tile& tile) {
    const Tile whole{0, 0, tile.x1 - tile.x0, tile.y1 - tile.y0};
    for (int band = 0; band < 3; ++band) {
        EXPECT_EQ(ReadTile(fileName, band, whole), ReadTile(source, band, tile)) << fileName;
    }
}

// The quality section's labels: the statistics and the band names beside them.
Lines QualityLabels(const Lines& lines) {
    Lines labels;
    size_t line = size_t(std::find(lines.begin(), lines.end(), "Quality: ") - lines.begin()) + 2;
    for (; line < lines.size() && !lines[line].empty(); ++line) {
        if (lines[line].rfind(" \t", 0) != 0) {
            labels.push_back(lines[line].substr(0, lines[line].find(',')));
        }
    }
    return labels;
}

// The files the bad inputs name, beside the pair: originals that differ from
// it, regions files of one record, named pipes and a huge sparse image.
void WriteBadInputs(const TemporaryDirectory& folder, const RasterFixture& rgb) {
    RasterFixture gray = rgb, wide = rgb;
    gray.bands.resize(1);
    gray.colours.clear();
    wide.type = GDT_UInt16;
    WriteGeoTiff(folder.File("gray.tif"), gray);
    WriteGeoTiff(folder.File("wide.tif"), wide);
    WriteGeoTiff(folder.File("narrow.tif"), TexturedRgb(299, 200));
    WriteGeoTiff(folder.File("short.tif"), TexturedRgb(300, 199));
    WriteMixedTypeVrt(
        folder.File("mixed.vrt"), 300, 200,
        {{GDT_Byte, rgb.bands[0]}, {GDT_Float32, rgb.bands[1]}, {GDT_UInt16, rgb.bands[2]}});
    // Regions files of one record: x0, y0, x1, y1 as little-endian 32-bit integers.
    for (const auto& [name, corners] :
         {std::pair{"empty.bin", std::array<int32_t, 4>{50, 0, 10, 10}},
          std::pair{"edge.bin", std::array<int32_t, 4>{250, 150, 300, 199}},
          std::pair{"huge.bin", std::array<int32_t, 4>{0, 0, 2000000000, 2000000000}}}) {
        std::ofstream(folder.File(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(corners.data()), sizeof corners);
    }
    // The first quarter of the original: its header and too few samples for a tile.
    std::filesystem::copy_file(folder.File("original.tif"), folder.File("cut.tif"));
    std::filesystem::resize_file(folder.File("cut.tif"),
                                 std::filesystem::file_size(folder.File("cut.tif")) / 4);
    for (const char* pipe : {"pipe.vexl", "pipe.tif"}) {
        ASSERT_EQ(mkfifo(folder.File(pipe).c_str(), 0600), 0);
    }
    // A VRT whose band reads the pipe, and a VRT over that VRT.
    for (const auto& [name, source] :
         {std::pair{"pipe.vrt", "pipe.tif"}, {"pipes.vrt", "pipe.vrt"}}) {
        std::ofstream(folder.File(name))
            << "<VRTDataset rasterXSize=\"300\" rasterYSize=\"200\"><VRTRasterBand "
               "dataType=\"Byte\" band=\"1\"><SimpleSource><SourceFilename relativeToVRT=\"1\">"
            << source << "</SourceFilename><SourceBand>1</SourceBand></SimpleSource>"
            << "</VRTRasterBand></VRTDataset>";
    }
    // 2^32 pixels, none of them stored.
    RegisterGdalDriversOnce();
    const char* sparse[] = {"SPARSE_OK=YES", "TILED=YES", nullptr};
    ASSERT_TRUE(GDALDatasetUniquePtr(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        folder.File("huge.tif").c_str(), 65536, 65536, 1, GDT_Byte, const_cast<char**>(sparse))));
}

// Arguments added to "-i original.tif -c compressed.jp2" (later ones win) and
// the message; the first three fail on the command line.
std::vector<std::pair<Lines, std::string>> BadInputCases() {
    return {
        {{"-c"}, "Compressed filename cannot be empty"},
        {{"-tn", "12x"}, "Failed to parse integer from '12x'. Could not find numbers in string"},
        {{"-useRegions", "missing.bin"}, "No data in saved regions file missing.bin"},
        {{"-c", "missing.jp2"}, "Unable to open file."},
        {{"-c", "missing.tif", "-u"}, "Unable to open file "},
        {{"-i", "missing.tif"}, "Error opening original file."},
        {{"-c", "missing.jp2", "-i", "missing.tif"}, "Unable to open file."},
        {{"-i", "gray.tif", "-yuvy"}, "Error opening original file."},
        // A reader's own failure gets the file's context; a complete message would not.
        {{"-c", "cut.tif", "-u"},
         "Unable to read compressed image buffer for band 0 with error RasterIO failed for region "
         "0,0;255,199"},
        {{"-c", "narrow.tif", "-u"}, "Width of the images differ. Cannot compare images."},
        {{"-c", "short.tif", "-u"}, "Height of the images differ. Cannot compare images."},
        {{"-c", "gray.tif", "-u"}, "Band count differs between files. Cannot compare bandwise."},
        {{"-c", "wide.tif", "-u"}, "Max band value differs between files. Cannot compare."},
        {{"-stat", "ssim,SSIM"}, "Unable to create statistics algorithms"},
        {{"-best", "1", "-compareStat", "psnr"},
         "-compareStat must be one of the values provided in -stat."},
        {{"-worst", "1", "-compareStat", "psnrr"},
         "Unable to find statistics algorithm specified for comparison"},
        {{"-or", "Random"}, "Unknown requestType"},
        {{"-useRegions", "empty.bin"}, "Tile [50,0;10,10] has no pixels"},
        // A tile may end on the last column or row, never one past it.
        {{"-useRegions", "edge.bin"},
         "Tile [250,150;300,199] lies outside the image of 300x200 pixels"},
        {{"-bbox", "0,100,99,200"},
         "Bounding box [0,100;99,200] lies outside the image of 300x200 pixels"},
        {{"-useRegions", "huge.bin"},
         "Tile [0,0;2000000000,2000000000] lies outside the image of 300x200 pixels"},
        {{"-saveRegions", "nowhere/tiles.bin"},
         "Unable to open output regions file nowhere/tiles.bin"},
        {{"-saveRegions", "/dev/full"}, "Unable to write output regions file /dev/full"},
        // One record stays buffered until the file is closed.
        {{"-saveRegions", "/dev/full", "-tn", "1"},
         "Unable to write output regions file /dev/full"},
        {{"-bbox", "100,100,0,0"}, "Bounding box [100,100;0,0] has no pixels"},
        {{"-useMask"}, "the original declares no nodata value, mask or alpha band"},
        // Named pipes would block the run: they are refused at once.
        {{"-c", "pipe.vexl"}, "Unable to open file."},
        {{"-c", "pipe.tif", "-u"}, "Unable to open file "},
        {{"-i", "pipe.tif"}, "Error opening original file."},
        {{"-i", "pipe.vrt"}, "Error opening original file."},
        {{"-c", "pipes.vrt", "-u"}, "Unable to open file "},
        {{"-i", "huge.tif", "-c", "huge.tif", "-u", "-ts", "2147483647"},
         "Tile [0,0;65535,65535] of 65536x65536 pixels holds more than 2147483647 samples, the "
         "most one buffer can take"},
        // Every band's type counts, -dataRange or not.
        {{"-i", "mixed.vrt", "-c", "mixed.vrt", "-u", "-dataRange", "255"},
         "The bands of mixed.vrt differ in data type (band 0 Byte, band 1 Float32, band 2 "
         "UInt16); every band must have the type of band 0"},
        // Tiles are written once every tile was evaluated, their folder checked before.
        {{"-c", "original.tif", "-u", "-stat", "mse", "-ts", "100", "-tn", "1", "-best", "1",
          "-bestPrefix", "nowhere/b_"},
         "Unable to create tile files in the folder of -bestPrefix nowhere/b_"},
    };
}

TEST_F(Program, BadInputsPrintOneMessageAndExitWith2) {
    WriteBadInputs(folder, rgb);
    std::ifstream usageFile(ZARNIK_TEST_DATA "/usage.txt", std::ios::binary);
    const std::string usage{std::istreambuf_iterator<char>(usageFile), {}};
    const std::vector<std::pair<Lines, std::string>> cases = BadInputCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const auto& [arguments, message] = cases[row];
        SCOPED_TRACE(message);
        const ProgramRun run = Run(arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.errors, "");
        if (row < 3) { // parse failures
            std::string commandLine = ZARNIK_BINARY " -i original.tif -c compressed.jp2 ";
            for (const auto& argument : arguments) {
                commandLine += argument + " ";
            }
            EXPECT_EQ(run.output, "\nFailed to parse command line '" + commandLine + "'\n\n" +
                                      message + "\n" + usage);
        } else { // after the progress line, if any
            const size_t error = std::min(run.output.find("Error occured"), run.output.size());
            EXPECT_EQ(run.output.substr(error), "Error occured. Details: " + message + "\n");
            EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
        }
    }
}

// The tiles -best 2 -worst 1 keep by the MSE of band 1, each written from both
// files, and no other file in `folder`.
void ExpectBestAndWorstFiles(const std::string& folder, const std::vector<Tile>& tiles,
                             const std::vector<float>& mse, const std::string& original,
                             const std::string& compressed) {
    // Best are the highest values of the compare statistic on the compare band.
    std::vector<size_t> order = {0, 1, 2, 3, 4, 5};
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return mse[a] > mse[b]; });
    std::set<std::string> expectedFiles, written;
    for (const auto& [prefix, tile] :
         {std::pair{"b_", order[0]}, std::pair{"b_", order[1]}, std::pair{"w_", order[5]}}) {
        for (const auto& [source, file] : {std::pair{"o", original}, std::pair{"c", compressed}}) {
            const std::string name = std::string(prefix) + "a_" + Fixed4(mse[tile]) + "__" +
                                     std::to_string(tiles[tile].x0) + "_" +
                                     std::to_string(tiles[tile].y0) + "_" + source + ".tiff";
            expectedFiles.insert(name);
            ExpectTileFile(folder + "/" + name, file, tiles[tile]);
        }
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        written.insert(entry.path().filename().string());
    }
    EXPECT_EQ(written, expectedFiles);
}

TEST_F(Program, ComparisonReportsEveryTileAndWritesTheBestAndWorst) {
    std::filesystem::create_directory(folder.File("out"));
    const ProgramRun run =
        Run({"-ts", "128", "-stat", "mse", "-bbox", "10,20,279,199", "-best", "2", "-worst", "1",
             "-compareBand", "1", "-bestPrefix", "out/b_", "-worstPrefix", "out/w_"});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.errors, "");
    const std::vector<Tile> tiles = {{10, 20, 137, 147},   {138, 20, 265, 147},
                                     {266, 20, 279, 147},  {10, 148, 137, 199},
                                     {138, 148, 265, 199}, {266, 148, 279, 199}};
    // The MSE of every tile and band, computed here from tiles read through GDAL.
    Lines expected = {"Statistics across 6 sequential input samples", "",
                      "Quality: ", std::string(54, '-'), "Results for mse : "};
    const char* const names[] = {"red", "green", "blue"};
    std::vector<float> mse[3];
    for (int band = 0; band < 3; ++band) {
        float sum = 0;
        for (const Tile& tile : tiles) {
            const auto a = ReadTile(original, band, tile), b = ReadTile(compressed, band, tile);
            double squares = 0;
            for (size_t i = 0; i < a.size(); ++i) {
                squares += (a[i] - b[i]) * (a[i] - b[i]);
            }
            mse[band].push_back(static_cast<float>(squares / static_cast<double>(a.size())));
            sum += mse[band].back();
        }
        const auto [min, max] = std::minmax_element(mse[band].begin(), mse[band].end());
        expected.insert(expected.end(), {" Band " + std::to_string(band) + " (GDAL " + names[band] +
                                             ")<->(JP2SDK) : ",
                                         " \tMin: " + Fixed4(*min), " \tAvg: " + Fixed4(sum / 6.0f),
                                         " \tMax: " + Fixed4(*max)});
    }
    expected.insert(expected.end(), {"", "Size:", std::string(54, '-')});
    const Lines lines = run.OutputLines();
    ASSERT_EQ(lines.size(), expected.size() + 17);
    EXPECT_EQ(Lines(lines.begin() + 1, lines.begin() + int(expected.size()) + 1), expected);

    // File sizes, and bits per pixel of the bounding box's 270 x 180 pixels.
    for (const size_t line : {expected.size() + 1, expected.size() + 2}) {
        const auto bytes =
            std::filesystem::file_size(line == expected.size() + 1 ? original : compressed);
        const std::string figures = lines[line].substr(lines[line].find(':') + 1);
        EXPECT_EQ(std::stoull(figures), bytes) << lines[line];
        EXPECT_NEAR(std::stod(figures.substr(figures.find('(') + 1)), bytes * 8.0 / (270 * 180),
                    bytes * 8.0 / (270 * 180) * 1e-3);
    }
    // Each file's read times under its own label. Decoding JPEG 2000 takes
    // tens of times longer than reading the plain GeoTIFF.
    const size_t speed = expected.size() + 5;
    ASSERT_EQ(Lines(lines.begin() + int(speed), lines.begin() + int(speed) + 3),
              (Lines{"Decoding speed:", std::string(54, '-'), "Input file: "}));
    EXPECT_EQ(lines[speed + 6], "Compressed file: ");
    EXPECT_GT(Figure(lines[speed + 8]), Figure(lines[speed + 4]));
    EXPECT_EQ(lines.back().rfind("Completed successfully in ", 0), 0u);

    ExpectBestAndWorstFiles(folder.File("out"), tiles, mse[1], original, compressed);
}

TEST_F(Program, LumaAndCommaSeparatedReportsWriteTileFilesFromTheFilesOwnBands) {
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"-yuvy",
         {"Statistics across 1 sequential input samples", "Results for mse : ",
          " Band 0 (GDAL red)<->(JP2SDK) : ", " Band 1 (GDAL green)<->(JP2SDK) : ",
          " Band 2 (GDAL blue)<->(JP2SDK) : ", " Band 3 (converted to Y)<->(converted to Y) : "}},
        {"-yuvY",
         {"Statistics across 1 sequential input samples",
          "Results for mse : ", " Band 0 (converted to Y)<->(converted to Y) : "}},
        {"-wiki",
         {"Statictics across 1 sequential input samples", "Results for mse : ", "Band",
          "0 GDAL red", "1 GDAL green", "2 GDAL blue"}},
    };
    for (const auto& [option, labels] : cases) {
        SCOPED_TRACE(option);
        const std::string out = folder.File(option.substr(1));
        std::filesystem::create_directory(out);
        const ProgramRun run =
            Run({"-stat", "mse", "-tn", "1", "-best", "1", "-worst", "1", "-bestPrefix",
                 out + "/b_", "-worstPrefix", out + "/w_", option});
        ASSERT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(run.errors, "");
        Lines report = QualityLabels(run.OutputLines());
        report.insert(report.begin(), run.OutputLines().at(1));
        EXPECT_EQ(report, labels);
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(out)) {
            const std::string name = entry.path().string();
            ExpectTileFile(name, name[name.size() - 6] == 'o' ? original : compressed,
                           {0, 0, 255, 199}); // the default tile size, clipped
            ++files;
        }
        EXPECT_EQ(files, 4u);
    }
}

TEST_F(Program, SavedRegionsReplayTheSameTilesAndValues) {
    const ProgramRun saving = Run(
        {"-ts", "128", "-or", "ran", "-tn", "5", "-stat", "mse,ssim", "-saveRegions", "tiles.bin"});
    ASSERT_EQ(saving.exitCode, 0) << saving.output;
    // Five records and the trailer of a finished run.
    EXPECT_EQ(std::filesystem::file_size(folder.File("tiles.bin")), 6u * 16);
    const ProgramRun replay = Run({"-stat", "mse,ssim", "-useRegions", "tiles.bin"});
    ASSERT_EQ(replay.exitCode, 0) << replay.output;
    EXPECT_EQ(saving.errors + replay.errors, "");
    Lines saved = saving.OutputLines(), replayed = replay.OutputLines();
    EXPECT_EQ(saved.at(1), "Statistics across 5 random input samples");
    EXPECT_EQ(replayed.at(1), "Statistics across 5 sequential input samples");
    // The same tiles in the progress line, the same figures up to the read times.
    saved.resize(std::find(saved.begin(), saved.end(), "Size:") - saved.begin());
    replayed.resize(std::find(replayed.begin(), replayed.end(), "Size:") - replayed.begin());
    EXPECT_EQ(replayed[0], saved[0]);
    EXPECT_EQ(Lines(replayed.begin() + 2, replayed.end()), Lines(saved.begin() + 2, saved.end()));
}

} // namespace
