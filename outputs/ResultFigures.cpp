#include "outputs/ResultFigures.h"

#include <algorithm>
#include <limits>

float AverageOf(const ResultStatistics& statistics) {
    return statistics.sum / static_cast<float>(static_cast<int32_t>(statistics.count));
}

ReadTimeFigures ReadTimeFiguresOf(const BandTimings& readTimes) {
    int64_t smallest = std::numeric_limits<int64_t>::max();
    int64_t largest = std::numeric_limits<int64_t>::min();
    int64_t total = 0;
    uint32_t count = 0;
    for (const auto& [band, timing] : readTimes) {
        smallest = std::min({smallest, timing.min, timing.max});
        largest = std::max({largest, timing.min, timing.max});
        total += timing.sum;
        count += timing.count;
    }
    // Microsecond totals stay far below 2^53, so the conversions are exact.
    return ReadTimeFigures{
        .minMs = static_cast<double>(smallest) / 1000.0,
        .avgMs = static_cast<double>(total) / (static_cast<int32_t>(count) * 1000.0),
        .maxMs = static_cast<double>(largest) / 1000.0,
    };
}

float ReductionPercent(const EvaluationResult& result) {
    return static_cast<float>(result.compressedFileSize) /
           static_cast<float>(result.originalFileSize) * 100.0f;
}

// The pixel count is taken in 64 bits: large areas exceed a 32-bit count.
double BitsPerPixel(uint64_t fileSize, const CRegion& area) {
    const int64_t pixels = area.Width() * area.Height();
    return static_cast<double>(fileSize) * 8.0 / static_cast<double>(pixels);
}
