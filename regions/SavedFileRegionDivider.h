#pragma once

#include "regions/RegionByteConverter.h"
#include "regions/RegionDivider.h"

#include <cstdint>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

// Replays the tiles of a regions file written by an earlier run, record by
// record. The file stays open for the divider's lifetime. A file ending with
// the trailer of a finished run holds the records before it; one whose run
// did not finish is refused; one without a trailer (an earlier version's) is
// read whole.
class CSavedFileRegionDivider : public IRegionDivider {
public:
    // Fails when the file is missing or empty, not a whole number of records,
    // holds more than 2147483647 records, or its first record cannot be read.
    explicit CSavedFileRegionDivider(std::string fileName);

    int32_t GetRegionCount() override { return static_cast<int32_t>(regionCount); }
    // The tile exactly as stored; a number past the end yields (0, 0, 0, 0).
    CRegionPtr GetRegion(int32_t regionNumber) override;

    // Width of the first tile, which a replayed run takes as its tile size.
    int32_t GetTileSize() const { return tileSize; }

private:
    // True when the file's last record is `trailer`.
    bool EndsWith(std::string_view trailer);

    std::string fileName;
    std::mutex mutex;
    std::ifstream stream;
    CRegionByteConverter converter;
    int64_t regionCount = 0;
    int32_t tileSize = 0;
};
