#include "evaluation/ZarnikEvaluator.h"

#include "evaluation/AlgorithmResultAssembler.h"
#include "evaluation/AlgorithmResultContext.h"
#include "evaluation/EvaluationResultBuilder.h"
#include "evaluation/OrderedTileRunner.h"
#include "platform/OpenFileLimit.h"
#include "platform/ZarnikError.h"

#include <algorithm>

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

void CZarnikEvaluator::Setup() {
    images = CheckCompatibility(*originalReader, *compressedReader);
    if (options->bbox) {
        CheckInsideImage("Bounding box", *options->bbox, images.width, images.height);
    }
    area = options->bbox ? options->bbox
                         : std::make_shared<CRegion>(0, 0, static_cast<int32_t>(images.width - 1),
                                                     static_cast<int32_t>(images.height - 1));
    tiles.emplace(*options, area);

    peakValue = chosenPeakValue.value_or(images.maxBandValue);
    if (!registry->CreateAlgorithms(options->statistics, peakValue, algorithms)) {
        throw CZarnikError::Detail("Unable to create statistics algorithms");
    }
    if (options->bestCount > 0 || options->worstCount > 0) {
        if (!registry->HasAlgorithm(options->compareStat)) {
            throw CZarnikError::Detail(
                "Unable to find statistics algorithm specified for comparison");
        }
        const bool requested =
            std::any_of(algorithms.begin(), algorithms.end(), [this](const CAlgorithm* algorithm) {
                return options->compareStat == algorithm->GetName();
            });
        if (!requested) {
            throw CZarnikError::Detail("-compareStat must be one of the values provided in -stat.");
        }
    }
}

RunLayout CZarnikEvaluator::GetLayout() {
    RunLayout layout{.width = images.width,
                     .height = images.height,
                     .bandNames = {},
                     .statisticNames = GetStatisticNames(),
                     .tileCount = tiles->Count(),
                     .area = *area,
                     .peakValue = peakValue};
    for (int32_t band = 0; band < originalReader->GetBandCount(); ++band) {
        layout.bandNames.push_back(originalReader->GetBand(band)->GetName());
    }
    return layout;
}

std::vector<std::string> CZarnikEvaluator::GetStatisticNames() const {
    std::vector<std::string> names;
    for (const CAlgorithm* algorithm : algorithms) {
        names.emplace_back(algorithm->GetName());
    }
    return names;
}

namespace {

// Descriptors each further worker may take (its two readers, a mask reader,
// one to spare), and those kept back for the outputs and GDAL's own files.
constexpr int64_t kDescriptorsPerWorker = 4;
constexpr int64_t kDescriptorsKeptBack = 32;

// The workers the run starts: no more than tiles, -threads, and what the
// limit of open files leaves room for; at least one.
int32_t WorkersToStart(int32_t tileCount, int32_t threadCount) {
    const int64_t room = (FreeFileDescriptors() - kDescriptorsKeptBack) / kDescriptorsPerWorker;
    return static_cast<int32_t>(
        std::max<int64_t>(1, std::min<int64_t>({tileCount, threadCount, 1 + room})));
}

// A worker's reader; a file that cannot be opened for want of descriptors
// says so, where its fixed message would blame the file.
template <typename Opener>
std::unique_ptr<CImageFileReader> OpenForWorker(const Opener& open, const std::string& fileName) {
    try {
        return open();
    } catch (const CZarnikError&) {
        RethrowOpenFailure(fileName, " again for another worker", " or use fewer -threads");
    }
}

} // namespace

std::vector<WorkerTools> CZarnikEvaluator::OpenWorkerTools(int32_t workerCount) {
    std::vector<WorkerTools> tools(static_cast<size_t>(workerCount));
    tools[0].original = originalReader.get();
    tools[0].compressed = compressedReader.get();
    // GDAL datasets must not be shared between threads, so every further
    // worker reads through readers of its own, opened before the first tile.
    for (size_t worker = 1; worker < tools.size(); ++worker) {
        workerReaders.push_back(OpenForWorker(openCompressed, options->compressedFileName));
        tools[worker].compressed = workerReaders.back().get();
        workerReaders.push_back(OpenForWorker(openOriginal, options->originalFileName));
        tools[worker].original = workerReaders.back().get();
    }
    for (WorkerTools& worker : tools) {
        worker.original->SetTileOrder(tiles->Order());
        worker.compressed->SetTileOrder(tiles->Order());
        if (openMaskReader) {
            maskReaders.push_back(openMaskReader());
            worker.mask = maskReaders.back().get();
        }
    }
    return tools;
}

