#pragma once

#include "regions/RegionByteConverter.h"
#include "regions/RegionDivider.h"

#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>

// Hands out the tiles of another divider and records each one in a regions
// file at the position of its region number, so a later run can replay them.
// The file ends with a trailer record that says whether the run handed out
// every tile (regions/RegionsFileTrailer.h).
class CRegionDividerSerialisingDecorator : public IRegionDivider {
public:
    // Creates the file, truncating an existing one, before any tile is asked for.
    CRegionDividerSerialisingDecorator(std::shared_ptr<IRegionDivider> inner, std::string fileName);

    int32_t GetRegionCount() override { return inner->GetRegionCount(); }
    // Fails when the record cannot be written.
    CRegionPtr GetRegion(int32_t regionNumber) override;
    // Records a tile handed out by the inner divider at the position of its
    // number, for callers that fetch tiles ahead and record them only when
    // their turn comes.
    void Record(int32_t regionNumber, const CRegion& region);
    // Writes out what is still buffered and closes the file; fails when the
    // file could not be completely written, so that no run ends successfully
    // with a truncated record of its tiles.
    void Close();

private:
    void WriteTrailer(std::string_view trailer);
    std::runtime_error WriteFailure() const;

    std::shared_ptr<IRegionDivider> inner;
    std::string fileName;
    std::mutex mutex;
    std::ofstream stream;
    CRegionByteConverter converter;
};
