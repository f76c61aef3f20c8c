#include "evaluation/AlgorithmResultAssembler.h"

#include "evaluation/AlgorithmResultContext.h"
#include "platform/ZarnikError.h"

#include <cstring>

namespace {

// The comparisons are written so that a NaN replaces both extremes and the
// next ordinary value replaces the NaN again.
template <typename Record, typename Value> void Accumulate(Record& record, Value value) {
    record.count += 1;
    if (!(record.min < value)) {
        record.min = value;
    }
    if (!(record.max > value)) {
        record.max = value;
    }
    record.sum = value + record.sum;
}

} // namespace

CAlgorithmResultAssembler::CAlgorithmResultAssembler(int32_t bestKept, int32_t worstKept,
                                                     int32_t band, std::string statistic)
    : best(bestKept), worst(worstKept), bestCount(bestKept), worstCount(worstKept),
      compareBand(band), compareStat(std::move(statistic)) {}

bool CAlgorithmResultAssembler::IsCompareTarget(const CAlgorithmResultContext& context,
                                                const CAlgorithm& algorithm) const {
    return context.GetBandIndex() == compareBand &&
           std::strcmp(algorithm.GetName(), compareStat.c_str()) == 0;
}

void CAlgorithmResultAssembler::AddTiming(const CAlgorithmResultContext& context, int64_t elapsed,
                                          bool isOriginal) {
    CMutexLock lock(mutex);
    if (context.GetBandIndex() == CAlgorithmResultContext::kNoBand) {
        throw CZarnikError::Complete("Timing result set outside of bands");
    }
    if (!originalReadTimes) {
        originalReadTimes = std::make_shared<BandTimings>();
    }
    if (!compressedReadTimes) {
        compressedReadTimes = std::make_shared<BandTimings>();
    }
    BandTimings& timings = isOriginal ? *originalReadTimes : *compressedReadTimes;
    Accumulate(timings[context.GetBandIndex()], elapsed);
}

void CAlgorithmResultAssembler::AddSkipped(const CAlgorithmResultContext& context,
                                           const CAlgorithm& algorithm) {
    CMutexLock lock(mutex);
    auto& bands = results[&algorithm];
    if (!bands) {
        bands = std::make_shared<BandStatistics>();
    }
    (*bands)[context.GetBandIndex()].skipped += 1;
}

void CAlgorithmResultAssembler::AddAreaTerm(const CAlgorithmResultContext& context,
                                            const CAlgorithm& algorithm, const AreaTerm& term) {
    CMutexLock lock(mutex);
    algorithm.Pool(areaTerms[&algorithm][context.GetBandIndex()], term);
}

void CAlgorithmResultAssembler::AddResult(const CAlgorithmResultContext& context,
                                          const CAlgorithm& algorithm, float value) {
    CMutexLock lock(mutex);
    auto& bands = results[&algorithm];
    if (!bands) {
        bands = std::make_shared<BandStatistics>();
    }
    Accumulate((*bands)[context.GetBandIndex()], value);
    if (IsCompareTarget(context, algorithm)) {
        if (bestCount > 0) {
            best.Add(value, context.GetRegion());
        }
        if (worstCount > 0) {
            worst.Add(value, context.GetRegion());
        }
    }
}
