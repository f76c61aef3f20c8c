#pragma once

#include <cstdint>
#include <memory>
#include <optional>

// What one tile adds to a statistic's figure over the whole visited area:
// its per-pixel terms summed in double (for a largest error, the tile's
// largest) and the pixels they were taken over.
struct AreaTerm {
    double total = 0.0;
    uint64_t pixels = 0;
};

// A tile's value of a statistic (none where too few pixels hold data) and,
// for a statistic with a whole-area figure, the tile's term towards it.
struct TileValue {
    std::optional<float> value;
    std::optional<AreaTerm> term;
};

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
    // The tile's value as Compute (`valid` null) or ComputeMasked gives it,
    // with its term towards the whole-area figure from the same pass. By
    // default a statistic has no whole-area figure.
    virtual TileValue Measure(const float* original, const float* compressed, const uint8_t* valid,
                              int32_t width, int32_t height) const;
    // Adds a tile's term to the area's: by default the sums and pixels add up.
    virtual void Pool(AreaTerm& area, const AreaTerm& tile) const;
    // The statistic over every pixel the area's terms were taken over; none
    // for a statistic without a whole-area figure or without pixels.
    virtual std::optional<double> AreaFigure(const AreaTerm& /*area*/) const {
        return std::nullopt;
    }
    // Whether the statistic has a figure over the whole area: a term over
    // one pixel gives one.
    bool HasAreaFigure() const {
        return AreaFigure(AreaTerm{.total = 0.0, .pixels = 1}).has_value();
    }
    virtual ~CAlgorithm() = default;
};
