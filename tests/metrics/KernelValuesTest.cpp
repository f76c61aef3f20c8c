#include "metrics/Filtering.h"
#include "metrics/KernelTables.h"
#include "metrics/MSEKernel.h"
#include "metrics/MSSSIMKernel.h"
#include "metrics/SSIMKernel.h"
#include "tests/metrics/TilePairs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

constexpr float kInfinity = std::numeric_limits<float>::infinity();
const SSIMParameters kEightBit{1, 1, 1, 255, 0.01f, 0.03f, 1};

float SSIMOf(const TilePair& t, const SSIMParameters& parameters = kEightBit) {
    return ComputeSSIM(t.original.data(), t.compressed.data(), t.width, t.height, &parameters);
}

float MSSSIMOf(const TilePair& t) {
    return ComputeMSSSIM(t.original.data(), t.compressed.data(), t.width, t.height);
}

// The upper-left quadrants as given, row 5 and column 5 (row 4 and column 4
// for the low-pass filter) being the centre lines.
const float kGaussianQuadrant[6][6] = {
    {0.000001f, 0.000008f, 0.000037f, 0.000112f, 0.000219f, 0.000274f},
    {0.000008f, 0.000058f, 0.000274f, 0.000831f, 0.001619f, 0.002021f},
    {0.000037f, 0.000274f, 0.001296f, 0.003937f, 0.007668f, 0.009577f},
    {0.000112f, 0.000831f, 0.003937f, 0.011960f, 0.023294f, 0.029091f},
    {0.000219f, 0.001619f, 0.007668f, 0.023294f, 0.045371f, 0.056662f},
    {0.000274f, 0.002021f, 0.009577f, 0.029091f, 0.056662f, 0.070762f}};
const float kLowPassQuadrant[5][5] = {{0.000714f, -0.000450f, -0.002090f, 0.007132f, 0.016114f},
                                      {-0.000450f, 0.000283f, 0.001316f, -0.004490f, -0.010146f},
                                      {-0.002090f, 0.001316f, 0.006115f, -0.020867f, -0.047149f},
                                      {0.007132f, -0.004490f, -0.020867f, 0.071207f, 0.160885f},
                                      {0.016114f, -0.010146f, -0.047149f, 0.160885f, 0.363505f}};

TEST(KernelTablesTest, EveryWeightIsItsMirroredQuadrantEntry) {
    double gaussianSum = 0;
    for (int r = 0; r < 11; ++r) {
        for (int c = 0; c < 11; ++c) {
            EXPECT_EQ(kGaussianQuadrant[std::min(r, 10 - r)][std::min(c, 10 - c)],
                      GaussianWindow11[r * 11 + c])
                << "row " << r << " column " << c;
            gaussianSum += GaussianWindow11[r * 11 + c];
        }
    }
    EXPECT_NEAR(0.999998, gaussianSum, 5e-7);

    double lowPassSum = 0;
    for (int r = 0; r < 9; ++r) {
        for (int c = 0; c < 9; ++c) {
            EXPECT_EQ(kLowPassQuadrant[std::min(r, 8 - r)][std::min(c, 8 - c)], LowPass9[r * 9 + c])
                << "row " << r << " column " << c;
            lowPassSum += LowPass9[r * 9 + c];
        }
    }
    EXPECT_NEAR(1.000005, lowPassSum, 5e-7);
}

TEST(KernelTablesTest, ScaleExponentsWeighTheScales) {
    const float luminance[] = {0.0f, 0.0f, 0.0f, 0.0f, 0.1333f};
    const float structure[] = {0.0448f, 0.2856f, 0.3001f, 0.2363f, 0.1333f};
    for (int scale = 0; scale < kScaleCount; ++scale) {
        EXPECT_EQ(luminance[scale], LuminanceExponents[scale]) << "scale " << scale;
        EXPECT_EQ(structure[scale], ContrastExponents[scale]) << "scale " << scale;
        EXPECT_EQ(structure[scale], StructureExponents[scale]) << "scale " << scale;
    }
}

