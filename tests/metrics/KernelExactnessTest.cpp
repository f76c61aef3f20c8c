// The production kernels reorder loops and use vector instructions; they must
// still give exactly the numbers of the plain step-by-step kernels, on every
// instruction-set variant this processor can run.
#include "metrics/KernelTables.h"
#include "metrics/KernelVariant.h"
#include "metrics/MSEKernel.h"
#include "metrics/MSSSIMKernel.h"
#include "tests/metrics/ReferenceKernels.h"
#include "tests/metrics/TilePairs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

namespace {

// Whether `compute` gives the bits of `expected` on every supported variant.
template <typename Compute>
void ExpectSameBitsOnEveryVariant(const std::vector<double>& expected, const Compute& compute) {
    const auto sameBits = [](double x, double y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    for (const auto v : {KernelVariant::Baseline, KernelVariant::Avx2, KernelVariant::Avx512}) {
        ASSERT_EQ(IsKernelVariantSupported(v), ForceKernelVariant(v)) << KernelVariantName(v);
        if (IsKernelVariantSupported(v)) {
            const std::vector<double> actual = compute();
            const auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(),
                                              actual.end(), sameBits);
            EXPECT_TRUE(e == expected.end() && a == actual.end())
                << KernelVariantName(v) << ": " << expected.size() << " numbers expected, "
                << actual.size() << " computed, differing from number " << e - expected.begin();
        }
    }
    ForceKernelVariant(BestKernelVariant());
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
std::vector<double> Filtered(decltype(&ConvolveValid) convolve, decltype(&Decimate) decimate,
                             const FilterKernel& kernel, std::vector<float> image, int32_t w,
                             int32_t h) {
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
    const int32_t sizes[][2] = {{4, 4},   {5, 9},   {10, 8},   {11, 11},   {12, 40}, {37, 13},
                                {45, 44}, {89, 88}, {101, 97}, {128, 129}, {300, 23}};
    for (const auto& shape : shapes) {
        const float* weights = shape[0] == 11  ? GaussianWindow11
                               : shape[0] == 9 ? LowPass9
                                               : random.data();
        const FilterKernel kernel{weights, shape[0], shape[1], shape[2], MirrorSample, 0};
        FilterKernel plain = kernel;
        plain.borderFunction = reference::MirrorSample;
        for (const auto& size : sizes) {
            const int32_t w = size[0], h = size[1];
            SCOPED_TRACE(std::to_string(kernel.width) + "x" + std::to_string(kernel.height) +
                         " kernel on " + std::to_string(w) + "x" + std::to_string(h));
            const std::vector<float> image = RandomValues(w * h, -100.0f, 65535.0f, w + h);
            ExpectSameBitsOnEveryVariant(
                Filtered(reference::ConvolveValid, reference::Decimate, plain, image, w, h),
                [&] { return Filtered(ConvolveValid, Decimate, kernel, image, w, h); });
        }
    }
}

using Vector = std::vector<double>;

// SSIMCore's terms at every position, the size it combines them over and its
// result, its result when accumulate stops it, then SSIM, MSE and MS-SSIM.
template <auto core, auto ssim, auto mse, auto msssim>
Vector Statistics(const TilePair& t, const SSIMParameters& p) {
    const float* a = t.original.data();
    const float* b = t.compressed.data();
    const FilterKernel window = GaussianWindowKernel();
    Vector all;
    const auto record = [](const double* terms, void* all) {
        static_cast<Vector*>(all)->insert(static_cast<Vector*>(all)->end(), terms, terms + 3);
        return int32_t{0};
    };
    const auto combine = [](int32_t width, int32_t height, void* all) {
        static_cast<Vector*>(all)->insert(static_cast<Vector*>(all)->end(),
                                          {1.0 * width, 1.0 * height});
        return 0.5f;
    };
    const auto stop = [](const double*, void*) { return int32_t{1}; };
    const SSIMCallbacks recording{record, combine, &all}, stopping{stop, combine, &all};
    all.push_back(core(a, b, t.width, t.height, &window, &recording, &p));
    all.push_back(core(a, b, t.width, t.height, &window, &stopping, &p));
    all.push_back(ssim(a, b, t.width, t.height, &p));
    all.push_back(mse(a, b, t.width, t.height));
    all.push_back(msssim(a, b, t.width, t.height));
    return all;
}

TEST(KernelExactnessTest, StatisticsGiveTheSameBitsOnManyTiles) {
    const SSIMParameters eightBit{1, 1, 1, 255, 0.01f, 0.03f, 1};
    const SSIMParameters sixteenBit{1, 1, 1, 65535, 0.01f, 0.03f, 1};
    const SSIMParameters unstabilised{1, 1, 1, 255, 0, 0, 1}; // K1 = K2 = 0
    const SSIMParameters exponents{0.5f, 2.0f, 0.7f, 255, 0.01f, 0.03f, 1};
    std::vector<std::pair<TilePair, SSIMParameters>> cases;
    // Odd, prime and edge sizes, and the MS-SSIM sizes around its limit of 176.
    const int32_t sizes[][2] = {{11, 11},   {12, 11},   {11, 37},   {13, 13},   {17, 29},
                                {31, 31},   {64, 48},   {97, 101},  {176, 176}, {177, 177},
                                {178, 176}, {176, 191}, {183, 200}, {199, 211}, {257, 263},
                                {300, 179}, {300, 17}};
    for (const auto& size : sizes) {
        cases.emplace_back(NoisyTiles(size[0], size[1], 255, size[0] + size[1]), eightBit);
    }
    TilePair oneFlat = NoisyTiles(30, 30, 255, 50);
    oneFlat.original.assign(30 * 30, 0.0f);
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
        ExpectSameBitsOnEveryVariant(
            Statistics<reference::SSIMCore, reference::ComputeSSIM, reference::ComputeMSE,
                       reference::ComputeMSSSIM>(tiles, parameters),
            [&] {
                return Statistics<SSIMCore, ComputeSSIM, ComputeMSE, ComputeMSSSIM>(tiles,
                                                                                    parameters);
            });
    }
}

} // namespace
