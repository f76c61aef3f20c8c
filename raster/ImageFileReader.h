#pragma once

#include "platform/Mutex.h"
#include "regions/Region.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Sample types shared by all readers and by the tile writer. Signed 16-bit is
// 2 and unsigned 16-bit is 3, the reverse of GDAL's own numbering.
enum class CellType : int32_t {
    UInt8 = 1, // also reported for signed 8-bit data
    Int16 = 2,
    UInt16 = 3,
    UInt32 = 4,
    Int32 = 5,
    Float32 = 6,
    Float64 = 7,
};

struct ImageSize {
    uint32_t width;
    uint32_t height;
};

// One band of an open raster. A band reads one tile at a time into a buffer of
// 32-bit floats, row-major, (x1 - x0 + 1) x (y1 - y0 + 1) samples, whatever
// the sample type in the file.
class CBand {
public:
    virtual ~CBand() = default;
    // Fills `buffer` with the tile; throws on failure. Reads of the bands of
    // one reader never overlap: every implementation holds its reader's mutex.
    virtual void ReadRegion(const CRegionPtr& region, float* buffer) = 0;
    virtual std::string GetName() = 0;
    // Each band kind allocates with its own allocator, so a buffer goes back
    // to the band that allocated it and to no other.
    virtual float* AllocateBuffer(int32_t sampleCount) = 0;
    virtual void FreeBuffer(float* buffer) = 0;
};

// How the tiles of a run come: row by row from the top left (sequential),
// drawn at random, or replayed from a regions file in the order it holds.
enum class TileOrder { Sequential, Random, Replayed };

// One band of a band-set read: which band, where its samples go, how long
// its share of the read took, and whether its samples are in place.
struct BandRead {
    int32_t band = 0;
    float* samples = nullptr;
    int64_t readUs = 0;
    bool done = false;
};

// One open raster file. Derived constructors open the file and add the
// bands they own in band order; a reader that shows bands of another reader
// (the luma decorator) lists them itself.
class CImageFileReader {
public:
    explicit CImageFileReader(std::string name) : fileName(std::move(name)) {}
    virtual ~CImageFileReader() = default;

    CImageFileReader(const CImageFileReader&) = delete;
    CImageFileReader& operator=(const CImageFileReader&) = delete;

    virtual int32_t GetBandCount() { return static_cast<int32_t>(bands.size()); }
    // Null for an index outside the band list; the band stays the reader's.
    virtual CBand* GetBand(int32_t index);
    // The reader whose own bands are written out as tile images.
    virtual CImageFileReader* GetSourceReader() { return this; }
    // Lets the reader's decoder use this many threads of its own when fewer
    // workers than cores read; readers that have none ignore it.
    virtual void SetDecoderThreads(int32_t) {}
    // Tells the reader how its tiles will come, so that it shares work
    // between neighbouring tiles only when they come in reading order;
    // readers without such work ignore it.
    virtual void SetTileOrder(TileOrder) {}
    // Reads the bands in `reads` of one tile in one call, each into its own
    // buffer of the tile's size, and marks each done once its samples are in
    // place. Each band's time is its share of the read: work done once for
    // all bands (decoding the tile) counts for the first band of the set,
    // work done per band (the conversion to floats) for that band, so the
    // times add up to the whole read. Fails as the bands' ReadRegion does;
    // the bands not marked done are unwritten or partly written. This
    // reader reads band after band.
    virtual void ReadBands(const CRegionPtr& tile, std::span<BandRead> reads);
    virtual float GetMaxBandValue() = 0;
    virtual ImageSize GetImageSize() = 0;
    virtual CellType GetCellType() { return CellType::UInt8; }

protected:
    // Appends a band of this reader's own; a null band is a slot that
    // GetBand reports as missing.
    void AddBand(std::unique_ptr<CBand> band) { bands.push_back(std::move(band)); }
    void ReserveBands(size_t count) { bands.reserve(count); }

    std::string fileName;
    CMutex mutex;

private:
    std::vector<std::unique_ptr<CBand>> bands;
};
