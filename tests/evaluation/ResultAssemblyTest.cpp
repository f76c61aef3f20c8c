#include "evaluation/AlgorithmResultAssembler.h"
#include "evaluation/AlgorithmResultContext.h"
#include "evaluation/EvaluationResultBuilder.h"
#include "tests/support/FakeImageFileReader.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

class NamedStatistic : public CAlgorithm {
public:
    explicit NamedStatistic(const char* name) : name(name) {}
    const char* GetName() const override { return name; }
    std::unique_ptr<CAlgorithm> Create(float) const override {
        return std::make_unique<NamedStatistic>(name);
    }
    float Compute(const float*, const float*, int32_t, int32_t) const override { return 0; }

private:
    const char* name;
};

struct Recorder {
    CAlgorithmResultAssembler assembler{2, 1, 1, "psnr"};
    CAlgorithmResultContext context{assembler, std::make_shared<CRegion>(0, 0, 9, 9)};

    void Record(int32_t band, const CAlgorithm& algorithm, float value) {
        context.SetBand(nullptr, band, true);
        context.SetResult(algorithm, value);
    }
    const ResultStatistics& Statistics(const CAlgorithm& algorithm, int32_t band) {
        return assembler.GetResults().at(&algorithm)->at(band);
    }
};

TEST(ResultAssembly, RunningFiguresFollowTheFirstValueAndNaNRules) {
    const NamedStatistic mse("mse");
    Recorder recorder;
    recorder.Record(0, mse, -2.5f);
    const auto& negative = recorder.Statistics(mse, 0);
    EXPECT_EQ(negative.min, -2.5f);
    EXPECT_EQ(negative.max, -2.5f);
    EXPECT_EQ(negative.count, 1u);

    recorder.Record(1, mse, std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(recorder.Statistics(mse, 1).min));
    recorder.Record(1, mse, 0.5f);
    const auto& afterNaN = recorder.Statistics(mse, 1);
    EXPECT_EQ(afterNaN.min, 0.5f);
    EXPECT_EQ(afterNaN.max, 0.5f);
    EXPECT_TRUE(std::isnan(afterNaN.sum));
    EXPECT_EQ(afterNaN.count, 2u);

    // The sum is accumulated in single precision: 1e8 absorbs a 1.
    recorder.Record(2, mse, 1e8f);
    recorder.Record(2, mse, 1.0f);
    EXPECT_EQ(recorder.Statistics(mse, 2).sum, 1e8f);
}

TEST(ResultAssembly, OnlyTheCompareStatisticOnTheCompareBandFeedsBestAndWorst) {
    const NamedStatistic psnr("psnr");
    const NamedStatistic upperCase("PSNR");
    const NamedStatistic ssim("ssim");
    Recorder recorder; // best 2, worst 1, band 1, "psnr"
    recorder.Record(0, psnr, 10);
    recorder.Record(1, ssim, 20);
    recorder.Record(1, upperCase, 30);
    recorder.Record(1, psnr, 40);
    recorder.Record(1, psnr, 35);
    recorder.Record(1, psnr, 45);
    const auto best = recorder.assembler.best.GetAll();
    const auto worst = recorder.assembler.worst.GetAll();
    ASSERT_EQ(best.size(), 2u);
    EXPECT_EQ(best[0].value, 45);
    EXPECT_EQ(best[1].value, 40);
    ASSERT_EQ(worst.size(), 1u);
    EXPECT_EQ(worst[0].value, 35);
    EXPECT_EQ(worst[0].region, recorder.context.GetRegion());
}

