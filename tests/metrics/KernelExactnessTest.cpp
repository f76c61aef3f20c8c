// The production kernels reorder loops and use vector instructions; they must
// still give exactly the numbers of the plain step-by-step kernels, with
// their own weights and exponents, on every instruction-set target this
// processor can run.
#include "metrics/KernelTables.h"
#include "metrics/MSEKernel.h"
#include "metrics/MSSSIMKernel.h"
#include "metrics/RowKernels.h"
#include "metrics/SSIMKernel.h"
#include "reference_kernels/ReferenceKernels.h"
#include "tests/metrics/TilePairs.h"

#include <gtest/gtest.h>
#include <hwy/highway.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace {

// Whether `compute` gives the bits of `expected` on every target the vector
// library built and this processor runs.
template <typename Compute>
void ExpectSameBitsOnEveryTarget(const std::vector<double>& expected, const Compute& compute) {
    const auto sameBits = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    const std::vector<int64_t> targets = hwy::SupportedAndGeneratedTargets();
    ASSERT_FALSE(targets.empty());
    for (const int64_t target : targets) {
        ASSERT_TRUE(ForceKernelTarget(target)) << hwy::TargetName(target);
        const std::vector<double> actual = compute();
        const auto [e, a] =
            std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end(), sameBits);
        EXPECT_TRUE(e == expected.end() && a == actual.end())
            << hwy::TargetName(target) << ": " << expected.size() << " numbers expected, "
            << actual.size() << " computed, differing from number " << e - expected.begin();
    }
    ForceKernelTarget(0);
}

std::vector<float> RandomValues(size_t count, float low, float high, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(low, high);
    std::vector<float> values(count);
    std::generate(values.begin(), values.end(), [&] { return value(random); });
    return values;
}

// Decimate by 2 and by 3 (when one reflection reaches inside the image), then
// ConvolveValid into a buffer and in place: every output with its size, and
// the input after each ConvolveValid.
template <typename Kernel, typename Convolve, typename Decimate>
std::vector<double> Filtered(Convolve convolve, Decimate decimate, const Kernel& kernel,
                             std::vector<float> image, int32_t w, int32_t h) {
    std::vector<double> all;
    std::vector<float> out(image.size(), -1.0f);
    int32_t size[2] = {};
    const auto keep = [&](const std::vector<float>& values) {
        all.insert(all.end(), values.begin(), values.end());
        all.insert(all.end(), size, size + 2);
    };
    for (const int32_t factor : {2, 3}) {
        if (w >= kernel.width / 2 && h >= kernel.height / 2) {
            all.push_back(
                decimate(image.data(), w, h, factor, &kernel, out.data(), size, size + 1));
            keep(out);
        }
    }
    convolve(image.data(), w, h, &kernel, out.data(), size, size + 1);
    keep(out);
    keep(image);
    convolve(image.data(), w, h, &kernel, nullptr, size, size + 1);
    keep(image);
    return all;
}

