#include "evaluation/ZarnikEvaluator.h"

#include "evaluation/AlgorithmResultAssembler.h"
#include "evaluation/AlgorithmResultContext.h"
#include "evaluation/EvaluationResultBuilder.h"
#include "evaluation/OrderedTileRunner.h"
#include "raster/BandBuffer.h"
#include "raster/sdk/TimeStamp.h"
#include "regions/RandomRegionDivider.h"
#include "regions/RegionDividerSerialisingDecorator.h"
#include "regions/SavedFileRegionDivider.h"
#include "regions/SequentialRegionDivider.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iostream>
#include <limits>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace {

constexpr size_t kProgressWidth = 80;

// A bounding box or a tile from a regions file may be empty or reach beyond
// the image; reading it would fail deep inside a reader, or first ask for a
// buffer of billions of samples. It is refused here, naming the rectangle:
// `what` is "Tile" or "Bounding box".
void CheckInsideImage(const char* what, const CRegion& rectangle, uint32_t width, uint32_t height) {
    const std::string named = std::string(what) + " " + TileText(rectangle);
    if (rectangle.Width() < 1 || rectangle.Height() < 1) {
        throw std::runtime_error(named + " has no pixels");
    }
    if (rectangle.x0 < 0 || rectangle.y0 < 0 || rectangle.x1 >= int64_t{width} ||
        rectangle.y1 >= int64_t{height}) {
        throw std::runtime_error(named + " lies outside the image of " + std::to_string(width) +
                                 "x" + std::to_string(height) + " pixels");
    }
}

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
        throw std::runtime_error(TileSizeText(tile) + " holds more than " +
                                 std::to_string(std::numeric_limits<int32_t>::max()) +
                                 " samples, the most one buffer can take");
    }
    return static_cast<int32_t>(count);
}

// Reads the tile and returns how long the read alone took, in microseconds.
// A reader's standard failure gets the band and the file it came from.
int64_t TimedRead(CBand& band, const CRegionPtr& tile, float* samples, const char* failurePrefix,
                  int32_t bandIndex) {
    try {
        const int64_t start = OrvGetTimeStampUs();
        band.ReadRegion(tile, samples);
        return OrvGetTimeStampUs() - start;
    } catch (const std::exception& failure) {
        throw std::runtime_error(failurePrefix + std::to_string(bandIndex) + " with error " +
                                 failure.what());
    }
}

} // namespace

CZarnikEvaluator::~CZarnikEvaluator() {
    registry.reset();
    originalReader.reset();
    compressedReader.reset();
}

void CZarnikEvaluator::SetRegistry(std::unique_ptr<CAlgorithmRegistry> newRegistry) {
    registry = std::move(newRegistry);
}

void CZarnikEvaluator::SetCompressedReader(std::unique_ptr<CImageFileReader> reader) {
    compressedReader = std::move(reader);
}

void CZarnikEvaluator::SetOriginalReader(std::unique_ptr<CImageFileReader> reader) {
    originalReader = std::move(reader);
}

void CZarnikEvaluator::SetReaderOpeners(ReaderOpener original, ReaderOpener compressed) {
    openOriginal = std::move(original);
    openCompressed = std::move(compressed);
}

void CZarnikEvaluator::SetMaskReaderOpener(MaskReaderOpener opener) {
    openMaskReader = std::move(opener);
}

std::vector<CZarnikEvaluator::ReaderPair> CZarnikEvaluator::OpenWorkerReaders(int32_t workerCount) {
    std::vector<ReaderPair> pairs{{originalReader.get(), compressedReader.get(), nullptr}};
    // GDAL datasets must not be shared between threads, so every further
    // worker reads through readers of its own, opened before the first tile.
    for (int32_t worker = 1; worker < workerCount; ++worker) {
        workerReaders.push_back(openCompressed());
        CImageFileReader* compressed = workerReaders.back().get();
        workerReaders.push_back(openOriginal());
        pairs.push_back({workerReaders.back().get(), compressed, nullptr});
    }
    if (openMaskReader) {
        for (ReaderPair& pair : pairs) {
            maskReaders.push_back(openMaskReader());
            pair.mask = maskReaders.back().get();
        }
    }
    return pairs;
}

void CZarnikEvaluator::Setup() {
    CheckCompatibility(*originalReader, *compressedReader);

    if (options->bbox) {
        CheckInsideImage("Bounding box", *options->bbox, width, height);
    }
    area = options->bbox ? options->bbox
                         : std::make_shared<CRegion>(0, 0, static_cast<int32_t>(width - 1),
                                                     static_cast<int32_t>(height - 1));

    if (!options->useRegions.empty()) {
        divider = std::make_shared<CSavedFileRegionDivider>(options->useRegions);
    } else {
        divider =
            CreateRegionDivider(options->requestType, area, options->tileSize, options->tileCount);
        if (!options->saveRegions.empty()) {
            regionsRecorder =
                std::make_shared<CRegionDividerSerialisingDecorator>(divider, options->saveRegions);
        }
    }

    if (!registry->CreateAlgorithms(options->statistics, maxBandValue, algorithms)) {
        throw std::runtime_error("Unable to create statistics algorithms");
    }
    if (options->bestCount > 0 || options->worstCount > 0) {
        if (!registry->HasAlgorithm(options->compareStat)) {
            throw std::runtime_error(
                "Unable to find statistics algorithm specified for comparison");
        }
        bool requested = false;
        for (const CAlgorithm* algorithm : algorithms) {
            requested = requested || options->compareStat == algorithm->GetName();
        }
        if (!requested) {
            throw std::runtime_error("-compareStat must be one of the values provided in -stat.");
        }
    }

    tileCount = divider->GetRegionCount();
}

