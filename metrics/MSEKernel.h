#pragma once

#include "metrics/PixelSums.h"

#include <cstdint>
#include <optional>

// The mean of the squared differences of two width x height images: each
// difference is taken in float, squared in double and added in row order.
// Not-a-number for an empty image.
float ComputeMSE(const float* a, const float* b, int32_t width, int32_t height);

// ComputeMSE over the pixels marked valid (non-zero bytes of `valid`, laid
// out as the samples), with the same arithmetic in the same order, so that a
// fully valid mask gives ComputeMSE's bits. No value without a valid pixel.
std::optional<float> ComputeMaskedMSE(const float* a, const float* b, const uint8_t* valid,
                                      int32_t width, int32_t height);

// The sum behind ComputeMSE (`valid` null) and ComputeMaskedMSE: the squared
// differences over the pixels taken, in double, as the mean divides it.
ErrorSum SumSquaredErrors(const float* a, const float* b, const uint8_t* valid, int32_t width,
                          int32_t height);

// The mean ComputeMSE returns for a sum: the sum over the count in double,
// rounded to float.
float MeanOf(const ErrorSum& errors);
