#include "metrics/AlgorithmRegistry.h"
#include "metrics/MSSSIMKernel.h"
#include "metrics/SSIMKernel.h"
#include "tests/metrics/TilePairs.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::string> NamesOf(const std::vector<CAlgorithm*>& algorithms) {
    std::vector<std::string> names;
    for (const CAlgorithm* algorithm : algorithms) {
        names.emplace_back(algorithm->GetName());
    }
    return names;
}

float ComputeNamed(const char* name, float peakValue, const TilePair& t) {
    CAlgorithmRegistry registry;
    std::vector<CAlgorithm*> algorithms;
    EXPECT_TRUE(registry.CreateAlgorithms(name, peakValue, algorithms));
    return algorithms.at(0)->Compute(t.original.data(), t.compressed.data(), t.width, t.height);
}

TEST(AlgorithmRegistryTest, CreatesTheNamedStatisticsInTheOrderOfTheText) {
    using Names = std::vector<std::string>;
    const struct {
        const char* text;
        bool created;
        Names names;
    } cases[] = {
        {"ssim, psnr", true, {"ssim", "psnr"}},
        {" \tmse\r\n,ms-ssim ", true, {"mse", "ms-ssim"}},
        {"psnr,psnr", true, {"psnr", "psnr"}},
        {"all", true, {"ms-ssim", "mse", "psnr", "ssim"}},
        {"ssim,unknown", false, {"ssim"}},
        {"mse,unknown,psnr", false, {"mse"}},
        {"SSIM", false, {}},
        {"All", false, {}},
        {"ssim,", false, {"ssim"}},
        {"ssim,,mse", false, {"ssim"}},
        {"", false, {}},
    };
    for (const auto& c : cases) {
        CAlgorithmRegistry registry;
        std::vector<CAlgorithm*> algorithms;
        EXPECT_EQ(c.created, registry.CreateAlgorithms(c.text, 255.0f, algorithms)) << c.text;
        EXPECT_EQ(c.names, NamesOf(algorithms)) << c.text;
    }
}

TEST(AlgorithmRegistryTest, ANameGivenTwiceGivesTwoInstancesAfterTheCallersOwn) {
    CAlgorithmRegistry registry;
    CAlgorithmRegistry other;
    std::vector<CAlgorithm*> algorithms;
    ASSERT_TRUE(other.CreateAlgorithms("mse", 255.0f, algorithms));
    ASSERT_TRUE(registry.CreateAlgorithms("psnr,psnr", 255.0f, algorithms));
    ASSERT_EQ(3u, algorithms.size());
    EXPECT_EQ(3u, std::set<CAlgorithm*>(algorithms.begin(), algorithms.end()).size());
    EXPECT_EQ((std::vector<std::string>{"mse", "psnr", "psnr"}), NamesOf(algorithms));
}

TEST(AlgorithmRegistryTest, KnowsExactlyTheFourNames) {
    const CAlgorithmRegistry registry;
    for (const char* name : {"mse", "psnr", "ssim", "ms-ssim"}) {
        EXPECT_TRUE(registry.HasAlgorithm(name)) << name;
    }
    for (const char* name : {"MSE", "all", "ssim ", "", "msssim"}) {
        EXPECT_FALSE(registry.HasAlgorithm(name)) << name;
    }
}

TEST(StatisticsTest, PSNRIsTenLog10OfPeakSquaredOverMSE) {
    const TilePair unitError = ConstantTiles(16, 16, 0, 1);
    const TilePair error2 = ConstantTiles(16, 16, 10, 12);
    const struct {
        float peak;
        const TilePair& tiles;
        float expected;
    } cases[] = {
        {255, unitError, 48.1308f}, {255, error2, 42.1102f}, {65535, unitError, 96.3295f},
        {65535, error2, 90.3089f},  {1, unitError, 0.0f},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(c.expected, ComputeNamed("psnr", c.peak, c.tiles), 1e-4) << c.peak;
    }
}

TEST(StatisticsTest, IdenticalTilesGiveNoErrorAndFullSimilarity) {
    const TilePair tiles = IdenticalTiles(200, 180, 255, 8);
    EXPECT_EQ(0.0f, ComputeNamed("mse", 255, tiles));
    EXPECT_EQ(0.0f, ComputeNamed("psnr", 255, tiles));
    EXPECT_NEAR(1.0f, ComputeNamed("ssim", 255, tiles), 1e-6);
    EXPECT_NEAR(1.0f, ComputeNamed("ms-ssim", 255, tiles), 1e-5);
}

TEST(StatisticsTest, MSEIsTheKernelsMean) {
    EXPECT_EQ(4.0f, ComputeNamed("mse", 255, ConstantTiles(16, 16, 10, 12)));
}

TEST(StatisticsTest, SSIMUsesThePeakValueAndMSSSIMKeepsItsOwnRange) {
    const TilePair tiles = NoisyTiles(180, 180, 65535, 5);
    const SSIMParameters sixteenBit{1, 1, 1, 65535, 0.01f, 0.03f, 1};
    EXPECT_EQ(ComputeSSIM(tiles.original.data(), tiles.compressed.data(), 180, 180, &sixteenBit),
              ComputeNamed("ssim", 65535, tiles));
    const float msssim = ComputeMSSSIM(tiles.original.data(), tiles.compressed.data(), 180, 180);
    EXPECT_EQ(msssim, ComputeNamed("ms-ssim", 65535, tiles));
    EXPECT_EQ(msssim, ComputeNamed("ms-ssim", 255, tiles));
}

TEST(StatisticsTest, TooSmallTilesGiveInfinityForBothSimilarities) {
    const TilePair tiles = NoisyTiles(175, 10, 255, 1);
    EXPECT_EQ(std::numeric_limits<float>::infinity(), ComputeNamed("ssim", 255, tiles));
    EXPECT_EQ(std::numeric_limits<float>::infinity(), ComputeNamed("ms-ssim", 255, tiles));
}

} // namespace
