#pragma once

#include "metrics/Algorithm.h"
#include "metrics/PixelSums.h"

// The error statistics: per-pixel differences of the original and the
// compressed samples, over every pixel of a tile or those holding data.
// Each has a figure over the whole visited area from the same sums. None
// uses the images' peak value.
class CPixelErrorAlgorithm : public CAlgorithm {
public:
    float Compute(const float* original, const float* compressed, int32_t width,
                  int32_t height) const override;
    std::optional<float> ComputeMasked(const float* original, const float* compressed,
                                       const uint8_t* valid, int32_t width,
                                       int32_t height) const override;
    TileValue Measure(const float* original, const float* compressed, const uint8_t* valid,
                      int32_t width, int32_t height) const override;
    std::optional<double> AreaFigure(const AreaTerm& area) const override;

protected:
    virtual ErrorSum Sum(const float* original, const float* compressed, const uint8_t* valid,
                         int32_t width, int32_t height) const = 0;
    // The tile's value from its sum over `count` pixels, at least one.
    virtual float TileFigure(const ErrorSum& errors) const;
    // The area's figure from its pooled sum over at least one pixel.
    virtual double Figure(const AreaTerm& area) const;
};

// "pae": the peak absolute error, max |o - c|; over the area, the largest of
// every tile's.
class CPAEAlgorithm : public CPixelErrorAlgorithm {
public:
    const char* GetName() const override { return "pae"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;
    void Pool(AreaTerm& area, const AreaTerm& tile) const override;

protected:
    ErrorSum Sum(const float* original, const float* compressed, const uint8_t* valid,
                 int32_t width, int32_t height) const override;
    float TileFigure(const ErrorSum& errors) const override;
    double Figure(const AreaTerm& area) const override { return area.total; }
};

// "mae": the mean absolute error, mean |o - c|.
class CMAEAlgorithm : public CPixelErrorAlgorithm {
public:
    const char* GetName() const override { return "mae"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;

protected:
    ErrorSum Sum(const float* original, const float* compressed, const uint8_t* valid,
                 int32_t width, int32_t height) const override;
};

// "rmse": the root of the mean squared error, sqrt(mean (o - c)^2).
class CRMSEAlgorithm : public CPixelErrorAlgorithm {
public:
    const char* GetName() const override { return "rmse"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;

protected:
    ErrorSum Sum(const float* original, const float* compressed, const uint8_t* valid,
                 int32_t width, int32_t height) const override;
    float TileFigure(const ErrorSum& errors) const override;
    double Figure(const AreaTerm& area) const override;
};

// "bias": the mean signed error, mean (c - o): positive where the copy is
// brighter than the original.
class CBiasAlgorithm : public CPixelErrorAlgorithm {
public:
    const char* GetName() const override { return "bias"; }
    std::unique_ptr<CAlgorithm> Create(float peakValue) const override;

protected:
    ErrorSum Sum(const float* original, const float* compressed, const uint8_t* valid,
                 int32_t width, int32_t height) const override;
};
