// Which target's row kernels run: the vector library's run-time choice, or
// one forced by tests and benchmarks.
#include "metrics/RowKernels.h"

#include <hwy/highway.h>

#include <algorithm>
#include <atomic>

namespace {

// 0 while the run-time dispatch decides.
std::atomic<int64_t>& ForcedTarget() {
    static std::atomic<int64_t> forced{0};
    return forced;
}

// The entries of the dispatch tables that the dispatch itself would use if
// `targets` were all the processor supports.
RowKernels KernelsFor(int64_t targets) {
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
    // Built for one target only: the tables hold just that entry.
    (void)targets;
    return RowKernelsAt(0);
#else
    hwy::ChosenTarget chosen;
    chosen.Update(targets);
    return RowKernelsAt(chosen.GetIndex());
#endif
}

// The dispatch's own choice; asking the processor again would be slow.
RowKernels DispatchedKernels() {
    hwy::ChosenTarget& chosen = hwy::GetChosenTarget();
    // Done by the first dispatched call otherwise; the table entries are
    // only meaningful after it.
    if (!chosen.IsInitialized()) {
        chosen.Update(hwy::SupportedTargets());
    }
#if (HWY_TARGETS & (HWY_TARGETS - 1)) == 0
    return RowKernelsAt(0);
#else
    return RowKernelsAt(chosen.GetIndex());
#endif
}

} // namespace

RowKernels ActiveRowKernels() {
    const int64_t forced = ForcedTarget().load(std::memory_order_relaxed);
    return forced != 0 ? KernelsFor(forced) : DispatchedKernels();
}

std::vector<int64_t> SupportedKernelTargets() {
    return hwy::SupportedAndGeneratedTargets();
}

int64_t ActiveKernelTarget() {
    const int64_t forced = ForcedTarget().load(std::memory_order_relaxed);
    if (forced != 0) {
        return forced;
    }
    const RowKernels dispatched = DispatchedKernels();
    for (const int64_t target : SupportedKernelTargets()) {
        if (KernelsFor(target).weightedRowSums == dispatched.weightedRowSums) {
            return target;
        }
    }
    return 0;
}

bool ForceKernelTarget(int64_t target) {
    const std::vector<int64_t> supported = SupportedKernelTargets();
    if (target != 0 && std::find(supported.begin(), supported.end(), target) == supported.end()) {
        return false;
    }
    ForcedTarget().store(target, std::memory_order_relaxed);
    return true;
}

const char* KernelTargetName(int64_t target) {
    return hwy::TargetName(target);
}
