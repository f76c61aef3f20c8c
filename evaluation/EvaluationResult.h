#pragma once

#include "regions/Region.h"

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Running figures of one statistic on one band. The sum is kept in single
// precision, so long runs lose the low digits of their average exactly as the
// reports have always shown them.
struct ResultStatistics {
    float min = std::numeric_limits<float>::max();
    float max = std::numeric_limits<float>::lowest();
    float sum = 0.0f;
    uint32_t count = 0;
    // Tiles left out because too few of their pixels hold data (-useMask).
    uint32_t skipped = 0;
    // The statistic over every visited pixel at once, in double: for the
    // statistics that have such a figure (mse, psnr and the error
    // statistics) and a pixel to take it over.
    std::optional<double> pooled;
};

// Running figures of the read times of one file and band, in microseconds.
struct TimingStatistics {
    int64_t min = std::numeric_limits<int64_t>::max();
    int64_t max = std::numeric_limits<int64_t>::min();
    int64_t sum = 0;
    uint32_t count = 0;
};

// One kept best or worst tile with the compare statistic's value on it.
struct ScoredRegion {
    CRegionPtr region;
    float value;
};

using BandStatistics = std::map<int32_t, ResultStatistics>;
using BandTimings = std::map<int32_t, TimingStatistics>;

// Everything a finished run measured, owned by value.
struct EvaluationResult {
    int32_t tileCount = 0;
    uint64_t compressedFileSize = 0;
    uint64_t originalFileSize = 0;
    // By statistic name: "ms-ssim", "mse", "psnr", "ssim" in this order.
    std::map<std::string, BandStatistics> results;
    BandTimings originalReadTimes;
    BandTimings compressedReadTimes;
    std::map<int32_t, std::string> originalBandNames;
    std::map<int32_t, std::string> compressedBandNames;
    CRegion region{0, 0, -1, -1};
    std::vector<ScoredRegion> bestTiles;
    std::vector<ScoredRegion> worstTiles;
};
