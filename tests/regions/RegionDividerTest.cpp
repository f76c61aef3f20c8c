#include "regions/RandomRegionDivider.h"
#include "regions/RegionDividerSerialisingDecorator.h"
#include "regions/SavedFileRegionDivider.h"
#include "regions/SequentialRegionDivider.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Rect = std::array<int32_t, 4>; // x0, y0, x1, y1

Rect Corners(const CRegionPtr& region) {
    return {region->x0, region->y0, region->x1, region->y1};
}

CRegionPtr Area(const Rect& r) {
    return std::make_shared<CRegion>(r[0], r[1], r[2], r[3]);
}

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

void WriteBytes(const std::string& fileName, const std::vector<unsigned char>& bytes) {
    std::ofstream(fileName, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::shared_ptr<CSequentialRegionDivider> TwoTiles() {
    // Tile 0 is (-300, 2; -45, 257), tile 1 (-44, 2; 99, 257), clipped.
    return std::make_shared<CSequentialRegionDivider>(Area({-300, 2, 99, 257}), 256, 2);
}

TEST(SequentialRegionDividerTest, CutsAreasRowByRowAndClipsTheLastColumnAndRow) {
    struct Case {
        Rect area;
        uint32_t tileSize;
        uint32_t requested;
        int32_t expectedCount;
        int32_t regionNumber; // -1: no tile to ask for
        Rect tile;
    };
    const std::vector<Case> cases = {
        {{0, 0, 999, 999}, 256, 100, 16, 0, {0, 0, 255, 255}},
        {{0, 0, 999, 999}, 256, 100, 16, 1, {256, 0, 511, 255}},
        {{0, 0, 999, 999}, 256, 100, 16, 3, {768, 0, 999, 255}},
        {{0, 0, 999, 999}, 256, 100, 16, 4, {0, 256, 255, 511}},
        {{0, 0, 999, 999}, 256, 100, 16, 15, {768, 768, 999, 999}},
        {{0, 0, 999, 999}, 256, 3, 3, 2, {512, 0, 767, 255}}, // fewer tiles requested
        {{100, 50, 611, 305}, 256, 100, 2, 1, {356, 50, 611, 305}},
        {{10, 20, 109, 69}, 256, 5, 1, 0, {10, 20, 109, 69}}, // tile larger than the area
        {{7, 7, 7, 7}, 1, 100, 1, 0, {7, 7, 7, 7}},
        {{10, 0, 5, 99}, 256, 100, 0, -1, {}}, // right edge left of the left edge
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "region " << c.regionNumber << " of " << c.area[2]);
        CSequentialRegionDivider divider(Area(c.area), c.tileSize, c.requested);
        EXPECT_EQ(divider.GetRegionCount(), c.expectedCount);
        if (c.regionNumber >= 0) {
            EXPECT_EQ(Corners(divider.GetRegion(c.regionNumber)), c.tile);
        }
    }
}

TEST(RegionDividerTest, FailuresCarryTheirNumbersAndFileNames) {
    TemporaryDirectory folder;
    const std::string empty = folder.File("empty.bin");
    WriteBytes(empty, {});
    const std::string forty = folder.File("forty.bin");
    WriteBytes(forty, std::vector<unsigned char>(40, 0));
    const std::string missing = folder.File("missing.bin");
    const std::string directory = folder.Path().string();
    const std::string unwritable = folder.File("no-folder/tiles.bin");
    const std::string tooMany = "Number of tiles '2500000000' exceeds maximum size of int "
                                "'2147483647' please use -bbox to limit the test area or -ts to "
                                "increase the tile size";
    const CRegionPtr huge = Area({0, 0, 49999, 49999});
    const CRegionPtr sixteen = Area({0, 0, 999, 999}); // 4 x 4 tiles of 256
    const std::vector<std::pair<std::string, std::function<void()>>> cases = {
        {tooMany, [&] { CSequentialRegionDivider(huge, 1, 100); }},
        {tooMany, [&] { CRandomRegionDivider(huge, 1, 100, 1); }},
        {"Row number '4' for region '16' must be smaller than row count '4'",
         [&] { CSequentialRegionDivider(sixteen, 256, 100).GetRegion(16); }},
        {"regionNumber '17' cannot be greater than tileCount '16'",
         [&] { CSequentialRegionDivider(sixteen, 256, 100).GetRegion(17); }},
        {"tileSize cannot be 0", [&] { CSequentialRegionDivider(sixteen, 0, 100); }},
        {"Region '0' cannot be cut from an area without tile columns",
         [] {
             CSequentialRegionDivider(Area({10, 0, 5, 99}), 256, 1).GetRegion(0);
         }},
        {"No data in saved regions file " + missing, [&] { CSavedFileRegionDivider{missing}; }},
        {"No data in saved regions file " + empty, [&] { CSavedFileRegionDivider{empty}; }},
        // Only a regular file is read: a folder, a pipe or a device is refused at once.
        {"Unable to open saved regions file " + directory,
         [&] { CSavedFileRegionDivider{directory}; }},
        {"Saved regions file " + forty + " is corrupt", [&] { CSavedFileRegionDivider{forty}; }},
        {"Unable to open output regions file " + unwritable,
         [&] { CRegionDividerSerialisingDecorator(TwoTiles(), unwritable); }},
    };
    for (const auto& [expected, action] : cases) {
        EXPECT_EQ(FailureOf(action), expected);
    }
}

// The tile numbers are the first draws of the standard 32-bit Mersenne
// Twister seeded with the first output of one seeded with `seed`, each kept
// when below the largest multiple of the tile count and taken modulo it;
// they were worked out once outside this program.
TEST(RandomRegionDividerTest, KnownSeedGivesKnownTiles) {
    struct Case {
        uint32_t seed;
        Rect area;
        uint32_t tileSize;
        std::vector<int32_t> tiles;
    };
    const std::vector<Case> cases = {
        {20261205u, {0, 0, 999, 999}, 256, {4, 11, 1, 2, 0, 14, 11, 0, 1, 13, 5, 0}},
        {0xDEADBEEFu, {100, 50, 1099, 1050}, 200, {28, 12, 18, 21, 21, 22, 22, 25, 11, 29, 23, 2}},
        {7u, {5, 6, 104, 55}, 256, {0, 0, 0}}, // a single tile, always drawn
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        CRandomRegionDivider divider(Area(c.area), c.tileSize, 100, c.seed);
        CSequentialRegionDivider grid(Area(c.area), c.tileSize, 100);
        EXPECT_EQ(divider.GetRegionCount(), 100); // not clamped to the tiles in the area
        for (size_t draw = 0; draw < c.tiles.size(); ++draw) {
            EXPECT_EQ(Corners(divider.GetRegion(0)), Corners(grid.GetRegion(c.tiles[draw])))
                << "draw " << draw;
        }
    }
}

// Two runs started within the same second must visit different tiles.
TEST(RandomRegionDividerTest, SeedIsTheClockIn100NanosecondUnitsSince1970CutTo32Bits) {
    const std::vector<std::pair<int64_t, uint32_t>> cases = {
        {1'000'000'000, 10'000'000},                 // one second after 1970
        {1'796'515'200'000'000'000, 3'880'501'248u}, // 2026-12-06 00:00:00, wrapped
        {1'796'515'200'123'456'789, 3'881'735'815u}, // 0.12 seconds later
        {1'796'515'200'000'000'099, 3'880'501'248u}, // less than one unit later
    };
    for (const auto& [nanoseconds, seed] : cases) {
        const std::chrono::system_clock::time_point time{std::chrono::nanoseconds(nanoseconds)};
        EXPECT_EQ(CRandomRegionDivider::SeedFromClock(time), seed) << nanoseconds << " ns";
    }
}

std::string Contents(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// Records are x0, y0, x1, y1 as signed 32-bit little-endian numbers, each at
// the position of its region number, so that a replay gives them back in order.
// The trailer after them says whether the run handed out every tile; a file
// without one (an earlier version's) replays whole.
TEST(SavedRegionsFile, RecordsTilesAtTheirNumberAndReplaysThem) {
    TemporaryDirectory folder;
    const std::string fileName = folder.File("tiles.bin");
    WriteBytes(fileName, std::vector<unsigned char>(160, 0xAB));
    const std::vector<unsigned char> records = {
        0xD4, 0xFE, 0xFF, 0xFF, 2, 0, 0, 0, 0xD3, 0xFF, 0xFF, 0xFF, 1, 1, 0, 0,
        0xD4, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 99,   0,    0,    0,    1, 1, 0, 0};
    const std::string recorded(records.begin(), records.end());
    {
        CRegionDividerSerialisingDecorator recorder(TwoTiles(), fileName);
        // The old file is gone; the holes of two records, then the trailer.
        EXPECT_EQ(Contents(fileName), std::string(32, '\0') + "run not finished");
        EXPECT_EQ(recorder.GetRegionCount(), 2);
        EXPECT_EQ(Corners(recorder.GetRegion(1)), (Rect{-44, 2, 99, 257}));
        recorder.GetRegion(0);
        recorder.Close();
    }
    EXPECT_EQ(Contents(fileName), recorded + "regions complete");
    WriteBytes(folder.File("unfinished.bin"), records);
    std::ofstream(folder.File("unfinished.bin"), std::ios::app) << "run not finished";
    EXPECT_THROW(CSavedFileRegionDivider{folder.File("unfinished.bin")}, std::runtime_error);
    WriteBytes(folder.File("earlier.bin"), records);
    EXPECT_EQ(CSavedFileRegionDivider(folder.File("earlier.bin")).GetRegionCount(), 2);

    CSavedFileRegionDivider replay(fileName);
    EXPECT_EQ(replay.GetRegionCount(), 2);
    EXPECT_EQ(replay.GetTileSize(), 256); // the width of the first tile
    EXPECT_EQ(Corners(replay.GetRegion(1)), (Rect{-44, 2, 99, 257}));
    // A read past the end is not detected and gives the zero record...
    EXPECT_EQ(Corners(replay.GetRegion(7)), (Rect{0, 0, 0, 0}));
    // ...after which earlier records can still be read.
    EXPECT_EQ(Corners(replay.GetRegion(0)), (Rect{-300, 2, -45, 257}));
}

} // namespace