void CZarnikEvaluator::ShareLeftOverThreads(const std::vector<WorkerTools>& tools,
                                            int32_t workerCount) const {
    // With fewer tiles than threads, the threads left over decode inside
    // the readers (one large tile, say), within the same budget.
    const int32_t decoderThreads = std::max(1, options->threadCount) / workerCount;
    if (decoderThreads > 1) {
        for (const WorkerTools& worker : tools) {
            worker.compressed->GetSourceReader()->SetDecoderThreads(decoderThreads);
        }
    }
}

EvaluationResult CZarnikEvaluator::Run() {
    CAlgorithmResultAssembler assembler(options->bestCount, options->worstCount,
                                        options->compareBand, options->compareStat);
    const int32_t tileCount = tiles->Count();
    // No worker waits without a tile, so none opens files it never reads.
    const int32_t workerCount =
        openOriginal && openCompressed ? WorkersToStart(tileCount, options->threadCount) : 1;
    std::vector<WorkerTools> tools = OpenWorkerTools(workerCount);
    ShareLeftOverThreads(tools, workerCount);
    const CTileMeasurer measurer(algorithms, images, options->originalFileName,
                                 options->compressedFileName);
    COrderedTileRunner(workerCount)
        .Run(tileCount,
             TileWork{
                 .fetch = [this](int32_t index) { return tiles->Fetch(index); },
                 .measure =
                     [&](int32_t worker, int32_t index, CRegionPtr tile) {
                         return measurer.MeasureTile(tools[static_cast<size_t>(worker)], index,
                                                     std::move(tile));
                     },
                 .settle = [this](int32_t index,
                                  const CRegionPtr& tile) { tiles->Settle(index, *tile); },
                 .deliver =
                     [this, &assembler](const TileMeasurement& measurement) {
                         Deliver(measurement, assembler);
                     },
             });
    tiles->Close();
    auto [originalTimes, compressedTimes] = assembler.GetTimings();
    return BuildEvaluationResult(CollectedRun{
        .tileCount = tileCount,
        .originalFileName = options->originalFileName,
        .compressedFileName = options->compressedFileName,
        .originalReader = originalReader.get(),
        .compressedReader = compressedReader.get(),
        .bandCount = images.bandCount,
        .area = area,
        .bestTiles = assembler.best.GetAll(),
        .worstTiles = assembler.worst.GetAll(),
        .results = assembler.GetResults(),
        .areaTerms = assembler.GetAreaTerms(),
        .originalReadTimes = std::move(originalTimes),
        .compressedReadTimes = std::move(compressedTimes),
    });
}

void CZarnikEvaluator::Deliver(const TileMeasurement& measurement,
                               CAlgorithmResultAssembler& assembler) {
    CAlgorithmResultContext context(assembler, measurement.tile);
    for (size_t b = 0; b < measurement.bands.size(); ++b) {
        const BandMeasurement& band = measurement.bands[b];
        context.SetBand(originalReader->GetBand(static_cast<int32_t>(b)), static_cast<int32_t>(b),
                        true);
        // The original's time is recorded in 32 bits, as it always was.
        context.SetTiming(static_cast<int32_t>(band.originalReadUs), true);
        context.SetTiming(band.compressedReadUs, false);
        for (size_t a = 0; a < algorithms.size(); ++a) {
            if (band.values[a]) {
                context.SetResult(*algorithms[a], *band.values[a]);
            } else {
                context.SetSkipped(*algorithms[a]);
            }
            if (a < band.terms.size() && band.terms[a]) {
                context.SetAreaTerm(*algorithms[a], *band.terms[a]);
            }
        }
    }
    for (ITileListener* listener : listeners) {
        listener->OnTile(measurement);
    }
}
