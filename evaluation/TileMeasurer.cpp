#include "evaluation/TileMeasurer.h"

#include "platform/Clock.h"
#include "platform/ZarnikError.h"

#include <limits>
#include <new>
#include <optional>
#include <string>

namespace {

// Sample buffers are counted in signed 32 bits, so a larger tile is refused
// before anything is allocated; one that fits the count but not the memory is
// named too instead of surfacing as a bare "std::bad_alloc".
std::string TileSizeText(const CRegion& tile) {
    return std::string("Tile ") + TileText(tile) + " of " + std::to_string(tile.Width()) + "x" +
           std::to_string(tile.Height()) + " pixels";
}

int32_t SampleCountOf(const CRegion& tile) {
    const int64_t count = tile.Width() * tile.Height();
    if (count > std::numeric_limits<int32_t>::max()) {
        throw CZarnikError::Detail(TileSizeText(tile) + " holds more than " +
                                   std::to_string(std::numeric_limits<int32_t>::max()) +
                                   " samples, the most one buffer can take");
    }
    return static_cast<int32_t>(count);
}

// Reads the tile and returns how long the read alone took, in microseconds.
// A reader's detail gets the band and the file it came from.
int64_t TimedRead(CBand& band, const CRegionPtr& tile, float* samples, const char* failurePrefix,
                  const FailurePlace& place) {
    try {
        const int64_t start = MonotonicMicroseconds();
        band.ReadRegion(tile, samples);
        return MonotonicMicroseconds() - start;
    } catch (...) {
        RethrowWithContext(failurePrefix + std::to_string(*place.band) + " with error ", place);
    }
}

} // namespace

CTileMeasurer::CTileMeasurer(std::vector<CAlgorithm*> statistics, const ComparedImages& compared,
                             std::string originalFile, std::string compressedFile)
    : algorithms(std::move(statistics)), images(compared),
      originalFileName(std::move(originalFile)), compressedFileName(std::move(compressedFile)) {}

TileMeasurement CTileMeasurer::MeasureTile(WorkerTools& tools, int32_t index,
                                           CRegionPtr tile) const {
    CheckInsideImage("Tile", *tile, images.width, images.height);
    TileMeasurement measurement{.index = index, .tile = std::move(tile), .bands = {}};
    measurement.bands.reserve(static_cast<size_t>(images.bandCount));
    for (int32_t b = 0; b < images.bandCount; ++b) {
        measurement.bands.push_back(MeasureBand(tools, b, measurement.tile));
    }
    return measurement;
}

BandMeasurement CTileMeasurer::MeasureBand(WorkerTools& tools, int32_t bandIndex,
                                           const CRegionPtr& tilePtr) const {
    const CRegion& tile = *tilePtr;
    const FailurePlace originalPlace = InBand(originalFileName, bandIndex);
    const FailurePlace compressedPlace = InBand(compressedFileName, bandIndex);
    CBand* originalBand = tools.original->GetBand(bandIndex);
    CBand* compressedBand = tools.compressed->GetBand(bandIndex);
    if (!originalBand) {
        throw CZarnikError::Detail(
            "Unable to get original raster band " + std::to_string(bandIndex), originalPlace);
    }
    if (!compressedBand) {
        throw CZarnikError::Detail(
            "Unable to get compressed raster band " + std::to_string(bandIndex), compressedPlace);
    }

    const int32_t sampleCount = SampleCountOf(tile);
    float* original = nullptr;
    float* compressed = nullptr;
    try {
        original = tools.originalSamples.Reserve(*originalBand, sampleCount);
        compressed = tools.compressedSamples.Reserve(*compressedBand, sampleCount);
    } catch (const std::bad_alloc&) {
        throw CZarnikError::Detail(TileSizeText(tile) + " cannot be held in memory");
    }

    // Only the bands' own reads are timed; reading the mask is not decoding.
    bool allValid = true;
    if (tools.mask) {
        tools.valid.resize(static_cast<size_t>(sampleCount));
        allValid = tools.mask->Read(bandIndex, tile, tools.valid.data());
    }

    BandMeasurement measurement;
    measurement.originalReadUs =
        TimedRead(*originalBand, tilePtr, original,
                  "Unable to read original image buffer for band ", originalPlace);
    measurement.compressedReadUs =
        TimedRead(*compressedBand, tilePtr, compressed,
                  "Unable to read compressed image buffer for band ", compressedPlace);
    Measure(original, compressed, allValid ? nullptr : tools.valid.data(), tile, measurement);
    return measurement;
}

void CTileMeasurer::Measure(const float* original, const float* compressed, const uint8_t* valid,
                            const CRegion& tile, BandMeasurement& measurement) const {
    const auto width = static_cast<int32_t>(tile.Width());
    const auto height = static_cast<int32_t>(tile.Height());
    measurement.values.reserve(algorithms.size());
    measurement.terms.reserve(algorithms.size());
    // The statistics fail only as the standard library does (memory); their
    // failures join the program's here, where they are called.
    AsZarnikFailure([&] {
        // Wholly valid tiles take the plain kernels, so their values keep every bit.
        for (const CAlgorithm* algorithm : algorithms) {
            TileValue value = algorithm->Measure(original, compressed, valid, width, height);
            measurement.values.push_back(value.value);
            measurement.terms.push_back(value.term);
        }
    });
}
