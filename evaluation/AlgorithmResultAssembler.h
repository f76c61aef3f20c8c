#pragma once

#include "evaluation/EvaluationResult.h"
#include "evaluation/Regions.h"
#include "metrics/Algorithm.h"
#include "platform/Mutex.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>

class CAlgorithmResultContext;

// Collects every value measured in a run as running minimum, maximum, sum and
// count per statistic object and band, and per band for each file's read
// times. No single value is kept, so memory does not grow with the tiles.
// The compare statistic's values on the compare band also feed the best and
// worst tile containers.
class CAlgorithmResultAssembler {
public:
    using AlgorithmResults = std::map<const CAlgorithm*, std::shared_ptr<BandStatistics>>;
    using AreaTerms = std::map<const CAlgorithm*, std::map<int32_t, AreaTerm>>;
    using Timings = std::shared_ptr<BandTimings>;

    CAlgorithmResultAssembler(int32_t bestKept, int32_t worstKept, int32_t band,
                              std::string statistic);

    bool IsCompareTarget(const CAlgorithmResultContext& context, const CAlgorithm& algorithm) const;
    // Throws the bare text "Timing result set outside of bands" when the
    // context has no current band.
    void AddTiming(const CAlgorithmResultContext& context, int64_t elapsed, bool isOriginal);
    void AddResult(const CAlgorithmResultContext& context, const CAlgorithm& algorithm,
                   float value);
    // Counts a tile that has no value of `algorithm` on the context's band.
    void AddSkipped(const CAlgorithmResultContext& context, const CAlgorithm& algorithm);
    // Pools a tile's term towards the whole-area figure as `algorithm` pools.
    void AddAreaTerm(const CAlgorithmResultContext& context, const CAlgorithm& algorithm,
                     const AreaTerm& term);

    // The per-statistic records, shared with the assembler.
    AlgorithmResults GetResults() const { return results; }
    // The pooled terms of the statistics with a whole-area figure.
    AreaTerms GetAreaTerms() const { return areaTerms; }
    // Original first; either is null until the first read time arrives.
    std::pair<Timings, Timings> GetTimings() const {
        return {originalReadTimes, compressedReadTimes};
    }

    CRegions<std::greater<float>> best;
    CRegions<std::less<float>> worst;

private:
    AlgorithmResults results;
    AreaTerms areaTerms;
    Timings originalReadTimes;
    Timings compressedReadTimes;
    CMutex mutex;
    int32_t bestCount;
    int32_t worstCount;
    int32_t compareBand;
    std::string compareStat;
};