TEST(FilteringTest, MirrorSampleRepeatsTheEdgeSample) {
    const float image[] = {0, 1, 2, 3, 10, 11, 12, 13};
    const struct {
        int32_t x, y;
        float expected;
    } cases[] = {{-1, 0, 0}, {-2, 0, 1}, {4, 0, 3}, {5, 1, 12}, {0, -1, 0}, {2, 2, 12}, {1, 1, 11}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, MirrorSample(image, 4, 2, c.x, c.y, 99.0f))
            << "at " << c.x << "," << c.y;
    }
}

TEST(FilteringTest, KernelScaleIsOneOverTheWeightSumUnlessNormalized) {
    const float weights[] = {1, 2, 3, 4};
    const float balanced[] = {1, -1};
    const FilterKernel plain{weights, 2, 2, 0, MirrorSample, 0};
    const FilterKernel normalized{weights, 2, 2, 1, MirrorSample, 0};
    const FilterKernel zeroSum{balanced, 2, 1, 0, MirrorSample, 0};
    EXPECT_EQ(0.1f, KernelScale(&plain));
    EXPECT_EQ(1.0f, KernelScale(&normalized));
    EXPECT_EQ(1.0f, KernelScale(&zeroSum));
}

TEST(FilteringTest, ConvolveValidReportsOutputSizesEvenWhenNothingFits) {
    const std::vector<float> image(10 * 8, 1.0f);
    const FilterKernel window = GaussianWindowKernel();
    std::vector<float> out(image.size(), -1.0f);
    int32_t width = 0;
    int32_t height = 0;
    ConvolveValidInto(image.data(), 10, 8, &window, out.data(), &width, &height);
    EXPECT_EQ(0, width);
    EXPECT_EQ(-2, height);
    EXPECT_EQ(-1.0f, out[0]);
}

TEST(MSEKernelTest, AveragesTheSquaredDifferences) {
    const float a[] = {0, 0};
    const float b[] = {1, 3};
    EXPECT_EQ(5.0f, ComputeMSE(a, b, 2, 1));
    EXPECT_EQ(5.0f, ComputeMSE(b, a, 1, 2));
    EXPECT_EQ(0.0f, ComputeMSE(a, a, 2, 1));
    EXPECT_TRUE(std::isnan(ComputeMSE(a, b, 0, 1)));
}

TEST(SSIMKernelTest, IdenticalTilesGiveOne) {
    for (const int32_t size : {11, 40, 256}) {
        EXPECT_NEAR(1.0f, SSIMOf(IdenticalTiles(size, size, 255, size)), 1e-6) << size;
    }
}

// The luminance term (2 x 100 x 110 + C1) / (100^2 + 110^2 + C1) = 0.99548
// sets the value; contrast and structure stay within a few 1e-5 of 1, the
// same at every tile size.
TEST(SSIMKernelTest, ConstantTilesOf100And110GiveTheirLuminanceRatio) {
    const float smallest = SSIMOf(ConstantTiles(11, 11, 100, 110));
    EXPECT_NEAR(0.9955f, smallest, 5e-5);
    for (const int32_t size : {12, 64, 256}) {
        EXPECT_EQ(smallest, SSIMOf(ConstantTiles(size, size, 100, 110))) << size;
    }
}

TEST(SSIMKernelTest, SixteenBitTilesAreMeasuredAgainstTheirOwnRange) {
    const TilePair tiles = NoisyTiles(64, 64, 65535, 3);
    const SSIMParameters sixteenBit{1, 1, 1, 65535, 0.01f, 0.03f, 1};
    const float value = SSIMOf(tiles, sixteenBit);
    EXPECT_GT(value, 0.0f);
    EXPECT_LT(value, 1.0f);
    EXPECT_NE(value, SSIMOf(tiles, kEightBit));
}

TEST(SSIMKernelTest, TilesWithoutACompleteWindowGiveInfinity) {
    const int32_t sizes[][2] = {{10, 11}, {11, 10}, {10, 300}, {1, 1}, {0, 0}};
    for (const auto& size : sizes) {
        EXPECT_EQ(kInfinity, SSIMOf(ConstantTiles(size[0], size[1], 5, 5)))
            << size[0] << "x" << size[1];
    }
    EXPECT_NE(kInfinity, SSIMOf(ConstantTiles(11, 11, 5, 5)));
}

