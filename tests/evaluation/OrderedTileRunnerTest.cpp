#include "evaluation/OrderedTileRunner.h"
#include "platform/ZarnikError.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

struct RunCase {
    const char* name;
    int32_t workers;
    int32_t tileCount;
    int32_t failingFetch;   // -1: none
    int32_t failingMeasure; // -1: none
};

// What the calling thread saw, in the order it saw it, ending with the
// failure that stopped the run.
std::vector<std::string> RunWithFaults(const RunCase& run) {
    std::vector<std::string> seen;
    const std::thread::id caller = std::this_thread::get_id();
    const auto onCaller = [&] {
        if (std::this_thread::get_id() != caller) {
            seen.push_back("off the calling thread");
        }
    };
    const TileWork work{
        .fetch =
            [&](int32_t index) {
                onCaller();
                if (index == run.failingFetch) {
                    throw std::runtime_error("fetch " + std::to_string(index));
                }
                return std::make_shared<CRegion>(index, 0, index, 0);
            },
        .measure =
            [&](int32_t, int32_t index, CRegionPtr tile) {
                // Later tiles finish first, so delivery order must come from
                // the runner, not from the workers.
                std::this_thread::sleep_for(std::chrono::microseconds(200 * ((index + 1) % 3)));
                if (index == run.failingMeasure) {
                    throw CZarnikError::Complete("measure");
                }
                return TileMeasurement{.index = index, .tile = std::move(tile), .bands = {}};
            },
        .settle = [&](int32_t index,
                      const CRegionPtr&) { seen.push_back("settle " + std::to_string(index)); },
        .deliver =
            [&](const TileMeasurement& measurement) {
                onCaller();
                seen.push_back("deliver " + std::to_string(measurement.tile->x0));
            },
    };
    try {
        COrderedTileRunner(run.workers).Run(run.tileCount, work);
    } catch (const std::exception& failure) {
        seen.push_back(std::string("failed: ") + failure.what());
    }
    return seen;
}

// The single loop's events: tiles before the first failure are settled and
// delivered, the failing tile is settled only when its measuring failed, and
// a tile is fetched before it is measured.
std::vector<std::string> SingleLoopEvents(const RunCase& run) {
    std::vector<std::string> events;
    for (int32_t index = 0; index < run.tileCount; ++index) {
        if (index == run.failingFetch) {
            events.push_back("failed: fetch " + std::to_string(index));
            break;
        }
        events.push_back("settle " + std::to_string(index));
        if (index == run.failingMeasure) {
            events.push_back("failed: measure");
            break;
        }
        events.push_back("deliver " + std::to_string(index));
    }
    return events;
}

TEST(OrderedTileRunnerTest, DeliversInVisitingOrderAndStopsAtTheFirstFailure) {
    const RunCase runs[] = {
        {"one worker", 1, 7, -1, -1},
        {"two workers", 2, 25, -1, -1},
        {"more workers than tiles", 8, 3, -1, -1},
        {"no tiles", 3, 0, -1, -1},
        {"measuring fails mid-run", 3, 20, -1, 9},
        {"measuring fails on the first tile", 2, 20, -1, 0},
        {"fetching fails mid-run", 2, 20, 11, -1},
        {"fetching fails before a later measuring failure", 8, 20, 4, 6},
        {"measuring fails before a later fetching failure", 3, 20, 12, 5},
        {"one worker, measuring fails", 1, 20, -1, 3},
    };
    for (const RunCase& run : runs) {
        SCOPED_TRACE(run.name);
        EXPECT_EQ(RunWithFaults(run), SingleLoopEvents(run));
    }
}

} // namespace
