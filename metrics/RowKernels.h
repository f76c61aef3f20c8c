#pragma once

#include <cstdint>

// The innermost loops of the filters and of the SSIM terms, built once per
// instruction set. Every variant performs the same float and double
// operations in the same order for each output, so results match bit for bit.

// For x in [0, count): out[x] = float(scale * sum over t of double(taps[t][x] * weights[t])),
// the sum taken in tap order. Outputs are produced in blocks from left to
// right; a block is written only after all of its inputs were read and no
// block reads left of its own start, so `out` may overlay the first tap row
// (ConvolveValid's in-place form).
using WeightedRowSumsFunction = void (*)(const float* const* taps, const float* weights,
                                         int32_t tapCount, int32_t count, double scale, float* out);

// SSIM's stabilising constants C1, C2, C3.
struct SSIMConstants {
    float c1;
    float c2;
    float c3;
};

// The luminance, contrast and structure terms (before exponents) of `count`
// window positions from the filtered means, squares and cross products.
using SSIMTermsRowFunction = void (*)(const float* meanA, const float* meanB,
                                      const float* filteredAA, const float* filteredBB,
                                      const float* filteredAB, int32_t count,
                                      const SSIMConstants& constants, double* luminance,
                                      double* contrast, double* structure);

struct RowKernels {
    WeightedRowSumsFunction weightedRowSums;
    SSIMTermsRowFunction ssimTermsRow;
};

// The row kernels of the active variant (KernelVariant.h).
const RowKernels& ActiveRowKernels();

// Plain C++ for any x86-64 processor.
namespace baseline_kernels {
void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out);
void SSIMTermsRow(const float* meanA, const float* meanB, const float* filteredAA,
                  const float* filteredBB, const float* filteredAB, int32_t count,
                  const SSIMConstants& constants, double* luminance, double* contrast,
                  double* structure);
} // namespace baseline_kernels

// Built with AVX2 (no fused multiply-add).
namespace avx2_kernels {
void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out);
void SSIMTermsRow(const float* meanA, const float* meanB, const float* filteredAA,
                  const float* filteredBB, const float* filteredAB, int32_t count,
                  const SSIMConstants& constants, double* luminance, double* contrast,
                  double* structure);
} // namespace avx2_kernels

// Built with AVX-512 F and VL.
namespace avx512_kernels {
void WeightedRowSums(const float* const* taps, const float* weights, int32_t tapCount,
                     int32_t count, double scale, float* out);
void SSIMTermsRow(const float* meanA, const float* meanB, const float* filteredAA,
                  const float* filteredBB, const float* filteredAB, int32_t count,
                  const SSIMConstants& constants, double* luminance, double* contrast,
                  double* structure);
} // namespace avx512_kernels
