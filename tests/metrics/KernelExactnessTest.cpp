// The production kernels reorder loops and use vector instructions; they must
// still give exactly the numbers of the plain step-by-step kernels, on every
// instruction-set variant this processor can run.
#include "metrics/Filtering.h"
#include "metrics/KernelTables.h"
#include "metrics/KernelVariant.h"
#include "metrics/MSEKernel.h"
#include "metrics/MSSSIMKernel.h"
#include "metrics/SSIMKernel.h"
#include "tests/metrics/ReferenceKernels.h"
#include "tests/metrics/TilePairs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<KernelVariant> SupportedVariants() {
    std::vector<KernelVariant> variants;
    for (const KernelVariant variant :
         {KernelVariant::Baseline, KernelVariant::Avx2, KernelVariant::Avx512}) {
        if (IsKernelVariantSupported(variant)) {
            variants.push_back(variant);
        }
    }
    return variants;
}

// Runs `check` once per supported variant, then restores the best one.
void ForEachVariant(const std::function<void()>& check) {
    for (const KernelVariant variant : SupportedVariants()) {
        SCOPED_TRACE(KernelVariantName(variant));
        ASSERT_TRUE(ForceKernelVariant(variant));
        check();
    }
    ForceKernelVariant(BestKernelVariant());
}

template <typename T> bool SameBits(const T& expected, const T& actual) {
    return std::memcmp(&expected, &actual, sizeof(T)) == 0;
}

template <typename T>
::testing::AssertionResult SameBits(const std::vector<T>& expected, const std::vector<T>& actual) {
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure()
               << "sizes " << expected.size() << " and " << actual.size();
    }
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!SameBits(expected[i], actual[i])) {
            return ::testing::AssertionFailure() << "element " << i << ": " << expected[i]
                                                 << " expected, " << actual[i] << " computed";
        }
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameBits(float expected, float actual) {
    if (SameBits<float>(expected, actual)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << ::testing::PrintToString(expected) << " expected, "
                                         << ::testing::PrintToString(actual) << " computed";
}

std::vector<float> RandomValues(size_t count, float low, float high, uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(low, high);
    std::vector<float> values(count);
    for (float& v : values) {
        v = value(random);
    }
    return values;
}

struct KernelCase {
    const char* name;
    int32_t width;
    int32_t height;
    int32_t normalized;
};

// The window and filter of the metrics and other shapes that reach the less
// used paths: scaled weights, even sizes, more taps than the row kernels take.
const KernelCase kKernelCases[] = {
    {"gaussian 11x11", 11, 11, 1}, {"low-pass 9x9", 9, 9, 1}, {"scaled 5x3", 5, 3, 0},
    {"even 4x4", 4, 4, 1},         {"single tap", 1, 1, 0},   {"scaled 17x17", 17, 17, 0},
};

std::vector<float> WeightsOf(const KernelCase& kernelCase, uint32_t seed) {
    if (kernelCase.width == 11 && kernelCase.normalized != 0) {
        return {GaussianWindow11, GaussianWindow11 + 121};
    }
    if (kernelCase.width == 9) {
        return {LowPass9, LowPass9 + 81};
    }
    return RandomValues(static_cast<size_t>(kernelCase.width) * kernelCase.height, -0.5f, 1.0f,
                        seed);
}

TEST(KernelExactnessTest, ConvolveValidMatchesThePlainLoopsIntoABufferAndInPlace) {
    const int32_t sizes[][2] = {{11, 11}, {12, 40}, {37, 13}, {64, 64}, {101, 97}, {300, 23}};
    for (const KernelCase& kernelCase : kKernelCases) {
        const std::vector<float> weights = WeightsOf(kernelCase, 7);
        const FilterKernel kernel{weights.data(),        kernelCase.width, kernelCase.height,
                                  kernelCase.normalized, MirrorSample,     0.0f};
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::string(kernelCase.name) + " on " + std::to_string(size[0]) + "x" +
                         std::to_string(size[1]));
            const std::vector<float> image =
                RandomValues(static_cast<size_t>(size[0]) * size[1], -100.0f, 65535.0f, 11);
            std::vector<float> expected = image;
            int32_t expectedWidth = 0;
            int32_t expectedHeight = 0;
            reference::ConvolveValid(expected.data(), size[0], size[1], &kernel, nullptr,
                                     &expectedWidth, &expectedHeight);
            ForEachVariant([&] {
                std::vector<float> inPlace = image;
                int32_t width = 0;
                int32_t height = 0;
                ConvolveValid(inPlace.data(), size[0], size[1], &kernel, nullptr, &width, &height);
                EXPECT_EQ(expectedWidth, width);
                EXPECT_EQ(expectedHeight, height);
                EXPECT_TRUE(SameBits(expected, inPlace));

                std::vector<float> source = image;
                std::vector<float> separate = image;
                ConvolveValid(source.data(), size[0], size[1], &kernel, separate.data(), nullptr,
                              nullptr);
                EXPECT_TRUE(SameBits(image, source)) << "the input was changed";
                EXPECT_TRUE(SameBits(expected, separate));
            });
        }
    }
}

