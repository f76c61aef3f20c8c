#pragma once

#include "raster/BandBuffer.h"
#include "raster/ImageFileReader.h"

#include <cstdint>
#include <string>
#include <vector>

// Every band of one tile of one file, read in one band-set read into buffers
// kept from tile to tile, with each band's share of the read time.
class CTileBandsRead {
public:
    // Reads `tile` of every band in `bands` (taken from `reader`, all
    // present). Throws "Tile ... cannot be held in memory" when the buffers
    // cannot be had; a failed read becomes `failurePrefix`, the band whose
    // samples are missing first, " with error " and the reader's text,
    // unless that text is complete. `fileName` names the file in failures.
    void Read(CImageFileReader& reader, const std::vector<CBand*>& bands, const CRegionPtr& tile,
              const char* failurePrefix, const std::string& fileName);

    const float* Samples(size_t band) const { return reads[band].samples; }
    int64_t ReadMicroseconds(size_t band) const { return reads[band].readUs; }

private:
    void Reserve(const std::vector<CBand*>& bands, const CRegion& tile);
    int32_t FailedBand() const;

    std::vector<CReusableBandBuffer> buffers;
    std::vector<BandRead> reads;
};
