#include "tests/app/ProgramRunner.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

// Runs of several workers over a JPEG 2000 copy of many tiles, whose decoded
// tiles the workers share: the outcome must not depend on the worker count.
namespace {

constexpr int kSize = 512;
constexpr int kDamagedTile = 6; // the third tile of the second row of 128-pixel tiles

std::string Contents(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Standard output without read times and elapsed seconds, standard error
// (where a race would show under ThreadSanitizer), the exit code, and the
// tile values without their read-time columns.
std::string Outcome(const TemporaryDirectory& folder, const Lines& arguments) {
    const ProgramRun run = RunProgram(folder.Path(), arguments);
    std::string outcome = "exit " + std::to_string(run.exitCode) + "\nstderr: " + run.errors + "\n";
    for (const std::string& line : run.OutputLines()) {
        if (line.find(" ms") == std::string::npos && line.rfind("Completed", 0) != 0) {
            outcome += line + "\n";
        }
    }
    std::istringstream values(Contents(folder.File("values.csv")));
    for (std::string row; std::getline(values, row);) {
        outcome += row.substr(0, row.rfind(',', row.rfind(',') - 1)) + "\n";
    }
    return outcome;
}

// A 512 x 512 original and its lossy copy in 64 x 64 JPEG 2000 tiles; the
// damaged copy, in 128 x 128 tiles (which take workers long enough to decode
// that they often wait for each other), has an impossible tile-part number
// in tile 6's header, which OpenJPEG refuses whenever it decodes that tile.
class ManyTiles : public ::testing::Test {
protected:
    void SetUp() override {
        WriteGeoTiff(folder.File("original.tif"), TexturedRgb(kSize, kSize));
        WriteJpeg2000(folder.File("compressed.jp2"), TexturedRgb(kSize, kSize),
                      {"QUALITY=20", "BLOCKXSIZE=64", "BLOCKYSIZE=64"});
        WriteJpeg2000(folder.File("damaged.jp2"), TexturedRgb(kSize, kSize),
                      {"QUALITY=20", "BLOCKXSIZE=128", "BLOCKYSIZE=128"});
        std::string bytes = Contents(folder.File("damaged.jp2"));
        size_t tilePart = bytes.find("\xFF\x90");
        while (tilePart != std::string::npos &&
               (uint8_t(bytes[tilePart + 4]) << 8 | uint8_t(bytes[tilePart + 5])) != kDamagedTile) {
            tilePart = bytes.find("\xFF\x90", tilePart + 2);
        }
        ASSERT_NE(tilePart, std::string::npos);
        bytes[tilePart + 10] = 3;
        std::ofstream(folder.File("damaged.jp2"), std::ios::binary) << bytes;
    }

    TemporaryDirectory folder;
};

TEST_F(ManyTiles, EveryWorkerCountGivesTheSameNumbersInOrderAndAtRandom) {
    // Random tiles drawn once, then replayed by every run.
    ASSERT_EQ(RunProgram(folder.Path(), {"-or", "ran", "-tn", "80", "-saveRegions", "random.bin"})
                  .exitCode,
              0);
    const Lines runs[] = {
        // 48-pixel tiles straddle the JPEG 2000 tiles.
        {"-ts", "48", "-tn", "121", "-stat", "all"},
        {"-ts", "64", "-tn", "64", "-yuvy", "-stat", "mse,psnr"},
        {"-useRegions", "random.bin", "-stat", "mse,ssim"},
        {"-ts", "200", "-tn", "9", "-yuvY", "-stat", "psnr"},
    };
    for (const Lines& arguments : runs) {
        SCOPED_TRACE(arguments[1]);
        const std::string single = Outcome(folder, arguments + Lines{"-tileValues", "values.csv"});
        EXPECT_NE(single.find("exit 0"), std::string::npos) << single;
        for (const char* workers : {"2", "4", "8"}) {
            EXPECT_EQ(Outcome(folder,
                              arguments + Lines{"-tileValues", "values.csv", "-threads", workers}),
                      single)
                << workers << " workers";
        }
    }
}

// Workers decode tiles ahead for each other; the damaged tile must still
// fail the very tile that needs it, in every run, with the rows before it.
TEST_F(ManyTiles, DamagedTileFailsTheSameTileAtAnyWorkerCount) {
    const Lines arguments = {"-c",  "damaged.jp2", "-ts", "32",          "-tn",
                             "256", "-stat",       "mse", "-tileValues", "values.csv"};
    const std::string single = Outcome(folder, arguments + Lines{"-threads", "1"});
    EXPECT_NE(single.find("exit 2"), std::string::npos);
    EXPECT_NE(
        single.find(
            "Error setting view for band 0 of damaged.jp2 at tile [256,128;287,159] with error"),
        std::string::npos)
        << single;
    for (const char* workers : {"1", "2", "4"}) {
        for (int run = 0; run < 10; ++run) {
            ASSERT_EQ(Outcome(folder, arguments + Lines{"-threads", workers}), single)
                << workers << " workers, run " << run;
        }
    }
}

} // namespace