TEST(KernelExactnessTest, DecimateMatchesFilterSampleAtEverySecondSample) {
    const int32_t sizes[][2] = {{4, 4}, {5, 9}, {11, 11}, {22, 23}, {45, 44}, {89, 88}, {256, 256}};
    const int32_t factors[] = {2, 3};
    for (const KernelCase& kernelCase : kKernelCases) {
        const std::vector<float> weights = WeightsOf(kernelCase, 5);
        const FilterKernel kernel{weights.data(),        kernelCase.width, kernelCase.height,
                                  kernelCase.normalized, MirrorSample,     0.0f};
        for (const auto& size : sizes) {
            // A single reflection must reach inside the image.
            if (size[0] < kernelCase.width / 2 || size[1] < kernelCase.height / 2) {
                continue;
            }
            for (const int32_t factor : factors) {
                SCOPED_TRACE(std::string(kernelCase.name) + " on " + std::to_string(size[0]) + "x" +
                             std::to_string(size[1]) + " by " + std::to_string(factor));
                const std::vector<float> image =
                    RandomValues(static_cast<size_t>(size[0]) * size[1], -10.0f, 255.0f, 3);
                std::vector<float> expected(image.size());
                int32_t expectedWidth = 0;
                int32_t expectedHeight = 0;
                reference::Decimate(image.data(), size[0], size[1], factor, &kernel,
                                    expected.data(), &expectedWidth, &expectedHeight);
                expected.resize(static_cast<size_t>(expectedWidth) * expectedHeight);
                ForEachVariant([&] {
                    std::vector<float> out(image.size());
                    int32_t width = 0;
                    int32_t height = 0;
                    EXPECT_EQ(0, Decimate(image.data(), size[0], size[1], factor, &kernel,
                                          out.data(), &width, &height));
                    ASSERT_EQ(expectedWidth, width);
                    ASSERT_EQ(expectedHeight, height);
                    out.resize(static_cast<size_t>(width) * height);
                    EXPECT_TRUE(SameBits(expected, out));
                });
            }
        }
    }
}

// Keeps every term SSIMCore hands out, so that the comparison sees each
// window position and not just the mean.
struct TermRecorder {
    std::vector<double> terms;
    int32_t width = 0;
    int32_t height = 0;

    static int32_t Accumulate(const double* values, void* context) {
        auto* recorder = static_cast<TermRecorder*>(context);
        recorder->terms.insert(recorder->terms.end(), values, values + 3);
        return 0;
    }
    static float Combine(int32_t width, int32_t height, void* context) {
        auto* recorder = static_cast<TermRecorder*>(context);
        recorder->width = width;
        recorder->height = height;
        return 0.5f;
    }
};

struct SSIMCase {
    const char* name;
    TilePair tiles;
    SSIMParameters parameters;
};

std::vector<SSIMCase> SSIMCases() {
    const SSIMParameters eightBit{1, 1, 1, 255, 0.01f, 0.03f, 1};
    const SSIMParameters sixteenBit{1, 1, 1, 65535, 0.01f, 0.03f, 1};
    const SSIMParameters unstabilised{1, 1, 1, 255, 0, 0, 1};
    const SSIMParameters exponents{0.5f, 2.0f, 0.7f, 255, 0.01f, 0.03f, 1};
    std::vector<SSIMCase> cases;
    const int32_t sizes[][2] = {{11, 11},   {12, 11},   {11, 37},   {13, 13},   {16, 16},
                                {17, 29},   {31, 31},   {64, 48},   {97, 101},  {128, 128},
                                {199, 211}, {232, 256}, {257, 263}, {300, 300}, {300, 17}};
    uint32_t seed = 1;
    for (const auto& size : sizes) {
        const int32_t w = size[0];
        const int32_t h = size[1];
        cases.push_back({"8-bit", NoisyTiles(w, h, 255, seed++), eightBit});
    }
    cases.push_back({"16-bit", NoisyTiles(256, 256, 65535, seed++), sixteenBit});
    cases.push_back({"16-bit", NoisyTiles(41, 67, 65535, seed++), sixteenBit});
    cases.push_back({"K1=K2=0", NoisyTiles(256, 256, 255, seed++), unstabilised});
    cases.push_back({"K1=K2=0", NoisyTiles(23, 19, 255, seed++), unstabilised});
    cases.push_back({"constant", ConstantTiles(64, 64, 100, 110), eightBit});
    cases.push_back({"constant K1=K2=0", ConstantTiles(29, 31, 100, 110), unstabilised});
    cases.push_back({"zero K1=K2=0", ConstantTiles(20, 20, 0, 0), unstabilised});
    cases.push_back({"identical", IdenticalTiles(100, 60, 255, seed++), eightBit});
    cases.push_back({"identical K1=K2=0", IdenticalTiles(33, 33, 255, seed++), unstabilised});
    cases.push_back({"exponents", NoisyTiles(50, 40, 255, seed++), exponents});
    TilePair oneFlat = NoisyTiles(30, 30, 255, seed++);
    std::fill(oneFlat.original.begin(), oneFlat.original.end(), 0.0f);
    cases.push_back({"one flat K1=K2=0", oneFlat, unstabilised});
    TilePair opposite = NoisyTiles(40, 40, 255, seed++);
    for (float& value : opposite.compressed) {
        value = -value;
    }
    cases.push_back({"opposite signs", opposite, eightBit});
    return cases;
}

