#include "regions/RandomRegionDivider.h"
#include "regions/SequentialRegionDivider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Rect {
    int32_t x0, y0, x1, y1;
    bool operator==(const Rect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "[" << r.x0 << "," << r.y0 << ";" << r.x1 << "," << r.y1 << "]";
}

Rect ToRect(const CRegionPtr& region) {
    return {region->x0, region->y0, region->x1, region->y1};
}

CRegionPtr Area(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return std::make_shared<CRegion>(x0, y0, x1, y1);
}

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

TEST(SequentialRegionDividerTest, CutsAreasRowByRowAndClipsTheLastColumnAndRow) {
    struct Case {
        const char* name;
        Rect area;
        uint32_t tileSize;
        uint32_t requested;
        int32_t expectedCount;
        std::vector<std::pair<int32_t, Rect>> tiles; // region number -> rectangle
    };
    const std::vector<Case> cases = {
        {"1000x1000 in 256-pixel tiles",
         {0, 0, 999, 999},
         256,
         100,
         16,
         {{0, {0, 0, 255, 255}},
          {1, {256, 0, 511, 255}},
          {3, {768, 0, 999, 255}},
          {4, {0, 256, 255, 511}},
          {12, {0, 768, 255, 999}},
          {15, {768, 768, 999, 999}}}},
        {"bounding box at (100, 50)",
         {100, 50, 611, 305},
         256,
         100,
         2,
         {{0, {100, 50, 355, 305}}, {1, {356, 50, 611, 305}}}},
        {"tile larger than the area", {10, 20, 109, 69}, 256, 5, 1, {{0, {10, 20, 109, 69}}}},
        {"fewer tiles requested than the area holds",
         {0, 0, 999, 999},
         256,
         3,
         3,
         {{2, {512, 0, 767, 255}}}},
        {"one-pixel area", {7, 7, 7, 7}, 1, 100, 1, {{0, {7, 7, 7, 7}}}},
        {"area with its right edge left of its left edge", {10, 0, 5, 99}, 256, 100, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSequentialRegionDivider divider(Area(c.area.x0, c.area.y0, c.area.x1, c.area.y1),
                                         c.tileSize, c.requested);
        EXPECT_EQ(divider.GetRegionCount(), c.expectedCount);
        for (const auto& [number, rect] : c.tiles) {
            EXPECT_EQ(ToRect(divider.GetRegion(number)), rect) << "region " << number;
        }
    }
}

TEST(RegionDividerTest, FailuresCarryTheirNumbers) {
    const auto area = Area(0, 0, 999, 999);
    struct Case {
        const char* name;
        std::function<void()> action;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"too many tiles for a signed count",
         [] { CSequentialRegionDivider(Area(0, 0, 49999, 49999), 1, 100); },
         "Number of tiles '2500000000' exceeds maximum size of int '2147483647' please use -bbox "
         "to limit the test area or -ts to increase the tile size"},
        {"too many tiles, random order",
         [] { CRandomRegionDivider(Area(0, 0, 49999, 49999), 1, 100, 1); },
         "Number of tiles '2500000000' exceeds maximum size of int '2147483647' please use -bbox "
         "to limit the test area or -ts to increase the tile size"},
        {"region number equal to the count reaches the row check",
         [&] { CSequentialRegionDivider(area, 256, 100).GetRegion(16); },
         "Row number '4' for region '16' must be smaller than row count '4'"},
        {"region number above the count",
         [&] { CSequentialRegionDivider(area, 256, 100).GetRegion(17); },
         "regionNumber '17' cannot be greater than tileCount '16'"},
        {"tile size 0", [&] { CSequentialRegionDivider(area, 0, 100); }, "tileSize cannot be 0"},
        {"tile from an empty area",
         [] { CSequentialRegionDivider(Area(10, 0, 5, 99), 256, 1).GetRegion(0); },
         "Region '0' cannot be cut from an area without tile columns"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FailureOf(c.action), c.expected);
    }
}

// A Mersenne Twister written out from its published definition, so that the
// divider's draws are checked against something other than the standard
// library's engine.
class ReferenceTwister {
public:
    explicit ReferenceTwister(uint32_t seed) {
        state[0] = seed;
        for (uint32_t i = 1; i < 624; ++i) {
            state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;
        }
    }

    uint32_t Next() {
        if (index == 624) {
            Twist();
        }
        uint32_t y = state[index++];
        y ^= y >> 11;
        y ^= (y << 7) & 0x9d2c5680u;
        y ^= (y << 15) & 0xefc60000u;
        y ^= y >> 18;
        return y;
    }

private:
    void Twist() {
        for (uint32_t i = 0; i < 624; ++i) {
            const uint32_t y = (state[i] & 0x80000000u) | (state[(i + 1) % 624] & 0x7fffffffu);
            state[i] = state[(i + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908b0dfu : 0u);
        }
        index = 0;
    }

    std::array<uint32_t, 624> state{};
    uint32_t index = 624;
};

TEST(RandomRegionDividerTest, KnownSeedGivesTheIndependentlyComputedTiles) {
    struct Case {
        uint32_t seed;
        Rect area;
        uint32_t tileSize;
    };
    // 16 tiles, 7 tiles (a count that needs the rejection step to be exact),
    // 3 x 5 tiles of a shifted box, and one tile. 500 draws repeat tiles.
    const std::vector<Case> cases = {
        {20261205u, {0, 0, 999, 999}, 256},
        {1u, {0, 0, 699, 99}, 100},
        {0xDEADBEEFu, {100, 50, 1099, 1050}, 200},
        {7u, {5, 6, 104, 55}, 256}, // a single tile, always drawn
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seed);
        const int32_t columns = (c.area.x1 - c.area.x0 + c.tileSize) / c.tileSize;
        const int32_t rows = (c.area.y1 - c.area.y0 + c.tileSize) / c.tileSize;
        const uint32_t n = static_cast<uint32_t>(columns * rows);

        ReferenceTwister seeder(c.seed);
        ReferenceTwister engine(seeder.Next());
        CRandomRegionDivider divider(Area(c.area.x0, c.area.y0, c.area.x1, c.area.y1), c.tileSize,
                                     500, c.seed);
        ASSERT_EQ(divider.GetRegionCount(), 500);
        for (int32_t i = 0; i < 500; ++i) {
            uint32_t r = engine.Next();
            while (r / n >= 0xFFFFFFFFu / n && 0xFFFFFFFFu % n != n - 1) {
                r = engine.Next();
            }
            const int32_t t = static_cast<int32_t>(r % n);
            const int32_t x0 = c.area.x0 + static_cast<int32_t>(c.tileSize) * (t % columns);
            const int32_t y0 = c.area.y0 + static_cast<int32_t>(c.tileSize) * (t / columns);
            const Rect expected{
                x0, y0, std::min<int32_t>(x0 + static_cast<int32_t>(c.tileSize) - 1, c.area.x1),
                std::min<int32_t>(y0 + static_cast<int32_t>(c.tileSize) - 1, c.area.y1)};
            ASSERT_EQ(ToRect(divider.GetRegion(i)), expected) << "draw " << i;
        }
    }
}

} // namespace
