#pragma once

#include "metrics/Algorithm.h"
#include "regions/Region.h"

#include <cstdint>

class CAlgorithmResultAssembler;
class CBand;

// The tile and band that the values recorded next belong to. The evaluator
// keeps one per tile and makes each band current before it records anything.
class CAlgorithmResultContext {
public:
    static constexpr int32_t kNoBand = -1;

    CAlgorithmResultContext(CAlgorithmResultAssembler& target, CRegionPtr tile)
        : assembler(&target), region(std::move(tile)) {}

    void SetRegion(CRegionPtr newRegion) { region = std::move(newRegion); }
    // Only `entering` a band makes it current; leaving keeps it for late values.
    void SetBand(CBand* newBand, int32_t newBandIndex, bool entering) {
        if (entering) {
            band = newBand;
            bandIndex = newBandIndex;
        }
    }
    void SetTiming(int64_t elapsed, bool isOriginal);
    void SetResult(const CAlgorithm& algorithm, float value);
    void SetSkipped(const CAlgorithm& algorithm);
    void SetAreaTerm(const CAlgorithm& algorithm, const AreaTerm& term);

    const CRegionPtr& GetRegion() const { return region; }
    int32_t GetBandIndex() const { return bandIndex; }

private:
    CAlgorithmResultAssembler* assembler;
    CRegionPtr region;
    CBand* band = nullptr;
    int32_t bandIndex = kNoBand;
};
