#include "evaluation/TileSource.h"

#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

// Records the tiles of a run cut in `requestType` order into `file`.
void Record(const std::string& requestType, const std::string& file) {
    CParsedCommandLine options;
    options.requestType = requestType;
    options.tileSize = 64;
    options.tileCount = 20;
    options.saveRegions = file;
    CTileSource source(options, std::make_shared<CRegion>(0, 0, 511, 511));
    for (int32_t index = 0; index < source.Count(); ++index) {
        source.Settle(index, *source.Fetch(index));
    }
    source.Close();
}

} // namespace

// A replay of a sequential run is read as that run was, so that a single-tile
// file's strips are decoded once; any other replayed list is read window by
// window.
TEST(TileSource, ReplaysRowByRowListsInSequence) {
    TemporaryDirectory folder;
    struct Case {
        std::string recordedOrder;
        TileOrder replayedAs;
    };
    const Case cases[] = {{"seq", TileOrder::Sequential}, {"ran", TileOrder::Replayed}};
    for (const Case& test : cases) {
        const std::string file = folder.File(test.recordedOrder + ".bin");
        Record(test.recordedOrder, file);
        CParsedCommandLine replay;
        replay.useRegions = file;
        const CTileSource source(replay, nullptr);
        EXPECT_EQ(source.Count(), 20) << test.recordedOrder;
        EXPECT_EQ(source.Order(), test.replayedAs) << test.recordedOrder;
    }
}