void CZarnikEvaluator::CheckCompatibility(CImageFileReader& original,
                                          CImageFileReader& compressed) {
    const ImageSize originalSize = original.GetImageSize();
    const ImageSize compressedSize = compressed.GetImageSize();
    if (originalSize.width != compressedSize.width) {
        throw "Width of the images differ. Cannot compare images.";
    }
    width = originalSize.width;
    if (originalSize.height != compressedSize.height) {
        throw "Height of the images differ. Cannot compare images.";
    }
    height = originalSize.height;

    int32_t originalBands = 0;
    try {
        originalBands = original.GetBandCount();
    } catch (...) {
        throw "Unable to get original band count";
    }
    int32_t compressedBands = 0;
    try {
        compressedBands = compressed.GetBandCount();
    } catch (...) {
        throw "Unable to get compressed band count";
    }
    if (originalBands != compressedBands) {
        throw "Band count differs between files. Cannot compare bandwise.";
    }
    bandCount = originalBands;

    float originalMax = 0.0f;
    try {
        originalMax = original.GetMaxBandValue();
    } catch (...) {
        throw "Unable to get original max band value";
    }
    float compressedMax = 0.0f;
    try {
        compressedMax = compressed.GetMaxBandValue();
    } catch (...) {
        throw "Unable to get compressed max band value";
    }
    if (!(originalMax == compressedMax)) {
        throw "Max band value differs between files. Cannot compare.";
    }
    maxBandValue = originalMax;
}

std::shared_ptr<IRegionDivider>
CZarnikEvaluator::CreateRegionDivider(const std::string& requestType, CRegionPtr area,
                                      int32_t tileSize, int32_t tileCount) {
    if (requestType.empty()) {
        throw std::runtime_error("requestType cannot be nullptr or empty");
    }
    if (requestType == "seq" || requestType == "sequential") {
        return std::make_shared<CSequentialRegionDivider>(std::move(area), tileSize, tileCount);
    }
    if (requestType == "ran" || requestType == "random") {
        return std::make_shared<CRandomRegionDivider>(std::move(area), tileSize, tileCount);
    }
    throw std::runtime_error("Unknown requestType");
}

std::vector<std::string> CZarnikEvaluator::GetStatisticNames() const {
    std::vector<std::string> names;
    for (const CAlgorithm* algorithm : algorithms) {
        names.emplace_back(algorithm->GetName());
    }
    return names;
}

EvaluationResult CZarnikEvaluator::Run() {
    CAlgorithmResultAssembler assembler(options->bestCount, options->worstCount,
                                        options->compareBand, options->compareStat);
    doneCount.exchange(0);
    // No worker waits without a tile, so none opens files it never reads.
    const int32_t workerCount =
        openOriginal && openCompressed ? std::max(1, std::min(tileCount, options->threadCount)) : 1;
    const std::vector<ReaderPair> readers = OpenWorkerReaders(workerCount);
    // With fewer tiles than threads, the threads left over decode inside
    // the readers (one large tile, say), within the same budget.
    const int32_t decoderThreads = std::max(1, options->threadCount) / workerCount;
    if (decoderThreads > 1) {
        for (const ReaderPair& pair : readers) {
            pair.compressed->GetSourceReader()->SetDecoderThreads(decoderThreads);
        }
    }
    std::vector<WorkerTools> tools(readers.size());
    for (size_t worker = 0; worker < readers.size(); ++worker) {
        tools[worker].readers = readers[worker];
    }
    COrderedTileRunner(workerCount)
        .Run(tileCount, TileWork{
                            .fetch = [this](int32_t index) { return divider->GetRegion(index); },
                            .measure =
                                [this, &tools](int32_t worker, int32_t index, CRegionPtr tile) {
                                    return MeasureTile(tools[static_cast<size_t>(worker)], index,
                                                       std::move(tile));
                                },
                            .settle =
                                [this](int32_t index, const CRegionPtr& tile) {
                                    if (regionsRecorder) {
                                        regionsRecorder->Record(index, *tile);
                                    }
                                },
                            .deliver =
                                [this, &assembler](const TileMeasurement& measurement) {
                                    Deliver(measurement, assembler);
                                },
                        });
    if (regionsRecorder) {
        regionsRecorder->Close();
    }
    auto results = assembler.GetResults();
    auto [originalTimes, compressedTimes] = assembler.GetTimings();
    auto bestTiles = assembler.best.GetAll();
    auto worstTiles = assembler.worst.GetAll();
    return BuildEvaluationResult(CollectedRun{
        .tileCount = tileCount,
        .originalFileName = options->originalFileName,
        .compressedFileName = options->compressedFileName,
        .originalReader = originalReader.get(),
        .compressedReader = compressedReader.get(),
        .bandCount = bandCount,
        .area = area,
        .bestTiles = std::move(bestTiles),
        .worstTiles = std::move(worstTiles),
        .results = std::move(results),
        .originalReadTimes = std::move(originalTimes),
        .compressedReadTimes = std::move(compressedTimes),
    });
}

