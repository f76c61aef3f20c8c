#pragma once

#include "metrics/ProductRows.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The innermost loops of the filters and of the SSIM terms. They are built
// once for every instruction-set target of the vector library on this
// architecture, and the best target the processor runs is chosen at run time.
// Every target performs the same float and double operations in the same
// order for each output, so results match bit for bit.

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
    ProductKernels products;
};

// The row kernels of the active target.
RowKernels ActiveRowKernels();

// The row kernels of the target at `index` of the vector library's dispatch
// tables (the index hwy::ChosenTarget::GetIndex() gives).
RowKernels RowKernelsAt(size_t index);

// Targets are the vector library's target bits (HWY_AVX3, HWY_NEON, ...).

// The targets this processor runs and the kernels were built for, best first.
std::vector<int64_t> SupportedKernelTargets();

// The target the kernels run on now: the forced one, otherwise the one the
// vector library's run-time dispatch chose.
int64_t ActiveKernelTarget();

// Makes the kernels run `target` from now on, so that tests and benchmarks
// can reach every target on one machine; 0 hands the choice back to the
// run-time dispatch. Returns false, changing nothing, for a target that is
// not among SupportedKernelTargets().
bool ForceKernelTarget(int64_t target);

const char* KernelTargetName(int64_t target);