TEST(KernelExactnessTest, ConvolveValidAndDecimateMatchThePlainLoops) {
    std::vector<float> random = RandomValues(17 * 17, -0.5f, 1.0f, 7);
    random.insert(random.begin(), {1.0f, -1.0f}); // the 2 x 1 kernel sums to 0
    // Width, height and whether normalized: the statistics' window and filter,
    // and shapes that reach the less used paths: scaled weights (also summing
    // to 0), even sizes, more taps than the row kernels take.
    const int32_t shapes[][3] = {{11, 11, 1}, {9, 9, 1},   {5, 3, 0}, {4, 4, 1},
                                 {1, 1, 0},   {17, 17, 0}, {2, 1, 0}};
    // Every width up to 40 (rows of fewer outputs than one vector holds, and
    // of every remainder), and rows around whole blocks of registers.
    std::vector<std::pair<int32_t, int32_t>> sizes = {{10, 8},   {12, 40},   {45, 44},  {89, 88},
                                                      {101, 97}, {128, 129}, {300, 23}, {73, 12},
                                                      {74, 13},  {75, 12},   {138, 12}, {139, 14}};
    for (int32_t w = 1; w <= 40; ++w) {
        sizes.emplace_back(w, 11 + w % 3);
    }
    for (const auto& shape : shapes) {
        const float* weights = shape[0] == 11  ? GaussianWindow11
                               : shape[0] == 9 ? LowPass9
                                               : random.data();
        const float* plainWeights = shape[0] == 11  ? reference::GaussianWindow11()
                                    : shape[0] == 9 ? reference::LowPass9()
                                                    : random.data();
        const FilterKernel kernel{weights, shape[0], shape[1], shape[2], MirrorSample, 0};
        const reference::FilterKernel plain{
            plainWeights, shape[0], shape[1], shape[2], reference::MirrorSample, 0};
        for (const auto& [w, h] : sizes) {
            SCOPED_TRACE(std::to_string(kernel.width) + "x" + std::to_string(kernel.height) +
                         " kernel on " + std::to_string(w) + "x" + std::to_string(h));
            const std::vector<float> image = RandomValues(static_cast<size_t>(w * h), -100.0f,
                                                          65535.0f, static_cast<uint32_t>(w + h));
            ExpectSameBitsOnEveryTarget(
                Filtered(reference::ConvolveValid, reference::Decimate, plain, image, w, h),
                [&] { return Filtered(ConvolveValid, Decimate, kernel, image, w, h); });
        }
    }
}

using Vector = std::vector<double>;

// The kernels and records of one side of the comparison.
struct Production {
    using Kernel = FilterKernel;
    using Parameters = SSIMParameters;
    using Callbacks = SSIMCallbacks;
    static Kernel Window() { return GaussianWindowKernel(); }
    static constexpr auto core = SSIMCore;
    static constexpr auto ssim = ComputeSSIM;
    static constexpr auto mse = ComputeMSE;
    static constexpr auto msssim = ComputeMSSSIM;
    static constexpr auto maskedMse = ComputeMaskedMSE;
    static constexpr auto maskedSsim = ComputeMaskedSSIM;
    // What the invalid pixels hold, down to not-a-number, must change nothing.
    static constexpr bool spoilsInvalidPixels = true;
};

struct Plain {
    using Kernel = reference::FilterKernel;
    using Parameters = reference::SSIMParameters;
    using Callbacks = reference::SSIMCallbacks;
    static Kernel Window() {
        return {reference::GaussianWindow11(), 11, 11, 1, reference::MirrorSample, 0};
    }
    static constexpr auto core = reference::SSIMCore;
    static constexpr auto ssim = reference::ComputeSSIM;
    static constexpr auto mse = reference::ComputeMSE;
    static constexpr auto msssim = reference::ComputeMSSSIM;
    static constexpr auto maskedMse = reference::ComputeMaskedMSE;
    static constexpr auto maskedSsim = reference::ComputeMaskedSSIM;
    static constexpr bool spoilsInvalidPixels = false;
};

// Masks of a w x h tile: all valid, none valid, scattered invalid pixels, a
// collar of invalid columns and rows along two edges, one valid 11 x 11
// window.
std::vector<std::vector<uint8_t>> Masks(int32_t w, int32_t h) {
    std::mt19937 random(static_cast<uint32_t>(w * 1000 + h));
    const auto below = [&](int32_t n) { return static_cast<int32_t>(random() % (n > 0 ? n : 1)); };
    const int32_t columns = below(w / 4 + 1), rows = below(h / 4 + 1), left = below(2),
                  top = below(2), x0 = below(w - 10), y0 = below(h - 10);
    std::vector<std::vector<uint8_t>> masks(5, std::vector<uint8_t>(w * h, 1));
    for (int32_t y = 0, i = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x, ++i) {
            masks[1][i] = 0;
            masks[2][i] = below(300) != 0;
            masks[3][i] =
                (left ? x >= columns : x < w - columns) && (top ? y >= rows : y < h - rows);
            masks[4][i] = x >= x0 && x < x0 + 11 && y >= y0 && y < y0 + 11;
        }
    }
    return masks;
}