TileMeasurement CZarnikEvaluator::MeasureTile(WorkerTools& tools, int32_t index, CRegionPtr tile) {
    CheckInsideImage("Tile", *tile, width, height);
    TileMeasurement measurement{.index = index, .tile = std::move(tile), .bands = {}};
    measurement.bands.reserve(static_cast<size_t>(bandCount));
    for (int32_t b = 0; b < bandCount; ++b) {
        measurement.bands.push_back(MeasureBand(tools, b, measurement.tile));
    }
    return measurement;
}

BandMeasurement CZarnikEvaluator::MeasureBand(WorkerTools& tools, int32_t bandIndex,
                                              const CRegionPtr& tilePtr) {
    const CRegion& tile = *tilePtr;
    const ReaderPair& readers = tools.readers;
    CBand* originalBand = readers.original->GetBand(bandIndex);
    CBand* compressedBand = readers.compressed->GetBand(bandIndex);
    if (!originalBand) {
        throw std::runtime_error("Unable to get original raster band " + std::to_string(bandIndex));
    }
    if (!compressedBand) {
        throw std::runtime_error("Unable to get compressed raster band " +
                                 std::to_string(bandIndex));
    }

    const auto tileWidth = static_cast<int32_t>(tile.Width());
    const auto tileHeight = static_cast<int32_t>(tile.Height());
    const int32_t sampleCount = SampleCountOf(tile);
    float* original = nullptr;
    float* compressed = nullptr;
    try {
        original = tools.original.Reserve(*originalBand, sampleCount);
        compressed = tools.compressed.Reserve(*compressedBand, sampleCount);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(TileSizeText(tile) + " cannot be held in memory");
    }

    // Only the bands' own reads are timed; reading the mask is not decoding.
    bool allValid = true;
    if (readers.mask) {
        tools.valid.resize(static_cast<size_t>(sampleCount));
        allValid = readers.mask->Read(bandIndex, tile, tools.valid.data());
    }

    BandMeasurement measurement;
    measurement.originalReadUs =
        TimedRead(*originalBand, tilePtr, original,
                  "Unable to read original image buffer for band ", bandIndex);
    measurement.compressedReadUs =
        TimedRead(*compressedBand, tilePtr, compressed,
                  "Unable to read compressed image buffer for band ", bandIndex);
    measurement.values.reserve(algorithms.size());
    // Wholly valid tiles take the plain kernels, so their values keep every bit.
    for (CAlgorithm* algorithm : algorithms) {
        measurement.values.push_back(
            allValid
                ? std::optional(algorithm->Compute(original, compressed, tileWidth, tileHeight))
                : algorithm->ComputeMasked(original, compressed, tools.valid.data(), tileWidth,
                                           tileHeight));
    }
    return measurement;
}

void CZarnikEvaluator::Deliver(const TileMeasurement& measurement,
                               CAlgorithmResultAssembler& assembler) {
    std::ostringstream progress;
    progress << doneCount + 1 << " of " << tileCount << " " << TileText(*measurement.tile) << " ";
    CAlgorithmResultContext context(assembler, measurement.tile);
    for (size_t b = 0; b < measurement.bands.size(); ++b) {
        const BandMeasurement& band = measurement.bands[b];
        context.SetBand(originalReader->GetBand(static_cast<int32_t>(b)), static_cast<int32_t>(b),
                        true);
        // The original's time is recorded in 32 bits, as it always was.
        context.SetTiming(static_cast<int32_t>(band.originalReadUs), true);
        context.SetTiming(band.compressedReadUs, false);
        for (size_t a = 0; a < algorithms.size(); ++a) {
            if (a > 0) {
                progress << ",";
            }
            if (band.values[a]) {
                progress << *band.values[a];
                context.SetResult(*algorithms[a], *band.values[a]);
            } else {
                progress << "-";
                context.SetSkipped(*algorithms[a]);
            }
        }
        if (b + 1 < measurement.bands.size()) {
            progress << ",";
        }
    }
    for (ITileListener* listener : listeners) {
        listener->OnTile(measurement);
    }
    std::string line = progress.str();
    if (line.size() < kProgressWidth) {
        line.resize(kProgressWidth, ' ');
    }
    std::cout << "\r" << line;
    ++doneCount;
}
