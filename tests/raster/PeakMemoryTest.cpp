#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Peak memory against tile count, read by the reading process itself: on a
// single-tile file, where a kept codec decodes window after window, memory
// must follow the windows, not their number.
namespace {

long PeakKiB(const std::string& fileName, const char* order, int size, int count) {
    const std::string command = std::string(PEAK_MEMORY_PROBE) + " '" + fileName + "' " + order +
                                " " + std::to_string(size) + " " + std::to_string(count);
    FILE* const pipe = popen(command.c_str(), "r");
    char text[64] = {};
    const bool read = pipe != nullptr && std::fgets(text, sizeof text, pipe) != nullptr;
    const int status = pipe ? pclose(pipe) : -1;
    return read && status == 0 ? std::atol(text) : -1;
}

TEST(PeakMemory, FollowsTheWindowsNotTheirCountOnASingleTileFile) {
    TemporaryDirectory folder;
    // Eight strips high; the shared cache holds four.
    RasterFixture raster{512, 2048, GDT_Byte, {}, {}};
    for (int band = 0; band < 3; ++band) {
        raster.bands.push_back(MakeBand(512, 2048, [band](int x, int y) {
            return (x * 7 + y * 13 + band * 61 + (x * y) % 17) % 256;
        }));
    }
    const std::string fileName = folder.File("single-tile.jp2");
    WriteJpeg2000(fileName, raster, {"QUALITY=10", "REVERSIBLE=NO"});
    struct Row {
        const char* order;
        int fewTiles;
        int manyTiles;
    };
    // Random windows decode on the kept codec; in order, 64-pixel tiles
    // come from strips decoded once, five strips' worth against all eight.
    for (const Row& row : {Row{"ran", 100, 1000}, Row{"seq", 160, 256}}) {
        const long few = PeakKiB(fileName, row.order, 64, row.fewTiles);
        const long many = PeakKiB(fileName, row.order, 64, row.manyTiles);
        ASSERT_GT(few, 0) << row.order;
        EXPECT_LE(double(many), 1.1 * double(few))
            << row.order << ": " << row.manyTiles << " tiles " << many << " KiB, " << row.fewTiles
            << " tiles " << few << " KiB";
    }
}

} // namespace
