#include "raster/ImageFileReader.h"

#include "platform/Clock.h"
#include "platform/ZarnikError.h"

CBand* CImageFileReader::GetBand(int32_t index) {
    if (index < 0 || index >= GetBandCount()) {
        return nullptr;
    }
    return bands[static_cast<size_t>(index)].get();
}

void CImageFileReader::ReadBands(const CRegionPtr& tile, std::span<BandRead> reads) {
    for (BandRead& read : reads) {
        CBand* band = GetBand(read.band);
        if (band == nullptr) {
            throw CZarnikError::Detail("No band " + std::to_string(read.band) + " to read",
                                       InBand(fileName, read.band));
        }
        const int64_t start = MonotonicMicroseconds();
        band->ReadRegion(tile, read.samples);
        read.readUs = MonotonicMicroseconds() - start;
        read.done = true;
    }
}