std::string Describe(const SSIMCase& c) {
    return std::string(c.name) + " " + std::to_string(c.tiles.width) + "x" +
           std::to_string(c.tiles.height);
}

TEST(KernelExactnessTest, SSIMCoreHandsOutTheSameTermsAtEveryPosition) {
    const FilterKernel window = GaussianWindowKernel();
    for (SSIMCase& c : SSIMCases()) {
        SCOPED_TRACE(Describe(c));
        TermRecorder expected;
        const SSIMCallbacks expectedCallbacks{TermRecorder::Accumulate, TermRecorder::Combine,
                                              &expected};
        reference::SSIMCore(c.tiles.original.data(), c.tiles.compressed.data(), c.tiles.width,
                            c.tiles.height, &window, &expectedCallbacks, &c.parameters);
        ForEachVariant([&] {
            TermRecorder actual;
            const SSIMCallbacks callbacks{TermRecorder::Accumulate, TermRecorder::Combine, &actual};
            EXPECT_EQ(0.5f,
                      SSIMCore(c.tiles.original.data(), c.tiles.compressed.data(), c.tiles.width,
                               c.tiles.height, &window, &callbacks, &c.parameters));
            EXPECT_EQ(expected.width, actual.width);
            EXPECT_EQ(expected.height, actual.height);
            EXPECT_TRUE(SameBits(expected.terms, actual.terms));
        });
    }
}

TEST(KernelExactnessTest, ComputeSSIMAndComputeMSEGiveTheSameBits) {
    for (const SSIMCase& c : SSIMCases()) {
        SCOPED_TRACE(Describe(c));
        const TilePair& t = c.tiles;
        const float expectedSSIM = reference::ComputeSSIM(t.original.data(), t.compressed.data(),
                                                          t.width, t.height, &c.parameters);
        const float expectedMSE =
            reference::ComputeMSE(t.original.data(), t.compressed.data(), t.width, t.height);
        ForEachVariant([&] {
            EXPECT_TRUE(SameBits(expectedSSIM, ComputeSSIM(t.original.data(), t.compressed.data(),
                                                           t.width, t.height, &c.parameters)));
            EXPECT_TRUE(SameBits(expectedMSE, ComputeMSE(t.original.data(), t.compressed.data(),
                                                         t.width, t.height)));
        });
    }
}

TEST(KernelExactnessTest, ComputeMSSSIMGivesTheSameBitsAroundTheSizeLimit) {
    const int32_t sizes[][2] = {{176, 176}, {177, 177}, {178, 176}, {176, 191},
                                {183, 200}, {256, 256}, {300, 179}};
    std::vector<SSIMCase> cases;
    uint32_t seed = 100;
    for (const auto& size : sizes) {
        cases.push_back({"8-bit", NoisyTiles(size[0], size[1], 255, seed++), {}});
    }
    cases.push_back({"16-bit", NoisyTiles(200, 180, 65535, seed++), {}});
    cases.push_back({"identical", IdenticalTiles(181, 187, 255, seed++), {}});
    cases.push_back({"constant", ConstantTiles(176, 176, 100, 110), {}});
    for (const SSIMCase& c : cases) {
        SCOPED_TRACE(Describe(c));
        const TilePair& t = c.tiles;
        const float expected =
            reference::ComputeMSSSIM(t.original.data(), t.compressed.data(), t.width, t.height);
        ForEachVariant([&] {
            EXPECT_TRUE(SameBits(expected, ComputeMSSSIM(t.original.data(), t.compressed.data(),
                                                         t.width, t.height)));
        });
    }
}

} // namespace
