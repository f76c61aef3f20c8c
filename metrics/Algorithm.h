#pragma once

#include <cstdint>
#include <memory>
#include <optional>

// One statistic measured on a pair of tiles: the original's samples first,
// the compressed file's second, both width x height floats row by row. Every
// statistic is a plain number to its callers; none says whether larger is
// better.
class CAlgorithm {
public:
    virtual const char* GetName() const = 0;
    // A new instance of the same statistic for images whose largest sample
    // value is `peakValue` (ignored by statistics without a peak).
    virtual std::unique_ptr<CAlgorithm> Create(float peakValue) const = 0;
    virtual float Compute(const float* original, const float* compressed, int32_t width,
                          int32_t height) const = 0;
    // The statistic over the pixels that hold data: `valid` has one byte per
    // sample, laid out as the samples, non-zero for a pixel with data. No
    // value when too few pixels hold data for the statistic. By default a
    // statistic cannot leave pixels out and has a value only when every
    // pixel is valid: then Compute's.
    virtual std::optional<float> ComputeMasked(const float* original, const float* compressed,
                                               const uint8_t* valid, int32_t width,
                                               int32_t height) const;
    virtual ~CAlgorithm() = default;
};