TEST(ResultAssembly, ReadTimesNeedACurrentBand) {
    CAlgorithmResultAssembler assembler(0, 0, 0, "ssim");
    CAlgorithmResultContext context(assembler, std::make_shared<CRegion>(0, 0, 1, 1));
    EXPECT_FALSE(assembler.GetTimings().first);
    try {
        context.SetTiming(5, true);
        FAIL() << "a time without a band was recorded";
    } catch (const char* failure) {
        EXPECT_STREQ(failure, "Timing result set outside of bands");
    }
    context.SetBand(nullptr, 2, true);
    context.SetBand(nullptr, 7, false); // leaving a band keeps it current
    context.SetTiming(5, true);
    context.SetTiming(-3, true);
    const auto [original, compressed] = assembler.GetTimings();
    ASSERT_TRUE(original && compressed);
    EXPECT_TRUE(compressed->empty());
    const TimingStatistics& times = original->at(2);
    EXPECT_EQ(times.min, -3);
    EXPECT_EQ(times.max, 5);
    EXPECT_EQ(times.sum, 2);
    EXPECT_EQ(times.count, 2u);
}

class ResultBuilding : public ::testing::Test {
protected:
    ResultBuilding() {
        std::ofstream(originalName) << std::string(1000, 'o');
        std::ofstream(compressedName) << std::string(50, 'c');
        for (const char* name : {"Red", "Green"}) {
            original.AddBand(std::vector<float>(64, 0.0f), name);
        }
        for (const char* name : {"R", "G"}) {
            compressed.AddBand(std::vector<float>(64, 0.0f), name);
        }
    }

    CollectedRun Run() {
        CollectedRun run;
        run.tileCount = 4;
        run.originalFileName = originalName;
        run.compressedFileName = compressedName;
        run.originalReader = &original;
        run.compressedReader = &compressed;
        run.bandCount = 2;
        run.area = std::make_shared<CRegion>(5, 6, 7, 8);
        return run;
    }

    TemporaryDirectory folder;
    std::string originalName = folder.File("original.tif");
    std::string compressedName = folder.File("compressed.jp2");
    CFakeImageFileReader original{8, 8};
    CFakeImageFileReader compressed{8, 8};
};

TEST_F(ResultBuilding, StatisticsAreMergedByName) {
    const NamedStatistic ssim("ssim");
    const NamedStatistic ssimAgain("ssim");
    const NamedStatistic mse("mse");
    CAlgorithmResultAssembler assembler(0, 0, 0, "ssim");
    CAlgorithmResultContext context(assembler, std::make_shared<CRegion>(0, 0, 1, 1));
    context.SetBand(nullptr, 0, true);
    context.SetResult(ssim, 0.75f);
    context.SetResult(ssimAgain, 0.75f);
    context.SetResult(mse, 3.0f);
    context.SetBand(nullptr, 1, true);
    context.SetResult(mse, 4.0f);

    CollectedRun run = Run();
    run.results = assembler.GetResults();
    const EvaluationResult result = BuildEvaluationResult(run);
    EXPECT_EQ(result.compressedBandNames, (std::map<int32_t, std::string>{{0, "R"}, {1, "G"}}));
    ASSERT_EQ(result.results.size(), 2u);
    EXPECT_EQ(result.results.begin()->first, "mse");
    EXPECT_EQ(result.results.at("mse").at(1).sum, 4.0f);
    EXPECT_EQ(result.results.at("ssim").size(), 1u);
    EXPECT_EQ(result.results.at("ssim").at(0).count, 1u);
    EXPECT_TRUE(result.originalReadTimes.empty());
}

TEST_F(ResultBuilding, EmptyNamesHaveNoSizeAndMissingFilesFail) {
    CollectedRun unnamed = Run();
    unnamed.originalFileName.clear();
    unnamed.compressedFileName.clear();
    const EvaluationResult result = BuildEvaluationResult(unnamed);
    EXPECT_EQ(result.originalFileSize, 0u);
    EXPECT_EQ(result.compressedFileSize, 0u);

    for (const bool originalMissing : {true, false}) {
        CollectedRun run = Run();
        (originalMissing ? run.originalFileName : run.compressedFileName) = folder.File("gone");
        try {
            BuildEvaluationResult(run);
            FAIL() << "a missing file had a size";
        } catch (const char* failure) {
            EXPECT_STREQ(failure, "Unable to get file size.");
        }
    }
}

} // namespace
