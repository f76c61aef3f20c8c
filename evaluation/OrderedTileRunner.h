#pragma once

#include "evaluation/TileMeasurement.h"

#include <cstdint>
#include <functional>

// The steps of one run, as the runner calls them.
struct TileWork {
    // The tile with this number; called on the calling thread, in visiting
    // order, a few tiles ahead of the measuring.
    std::function<CRegionPtr(int32_t index)> fetch;
    // Reads and measures a tile; called on worker `worker`, which owns
    // its own readers, so different tiles are measured at the same time.
    std::function<TileMeasurement(int32_t worker, int32_t index, CRegionPtr tile)> measure;
    // Called on the calling thread in visiting order for every tile whose
    // turn has come, just before its measurement is delivered or its failure
    // ends the run.
    std::function<void(int32_t index, const CRegionPtr& tile)> settle;
    // Called on the calling thread in visiting order.
    std::function<void(const TileMeasurement& measurement)> deliver;
};

// Measures the tiles of a run on `workerCount` threads and hands the results
// back in visiting order on the calling thread, so that everything recorded
// from them is the same whatever the number of workers. With one worker,
// everything happens on the calling thread, tile after tile, and no thread is
// started. At most two tiles per worker are in flight, so memory does not
// grow with the tile count.
//
// The first tile in visiting order whose fetching or measuring fails ends
// the run: the tiles before it are delivered, its failure is rethrown as it
// was thrown, and nothing of the tiles after it is delivered.
class COrderedTileRunner {
public:
    explicit COrderedTileRunner(int32_t workerCount);

    void Run(int32_t tileCount, const TileWork& work) const;

private:
    void RunOnCallingThread(int32_t tileCount, const TileWork& work) const;
    void RunOnWorkers(int32_t tileCount, const TileWork& work) const;

    int32_t workerCount;
};
