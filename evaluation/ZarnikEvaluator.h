#pragma once

#include "evaluation/EvaluationResult.h"
#include "metrics/Algorithm.h"
#include "metrics/AlgorithmRegistry.h"
#include "options/ParsedCommandLine.h"
#include "raster/ImageFileReader.h"
#include "regions/RegionDivider.h"
#include "regions/RegionDividerSerialisingDecorator.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CAlgorithmResultAssembler;

// Checks that two images can be compared, then reads every band of every
// tile from both, times the reads, and measures each requested statistic.
// All work happens on the calling thread, tile after tile, and a progress
// line on standard output is rewritten after each tile.
class CZarnikEvaluator {
public:
    explicit CZarnikEvaluator(const CParsedCommandLine* settings) : options(settings) {}
    virtual ~CZarnikEvaluator();

    CZarnikEvaluator(const CZarnikEvaluator&) = delete;
    CZarnikEvaluator& operator=(const CZarnikEvaluator&) = delete;

    void SetRegistry(std::unique_ptr<CAlgorithmRegistry> newRegistry);
    void SetCompressedReader(std::unique_ptr<CImageFileReader> reader);
    void SetOriginalReader(std::unique_ptr<CImageFileReader> reader);

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
    void EvaluateTiles(const std::vector<int32_t>& indices, CAlgorithmResultAssembler& assembler);

private:
    void EvaluateBand(int32_t bandIndex, const CRegion& tile,
                      class CAlgorithmResultContext& context, std::ostream& progress);

    std::atomic<int32_t> doneCount{0};
    std::unique_ptr<CImageFileReader> compressedReader;
    std::unique_ptr<CImageFileReader> originalReader;
    std::shared_ptr<IRegionDivider> divider;
    // Also in `divider` when the visited tiles are recorded.
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
};
