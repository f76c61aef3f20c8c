#pragma once

#include "evaluation/EvaluationResult.h"
#include "evaluation/TileMeasurement.h"
#include "metrics/Algorithm.h"
#include "metrics/AlgorithmRegistry.h"
#include "options/ParsedCommandLine.h"
#include "raster/BandBuffer.h"
#include "raster/GdalMaskReader.h"
#include "raster/ImageFileReader.h"
#include "regions/RegionDivider.h"
#include "regions/RegionDividerSerialisingDecorator.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CAlgorithmResultAssembler;

// Checks that two images can be compared, then reads every band of every
// tile from both, times the reads, and measures each requested statistic.
// Tiles are measured by as many workers as the options ask for, each with
// readers of its own; everything recorded from them (figures, progress line,
// listeners, the regions file) happens on the calling thread in visiting
// order, so the outcome does not depend on the number of workers. A
// progress line on standard output is rewritten after each tile.
class CZarnikEvaluator {
public:
    explicit CZarnikEvaluator(const CParsedCommandLine* settings) : options(settings) {}
    virtual ~CZarnikEvaluator();

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

    CImageFileReader& GetOriginalReader() { return *originalReader; }
    CImageFileReader& GetCompressedReader() { return *compressedReader; }

    void Setup();
    EvaluationResult Run();

    // Fills width, height, band count and largest sample value, or throws a
    // bare text naming the first thing in which the images differ.
    void CheckCompatibility(CImageFileReader& original, CImageFileReader& compressed);
    static std::shared_ptr<IRegionDivider> CreateRegionDivider(const std::string& requestType,
                                                               CRegionPtr area, int32_t tileSize,
                                                               int32_t tileCount);
    // Every measured tile reaches `listener` in visiting order; the evaluator
    // does not own it.
    void AddTileListener(ITileListener* listener) { listeners.push_back(listener); }
    // The names of the run's statistics, in the order of each band's values.
    std::vector<std::string> GetStatisticNames() const;

private:
    struct ReaderPair {
        CImageFileReader* original;
        CImageFileReader* compressed;
        CGdalMaskReader* mask; // null: every pixel counts
    };

    // What one worker reads with and into, kept from tile to tile.
    struct WorkerTools {
        ReaderPair readers;
        CReusableBandBuffer original;
        CReusableBandBuffer compressed;
        std::vector<uint8_t> valid;
    };

    // One pair of readers per worker, the first being the evaluator's own.
    std::vector<ReaderPair> OpenWorkerReaders(int32_t workerCount);
    // Reads and measures one tile of every band; touches no running figure.
    TileMeasurement MeasureTile(WorkerTools& tools, int32_t index, CRegionPtr tile);
    BandMeasurement MeasureBand(WorkerTools& tools, int32_t bandIndex, const CRegionPtr& tile);
    // Records a measured tile in the running figures, the progress line and
    // the listeners.
    void Deliver(const TileMeasurement& measurement, CAlgorithmResultAssembler& assembler);

    std::atomic<int32_t> doneCount{0};
    std::unique_ptr<CImageFileReader> compressedReader;
    std::unique_ptr<CImageFileReader> originalReader;
    ReaderOpener openOriginal;
    ReaderOpener openCompressed;
    std::vector<std::unique_ptr<CImageFileReader>> workerReaders;
    MaskReaderOpener openMaskReader;
    std::vector<std::unique_ptr<CGdalMaskReader>> maskReaders;
    std::shared_ptr<IRegionDivider> divider;
    // Records the visited tiles when asked to; the tiles themselves come
    // from `divider`, fetched ahead of their turn.
    std::shared_ptr<CRegionDividerSerialisingDecorator> regionsRecorder;
    CRegionPtr area;
    const CParsedCommandLine* options;
    int32_t bandCount = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    float maxBandValue = 0.0f;
    int32_t tileCount = 0;
    std::vector<CAlgorithm*> algorithms;
    std::unique_ptr<CAlgorithmRegistry> registry;
    std::vector<ITileListener*> listeners;
};