// The tiles with noise, extremes and not-a-number in their invalid pixels.
TilePair Spoiled(TilePair t, const std::vector<uint8_t>& valid) {
    const float wild[] = {NAN, -3.4e38f, 3.4e38f, 1e-40f};
    for (size_t i = 0; i < valid.size(); ++i) {
        t.original[i] = valid[i] != 0 ? t.original[i] : wild[i % 4];
        t.compressed[i] = valid[i] != 0 ? t.compressed[i] : static_cast<float>(i % 97);
    }
    return t;
}

// alpha, beta, gamma, L, K1, K2.
using ParameterValues = std::array<float, 6>;

// SSIMCore's terms at every position, the size it combines them over and its
// result, its result when accumulate stops it, then SSIM, MSE and MS-SSIM,
// and under each of the Masks whether the masked MSE and SSIM have a value,
// and which. (Masked MS-SSIM is Compute's or none, tested with the statistics.)
template <typename Side> Vector Statistics(const TilePair& t, const ParameterValues& values) {
    const float* a = t.original.data();
    const float* b = t.compressed.data();
    const typename Side::Kernel window = Side::Window();
    const typename Side::Parameters p{values[0], values[1], values[2], values[3],
                                      values[4], values[5], 1};
    Vector all;
    const auto record = [](const double* terms, void* context) {
        static_cast<Vector*>(context)->insert(static_cast<Vector*>(context)->end(), terms,
                                              terms + 3);
        return int32_t{0};
    };
    const auto combine = [](int32_t width, int32_t height, void* context) {
        static_cast<Vector*>(context)->insert(static_cast<Vector*>(context)->end(),
                                              {1.0 * width, 1.0 * height});
        return 0.5f;
    };
    const auto stop = [](const double*, void*) { return int32_t{1}; };
    const typename Side::Callbacks recording{record, combine, &all}, stopping{stop, combine, &all};
    all.push_back(Side::core(a, b, t.width, t.height, &window, &recording, &p));
    all.push_back(Side::core(a, b, t.width, t.height, &window, &stopping, &p));
    // A window whose weights never repeat, which the filters take apart.
    const std::vector<float> distinct = RandomValues(15, 0.0f, 0.1f, 3);
    typename Side::Kernel uneven = window;
    uneven.weights = distinct.data();
    uneven.width = 5;
    uneven.height = 3;
    all.push_back(Side::core(a, b, t.width, t.height, &uneven, &recording, &p));
    all.push_back(Side::ssim(a, b, t.width, t.height, &p));
    all.push_back(Side::mse(a, b, t.width, t.height));
    all.push_back(Side::msssim(a, b, t.width, t.height));
    for (const std::vector<uint8_t>& valid : Masks(t.width, t.height)) {
        const TilePair seen = Side::spoilsInvalidPixels ? Spoiled(t, valid) : t;
        const float* sa = seen.original.data();
        const float* sb = seen.compressed.data();
        for (const std::optional<float> masked :
             {Side::maskedMse(sa, sb, valid.data(), t.width, t.height),
              Side::maskedSsim(sa, sb, valid.data(), t.width, t.height, &p)}) {
            all.insert(all.end(), {1.0 * masked.has_value(), masked.value_or(0)});
        }
    }
    return all;
}

