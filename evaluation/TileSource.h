#pragma once

#include "options/ParsedCommandLine.h"
#include "raster/ImageFileReader.h"
#include "regions/Region.h"
#include "regions/RegionDivider.h"
#include "regions/RegionDividerSerialisingDecorator.h"

#include <cstdint>
#include <memory>

// The tiles of a run in visiting order: cut from the area in sequence or at
// random, or replayed from a regions file (-useRegions), and recorded in a
// regions file when asked (-saveRegions). The regions folder knows nothing of
// the program's error type; every failure of it becomes a CZarnikError here,
// the one place the evaluation calls it.
class CTileSource {
public:
    // Throws "Unknown requestType" for an order that is none of seq,
    // sequential, ran and random, and what the regions files throw.
    CTileSource(const CParsedCommandLine& options, CRegionPtr area);

    int32_t Count() const { return count; }
    // The order the tiles come in, for the readers; a replayed list that runs
    // row by row is read as the sequential run that recorded it.
    TileOrder Order() const { return order; }
    // Tile number `index`; called in visiting order, a few tiles ahead.
    CRegionPtr Fetch(int32_t index);
    // Records tile `index` in the regions file once its turn has come.
    void Settle(int32_t index, const CRegion& tile);
    // Completes the regions file; throws when any of it was lost.
    void Close();

private:
    std::shared_ptr<IRegionDivider> divider;
    // Records the visited tiles when asked to; the tiles themselves come
    // from `divider`, fetched ahead of their turn.
    std::shared_ptr<CRegionDividerSerialisingDecorator> recorder;
    int32_t count = 0;
    TileOrder order = TileOrder::Random;
};
