#pragma once

#include "regions/Region.h"

#include <string>

class CImageFileReader;

// Writes one tile of every band of a reader to an image file.
class CImageRegionOutputter {
public:
    virtual ~CImageRegionOutputter() = default;
    // `name` is the output file name without its extension.
    virtual void OutputRegion(CImageFileReader& reader, const std::string& name,
                              const CRegionPtr& region) = 0;
    // Removes the file of `name` written before, so that a tile whose other
    // file failed leaves nothing half done behind.
    virtual void RemoveRegion(const std::string& name) = 0;
    // Gives every file written since the last call its final name, all at
    // once when the run is over, so a run that fails or is interrupted
    // before leaves none of them.
    virtual void CommitRegions() = 0;
};
