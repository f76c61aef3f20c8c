#include "evaluation/TileMeasurer.h"

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

void CheckSampleCount(const CRegion& tile) {
    const int64_t count = tile.Width() * tile.Height();
    if (count > std::numeric_limits<int32_t>::max()) {
        throw CZarnikError::Detail(TileSizeText(tile) + " holds more than " +
                                   std::to_string(std::numeric_limits<int32_t>::max()) +
                                   " samples, the most one buffer can take");
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
    std::vector<CBand*> originalBands;
    std::vector<CBand*> compressedBands;
    for (int32_t b = 0; b < images.bandCount; ++b) {
        originalBands.push_back(tools.original->GetBand(b));
        compressedBands.push_back(tools.compressed->GetBand(b));
        if (!originalBands.back()) {
            throw CZarnikError::Detail("Unable to get original raster band " + std::to_string(b),
                                       InBand(originalFileName, b));
        }
        if (!compressedBands.back()) {
            throw CZarnikError::Detail("Unable to get compressed raster band " + std::to_string(b),
                                       InBand(compressedFileName, b));
        }
    }
    CheckSampleCount(*tile);
    // Every band of the tile in one read per file, the original first.
    tools.originalBands.Read(*tools.original, originalBands, tile,
                             "Unable to read original image buffer for band ", originalFileName);
    tools.compressedBands.Read(*tools.compressed, compressedBands, tile,
                               "Unable to read compressed image buffer for band ",
                               compressedFileName);
    TileMeasurement measurement{.index = index, .tile = std::move(tile), .bands = {}};
    measurement.bands.reserve(static_cast<size_t>(images.bandCount));
    for (int32_t b = 0; b < images.bandCount; ++b) {
        measurement.bands.push_back(MeasureBand(tools, b, *measurement.tile));
    }
    return measurement;
}

BandMeasurement CTileMeasurer::MeasureBand(WorkerTools& tools, int32_t bandIndex,
                                           const CRegion& tile) const {
    // Reading the mask is not decoding, and is not timed.
    bool allValid = true;
    if (tools.mask) {
        tools.valid.resize(static_cast<size_t>(tile.Width() * tile.Height()));
        allValid = tools.mask->Read(bandIndex, tile, tools.valid.data());
    }
    const auto band = static_cast<size_t>(bandIndex);
    BandMeasurement measurement;
    measurement.originalReadUs = tools.originalBands.ReadMicroseconds(band);
    measurement.compressedReadUs = tools.compressedBands.ReadMicroseconds(band);
    Measure(tools.originalBands.Samples(band), tools.compressedBands.Samples(band),
            allValid ? nullptr : tools.valid.data(), tile, measurement);
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
