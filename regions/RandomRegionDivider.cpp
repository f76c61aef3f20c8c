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

CRandomRegionDivider::CRandomRegionDivider(CRegionPtr bbox, uint32_t tileSize, uint32_t tileCount)
    : CRandomRegionDivider(std::move(bbox), tileSize, tileCount, ClockSeed()) {}

CRandomRegionDivider::CRandomRegionDivider(CRegionPtr bbox, uint32_t tileSize, uint32_t tileCount,
                                           uint32_t clockSeed)
    : CRegionDivider(std::move(bbox), tileSize, tileCount), seedEngine(clockSeed),
      engine(static_cast<uint32_t>(seedEngine())),
      indexDistribution(static_cast<uint32_t>(ColumnCount()) * static_cast<uint32_t>(RowCount())) {}

CRegionPtr CRandomRegionDivider::GetRegion(int32_t) {
    return RegionFromIndex(indexDistribution(engine));
}

uint32_t CRandomRegionDivider::ClockSeed() {
    using HundredNanoseconds = std::chrono::duration<int64_t, std::ratio<1, 10'000'000>>;
    const auto sinceEpoch = std::chrono::duration_cast<HundredNanoseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    return static_cast<uint32_t>(sinceEpoch.count());
}