TEST(KernelExactnessTest, StatisticsGiveTheSameBitsOnManyTiles) {
    const ParameterValues eightBit{1, 1, 1, 255, 0.01f, 0.03f};
    const ParameterValues sixteenBit{1, 1, 1, 65535, 0.01f, 0.03f};
    const ParameterValues unstabilised{1, 1, 1, 255, 0, 0}; // K1 = K2 = 0
    const ParameterValues exponents{0.5f, 2.0f, 0.7f, 255, 0.01f, 0.03f};
    std::vector<std::pair<TilePair, ParameterValues>> cases;
    // Odd, prime and edge sizes, and the MS-SSIM sizes around its limit of 176.
    const int32_t sizes[][2] = {{11, 11},   {12, 11},   {11, 37},   {13, 13},   {17, 29},
                                {31, 31},   {64, 48},   {97, 101},  {176, 176}, {177, 177},
                                {178, 176}, {176, 191}, {183, 200}, {199, 211}, {257, 263},
                                {300, 179}, {300, 17},  {74, 15},   {75, 12},   {139, 13}};
    for (const auto& size : sizes) {
        cases.emplace_back(
            NoisyTiles(size[0], size[1], 255, static_cast<uint32_t>(size[0] + size[1])), eightBit);
    }
    // Rows of every number of window positions up to 20, also without the
    // stabilising constants, whose special cases take their own lanes.
    for (int32_t w = 11; w <= 30; ++w) {
        const auto seed = static_cast<uint32_t>(100 + w);
        cases.emplace_back(NoisyTiles(w, 12 + w % 3, 255, seed), eightBit);
        cases.emplace_back(NoisyTiles(w, 11, 255, seed, w % 2 == 0), unstabilised);
    }
    // One flat tile, with a last position that no whole vector covers.
    TilePair oneFlat = NoisyTiles(31, 30, 255, 50);
    oneFlat.original.assign(31 * 30, 0.0f);
    // Negative means, and negative correlation with positive means.
    TilePair opposite = NoisyTiles(176, 180, 255, 51), inverted = opposite;
    std::transform(opposite.compressed.begin(), opposite.compressed.end(),
                   opposite.compressed.begin(), std::negate<>());
    std::transform(inverted.compressed.begin(), inverted.compressed.end(),
                   inverted.compressed.begin(), [](float value) { return 255 - value; });
    cases.insert(cases.end(), {{NoisyTiles(256, 256, 65535, 60), sixteenBit},
                               {NoisyTiles(232, 256, 255, 62), unstabilised},
                               {ConstantTiles(176, 176, 100, 110), eightBit},
                               {ConstantTiles(29, 31, 100, 110), unstabilised},
                               {ConstantTiles(20, 20, 0, 0), unstabilised},
                               {NoisyTiles(181, 187, 255, 64, true), eightBit},
                               {NoisyTiles(50, 40, 255, 66), exponents},
                               {oneFlat, unstabilised},
                               {opposite, eightBit},
                               {inverted, eightBit}});
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [tiles, parameters] = cases[i];
        SCOPED_TRACE("case " + std::to_string(i) + ", " + std::to_string(tiles.width) + "x" +
                     std::to_string(tiles.height));
        ExpectSameBitsOnEveryTarget(Statistics<Plain>(tiles, parameters),
                                    [&] { return Statistics<Production>(tiles, parameters); });
    }
}

TEST(KernelTargetTest, RunsTheBestTargetOfThisProcessorUnlessForced) {
    // The lowest target bit is the best target, by the vector library's own ordering.
    const auto best = [](int64_t targets) { return targets & -targets; };
    const int64_t available = hwy::SupportedTargets() & HWY_TARGETS;
    EXPECT_EQ(best(available), ActiveKernelTarget()) << KernelTargetName(ActiveKernelTarget());
#if HWY_ARCH_X86
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
        __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512bw")) {
        EXPECT_EQ(HWY_AVX3, ActiveKernelTarget()) << KernelTargetName(ActiveKernelTarget());
    }
#endif

    // Each forced target runs kernels of its own, and 0 gives the choice back.
    std::set<WeightedRowSumsFunction> kernels;
    std::string names;
    for (const int64_t target : SupportedKernelTargets()) {
        names += std::string(names.empty() ? "" : " ") + KernelTargetName(target);
        EXPECT_TRUE(ForceKernelTarget(target)) << KernelTargetName(target);
        EXPECT_EQ(target, ActiveKernelTarget()) << KernelTargetName(target);
        kernels.insert(ActiveRowKernels().weightedRowSums);
    }
    EXPECT_EQ(SupportedKernelTargets().size(), kernels.size());
    RecordProperty("targets", names); // which targets this processor let the tests reach
    const int64_t unavailable = best(~available & ~(int64_t{1} << 63));
    EXPECT_FALSE(ForceKernelTarget(unavailable)) << unavailable;
    EXPECT_TRUE(ForceKernelTarget(0));
    EXPECT_EQ(best(available), ActiveKernelTarget());
}

} // namespace
