#include "regions/RandomRegionDivider.h"

#include <chrono>

uint32_t CTileNumberDistribution::operator()(std::mt19937& engine) const {
    constexpr uint32_t kLargest = 0xFFFFFFFFu;
    if (count == 1) {
        return 0;
    }
    if (count == 0) {
        return static_cast<uint32_t>(engine());
    }
    // Rejecting the incomplete last bucket keeps every number equally likely.
    for (;;) {
        const uint32_t r = static_cast<uint32_t>(engine());
        if (r / count < kLargest / count || kLargest % count == count - 1) {
            return r % count;
        }
    }
}

CRandomRegionDivider::CRandomRegionDivider(CRegionPtr area, uint32_t size, uint32_t count)
    : CRandomRegionDivider(std::move(area), size, count,
                           SeedFromClock(std::chrono::system_clock::now())) {}

CRandomRegionDivider::CRandomRegionDivider(CRegionPtr area, uint32_t size, uint32_t count,
                                           uint32_t clockSeed)
    : CRegionDivider(std::move(area), size, count), seedEngine(clockSeed),
      engine(static_cast<uint32_t>(seedEngine())),
      indexDistribution(static_cast<uint32_t>(ColumnCount()) * static_cast<uint32_t>(RowCount())) {}

CRegionPtr CRandomRegionDivider::GetRegion(int32_t) {
    return RegionFromIndex(indexDistribution(engine));
}

uint32_t CRandomRegionDivider::SeedFromClock(std::chrono::system_clock::time_point time) {
    using HundredNanoseconds = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
    const auto sinceEpoch = std::chrono::duration_cast<HundredNanoseconds>(time.time_since_epoch());
    return static_cast<uint32_t>(sinceEpoch.count());
}
