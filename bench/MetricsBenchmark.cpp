// Pixels per second of the metric kernels on one 256 x 256 tile pair, for
// every instruction-set target this processor runs and for the plain
// step-by-step kernels; and what masked SSIM costs over plain SSIM on a tile
// whose collar holds no data.
#include "metrics/MSEKernel.h"
#include "metrics/MSSSIMKernel.h"
#include "metrics/RowKernels.h"
#include "metrics/SSIMKernel.h"
#include "reference_kernels/ReferenceKernels.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr int32_t kTileSize = 256;
const SSIMParameters kEightBit{1, 1, 1, 255, 0.01f, 0.03f, 1};
const reference::SSIMParameters kPlainEightBit{1, 1, 1, 255, 0.01f, 0.03f, 1};

// An 8-bit tile and a noisy copy of it.
struct TilePair {
    std::vector<float> original;
    std::vector<float> compressed;
};

const TilePair& Tiles() {
    static const TilePair tiles = [] {
        std::mt19937 random(42);
        std::uniform_real_distribution<float> sample(0.0f, 255.0f);
        std::normal_distribution<float> noise(0.0f, 8.0f);
        TilePair made;
        for (int32_t i = 0; i < kTileSize * kTileSize; ++i) {
            const float value = std::round(sample(random));
            made.original.push_back(value);
            made.compressed.push_back(std::clamp(std::round(value + noise(random)), 0.0f, 255.0f));
        }
        return made;
    }();
    return tiles;
}

// The last 27 columns and rows invalid: a fifth of the pixels, as a nodata
// collar left by reprojection.
const std::vector<uint8_t>& CollarMask() {
    static const std::vector<uint8_t> mask = [] {
        constexpr int32_t kValidSide = kTileSize - 27;
        std::vector<uint8_t> made;
        for (int32_t y = 0; y < kTileSize; ++y) {
            for (int32_t x = 0; x < kTileSize; ++x) {
                made.push_back(x < kValidSide && y < kValidSide ? 1 : 0);
            }
        }
        return made;
    }();
    return mask;
}

using Kernel = float (*)(const float*, const float*, int32_t, int32_t);

float SSIMEightBit(const float* a, const float* b, int32_t width, int32_t height) {
    return ComputeSSIM(a, b, width, height, &kEightBit);
}

float CollarMaskedSSIMEightBit(const float* a, const float* b, int32_t width, int32_t height) {
    return ComputeMaskedSSIM(a, b, CollarMask().data(), width, height, &kEightBit).value_or(NAN);
}

float ReferenceSSIMEightBit(const float* a, const float* b, int32_t width, int32_t height) {
    return reference::ComputeSSIM(a, b, width, height, &kPlainEightBit);
}

void RunOnTile(benchmark::State& state, Kernel kernel) {
    const TilePair& tiles = Tiles();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            kernel(tiles.original.data(), tiles.compressed.data(), kTileSize, kTileSize));
    }
    state.SetItemsProcessed(state.iterations() * kTileSize * kTileSize);
}

// The production kernel on the target given as the benchmark's argument.
template <Kernel kernel> void Production(benchmark::State& state) {
    const int64_t target = state.range(0);
    ForceKernelTarget(target);
    state.SetLabel(KernelTargetName(target));
    RunOnTile(state, kernel);
    ForceKernelTarget(0);
}

template <Kernel kernel> void Reference(benchmark::State& state) {
    RunOnTile(state, kernel);
}

void SupportedTargets(benchmark::internal::Benchmark* benchmark) {
    for (const int64_t target : SupportedKernelTargets()) {
        benchmark->Arg(target);
    }
}

void ComputeMSE_Production(benchmark::State& state) {
    Production<ComputeMSE>(state);
}
void ComputeMSE_Reference(benchmark::State& state) {
    Reference<reference::ComputeMSE>(state);
}
void ComputeSSIM_Production(benchmark::State& state) {
    Production<SSIMEightBit>(state);
}
void ComputeMaskedSSIM_Collar_Production(benchmark::State& state) {
    Production<CollarMaskedSSIMEightBit>(state);
}
void ComputeSSIM_Reference(benchmark::State& state) {
    Reference<ReferenceSSIMEightBit>(state);
}
void ComputeMSSSIM_Production(benchmark::State& state) {
    Production<ComputeMSSSIM>(state);
}
void ComputeMSSSIM_Reference(benchmark::State& state) {
    Reference<reference::ComputeMSSSIM>(state);
}

} // namespace

BENCHMARK(ComputeMSE_Production)->Apply(SupportedTargets)->ArgName("target");
BENCHMARK(ComputeMSE_Reference);
BENCHMARK(ComputeSSIM_Production)
    ->Apply(SupportedTargets)
    ->ArgName("target")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeMaskedSSIM_Collar_Production)
    ->Apply(SupportedTargets)
    ->ArgName("target")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeSSIM_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeMSSSIM_Production)
    ->Apply(SupportedTargets)
    ->ArgName("target")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ComputeMSSSIM_Reference)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
