#pragma once

#include "evaluation/ImageCompatibility.h"
#include "evaluation/TileBandsRead.h"
#include "evaluation/TileMeasurement.h"
#include "metrics/Algorithm.h"
#include "raster/GdalMaskReader.h"
#include "raster/ImageFileReader.h"

#include <cstdint>
#include <string>
#include <vector>

// What one worker reads with and into, kept from tile to tile.
struct WorkerTools {
    CImageFileReader* original = nullptr;
    CImageFileReader* compressed = nullptr;
    CGdalMaskReader* mask = nullptr; // null: every pixel counts
    CTileBandsRead originalBands;
    CTileBandsRead compressedBands;
    std::vector<uint8_t> valid;
};

// Reads every band of a tile from both files, times each read, and measures
// every statistic of the run. It touches no running figure, so workers
// measure different tiles at the same time, each with tools of its own.
class CTileMeasurer {
public:
    // The file names only name the files in failures.
    CTileMeasurer(std::vector<CAlgorithm*> statistics, const ComparedImages& images,
                  std::string originalFile, std::string compressedFile);

    TileMeasurement MeasureTile(WorkerTools& tools, int32_t index, CRegionPtr tile) const;

private:
    BandMeasurement MeasureBand(WorkerTools& tools, int32_t bandIndex, const CRegion& tile) const;
    // Each statistic's value on the two buffers (nothing where too few
    // pixels hold data) and its term towards the whole-area figure.
    void Measure(const float* original, const float* compressed, const uint8_t* valid,
                 const CRegion& tile, BandMeasurement& measurement) const;

    std::vector<CAlgorithm*> algorithms;
    ComparedImages images;
    std::string originalFileName;
    std::string compressedFileName;
};