TEST(SSIMKernelTest, WindowPositionsAreTheTileLessTen) {
    struct Positions {
        int32_t width = 0;
        int32_t height = 0;
        int32_t calls = 0;
    };
    const auto accumulate = [](const double*, void* context) {
        ++static_cast<Positions*>(context)->calls;
        return int32_t{0};
    };
    const auto combine = [](int32_t width, int32_t height, void* context) {
        static_cast<Positions*>(context)->width = width;
        static_cast<Positions*>(context)->height = height;
        return 0.0f;
    };
    const FilterKernel window = GaussianWindowKernel();
    const int32_t cases[][4] = {{256, 256, 246, 246}, {232, 256, 222, 246}, {11, 11, 1, 1}};
    for (const auto& c : cases) {
        const TilePair tiles = NoisyTiles(c[0], c[1], 255, 1);
        Positions positions;
        const SSIMCallbacks callbacks{accumulate, combine, &positions};
        SSIMCore(tiles.original.data(), tiles.compressed.data(), c[0], c[1], &window, &callbacks,
                 &kEightBit);
        EXPECT_EQ(c[2], positions.width);
        EXPECT_EQ(c[3], positions.height);
        EXPECT_EQ(c[2] * c[3], positions.calls);
    }
}

TEST(SSIMKernelTest, AccumulateCanStopTheComputation) {
    const TilePair tiles = NoisyTiles(20, 20, 255, 2);
    const FilterKernel window = GaussianWindowKernel();
    const SSIMCallbacks callbacks{[](const double*, void*) { return int32_t{1}; },
                                  [](int32_t, int32_t, void*) { return 0.0f; }, nullptr};
    EXPECT_EQ(kInfinity, SSIMCore(tiles.original.data(), tiles.compressed.data(), 20, 20, &window,
                                  &callbacks, &kEightBit));
}

TEST(MSSSIMKernelTest, TilesNeedElevenSamplesAtTheFifthScale) {
    const struct {
        int32_t width, height;
        bool accepted;
    } cases[] = {{175, 256, false}, {256, 175, false}, {175, 175, false},
                 {176, 176, true},  {177, 177, true},  {176, 300, true}};
    for (const auto& c : cases) {
        const float value = MSSSIMOf(NoisyTiles(c.width, c.height, 255, 9));
        EXPECT_EQ(c.accepted, value != kInfinity) << c.width << "x" << c.height << ": " << value;
        if (c.accepted) {
            EXPECT_GT(value, 0.5f);
            EXPECT_LT(value, 1.0f);
        }
    }
}

TEST(MSSSIMKernelTest, IdenticalTilesGiveOne) {
    EXPECT_NEAR(1.0f, MSSSIMOf(IdenticalTiles(176, 176, 255, 4)), 1e-5);
    EXPECT_NEAR(1.0f, MSSSIMOf(IdenticalTiles(256, 256, 65535, 4)), 1e-5);
}

TEST(MSSSIMKernelTest, OppositeMeansAtTheCoarsestScaleGiveNotANumber) {
    TilePair tiles = NoisyTiles(176, 176, 255, 6);
    for (float& value : tiles.compressed) {
        value = -value;
    }
    EXPECT_TRUE(std::isnan(MSSSIMOf(tiles)));
}

TEST(MSSSIMKernelTest, AllocatePyramidHalvesTheSizeRoundingUp) {
    float* levels[5] = {};
    ASSERT_EQ(0, AllocatePyramid(levels, 177, 11, 5));
    // The sizes 177, 89, 45, 23, 12 by 11, 6, 3, 2, 1 must all be writable.
    const int32_t sizes[5][2] = {{177, 11}, {89, 6}, {45, 3}, {23, 2}, {12, 1}};
    for (int k = 0; k < 5; ++k) {
        ASSERT_NE(nullptr, levels[k]);
        levels[k][sizes[k][0] * sizes[k][1] - 1] = 1.0f;
        std::free(levels[k]);
    }
}

} // namespace
