#include "metrics/KernelVariant.h"

#include "metrics/RowKernels.h"

#include <atomic>

namespace {

constexpr RowKernels kBaselineKernels{baseline_kernels::WeightedRowSums,
                                      baseline_kernels::SSIMTermsRow};
constexpr RowKernels kAvx2Kernels{avx2_kernels::WeightedRowSums, avx2_kernels::SSIMTermsRow};
constexpr RowKernels kAvx512Kernels{avx512_kernels::WeightedRowSums, avx512_kernels::SSIMTermsRow};

std::atomic<KernelVariant>& ActiveVariantSlot() {
    static std::atomic<KernelVariant> active{BestKernelVariant()};
    return active;
}

} // namespace

const char* KernelVariantName(KernelVariant variant) {
    switch (variant) {
    case KernelVariant::Avx2:
        return "avx2";
    case KernelVariant::Avx512:
        return "avx512";
    case KernelVariant::Baseline:
        break;
    }
    return "baseline";
}

bool IsKernelVariantSupported(KernelVariant variant) {
    // The check may run before the runtime's own constructors have read the
    // processor's features.
    __builtin_cpu_init();
    switch (variant) {
    case KernelVariant::Avx2:
        return __builtin_cpu_supports("avx2");
    case KernelVariant::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    case KernelVariant::Baseline:
        break;
    }
    return true;
}

KernelVariant BestKernelVariant() {
    for (const KernelVariant variant : {KernelVariant::Avx512, KernelVariant::Avx2}) {
        if (IsKernelVariantSupported(variant)) {
            return variant;
        }
    }
    return KernelVariant::Baseline;
}

KernelVariant ActiveKernelVariant() {
    return ActiveVariantSlot().load(std::memory_order_relaxed);
}

bool ForceKernelVariant(KernelVariant variant) {
    if (!IsKernelVariantSupported(variant)) {
        return false;
    }
    ActiveVariantSlot().store(variant, std::memory_order_relaxed);
    return true;
}

const RowKernels& ActiveRowKernels() {
    switch (ActiveKernelVariant()) {
    case KernelVariant::Avx2:
        return kAvx2Kernels;
    case KernelVariant::Avx512:
        return kAvx512Kernels;
    case KernelVariant::Baseline:
        break;
    }
    return kBaselineKernels;
}
