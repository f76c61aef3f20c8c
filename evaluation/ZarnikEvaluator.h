#pragma once

#include "evaluation/EvaluationResult.h"
#include "evaluation/ImageCompatibility.h"
#include "evaluation/RunLayout.h"
#include "evaluation/TileMeasurement.h"
#include "evaluation/TileMeasurer.h"
#include "evaluation/TileSource.h"
#include "metrics/Algorithm.h"
#include "metrics/AlgorithmRegistry.h"
#include "options/ParsedCommandLine.h"
#include "raster/GdalMaskReader.h"
#include "raster/ImageFileReader.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CAlgorithmResultAssembler;

// Checks that two images can be compared, then has every tile of the run
// measured by as many workers as the options ask for, each with readers of
// its own. Everything recorded from the tiles (the running figures, the
// listeners, the regions file) happens on the calling thread in visiting
// order, so the outcome does not depend on the number of workers. The
// evaluator itself writes nothing: what the user sees of the tiles comes
// from its listeners.
class CZarnikEvaluator {
public:
    explicit CZarnikEvaluator(const CParsedCommandLine* settings) : options(settings) {}

    CZarnikEvaluator(const CZarnikEvaluator&) = delete;
    CZarnikEvaluator& operator=(const CZarnikEvaluator&) = delete;

    void SetRegistry(std::unique_ptr<CAlgorithmRegistry> newRegistry);
    void SetCompressedReader(std::unique_ptr<CImageFileReader> reader);
    void SetOriginalReader(std::unique_ptr<CImageFileReader> reader);
    // Opens further readers of the same files, one pair per worker beyond the
    // first; only needed when more than one worker is asked for.
    using ReaderOpener = std::function<std::unique_ptr<CImageFileReader>()>;
    void SetReaderOpeners(ReaderOpener original, ReaderOpener compressed);
    // With an opener, statistics are measured over the pixels that hold data:
    // every worker opens its own mask reader of the original.
    using MaskReaderOpener = std::function<std::unique_ptr<CGdalMaskReader>()>;
    void SetMaskReaderOpener(MaskReaderOpener opener);
    // The peak sample value PSNR and SSIM measure against, in place of the
    // images' largest sample value (-dataRange); before Setup.
    void SetPeakValue(float peak) { chosenPeakValue = peak; }

    CImageFileReader& GetOriginalReader() { return *originalReader; }
    CImageFileReader& GetCompressedReader() { return *compressedReader; }

    // Checks the images, the bounding box and the statistics, and settles the
    // tiles of the run.
    void Setup();
    // What the outputs need to know before the first tile; after Setup.
    RunLayout GetLayout();
    EvaluationResult Run();

    // Every measured tile reaches `listener` in visiting order, after the
    // running figures took it in; the evaluator does not own it.
    void AddTileListener(ITileListener* listener) { listeners.push_back(listener); }
    // The names of the run's statistics, in the order of each band's values.
    std::vector<std::string> GetStatisticNames() const;

private:
    // One set of tools per worker, the first reading with the evaluator's
    // own readers.
    std::vector<WorkerTools> OpenWorkerTools(int32_t workerCount);
    // Lets the readers decode on the threads that no worker takes.
    void ShareLeftOverThreads(const std::vector<WorkerTools>& tools, int32_t workerCount) const;
    // Records a measured tile in the running figures and the listeners.
    void Deliver(const TileMeasurement& measurement, CAlgorithmResultAssembler& assembler);

    const CParsedCommandLine* options;
    std::unique_ptr<CAlgorithmRegistry> registry;
    std::vector<CAlgorithm*> algorithms;
    std::unique_ptr<CImageFileReader> compressedReader;
    std::unique_ptr<CImageFileReader> originalReader;
    ReaderOpener openOriginal;
    ReaderOpener openCompressed;
    std::vector<std::unique_ptr<CImageFileReader>> workerReaders;
    MaskReaderOpener openMaskReader;
    std::vector<std::unique_ptr<CGdalMaskReader>> maskReaders;
    ComparedImages images;
    CRegionPtr area;
    std::optional<float> chosenPeakValue;
    float peakValue = 0.0f;
    std::optional<CTileSource> tiles;
    std::vector<ITileListener*> listeners;
};
