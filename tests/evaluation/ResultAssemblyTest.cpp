#include "evaluation/AlgorithmResultAssembler.h"
#include "evaluation/AlgorithmResultContext.h"
#include "evaluation/EvaluationResultBuilder.h"
#include "tests/support/FakeImageFileReader.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

class NamedStatistic : public CAlgorithm {
public:
    explicit NamedStatistic(const char* statisticName) : name(statisticName) {}
    const char* GetName() const override { return name; }
    std::unique_ptr<CAlgorithm> Create(float) const override {
        return std::make_unique<NamedStatistic>(name);
    }
    float Compute(const float*, const float*, int32_t, int32_t) const override { return 0; }

private:
    const char* name;
};

// Records into an assembler that keeps the best 2 and worst 1 tiles of
// "psnr" on band 1.
struct Recorder {
    CAlgorithmResultAssembler assembler{2, 1, 1, "psnr"};
    CAlgorithmResultContext context{assembler, std::make_shared<CRegion>(0, 0, 9, 9)};

    void Record(int32_t band, const CAlgorithm& algorithm, float value) {
        context.SetBand(nullptr, band, true);
        context.SetResult(algorithm, value);
    }
};

template <typename Figures> std::string Text(const Figures& figures) {
    std::ostringstream text;
    text << figures.min << " " << figures.max << " " << figures.sum << " " << figures.count;
    return text.str();
}

TEST(ResultAssembly, RunningFiguresFollowTheFirstValueAndNaNRules) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<std::vector<float>, std::string>> cases = {
        {{-2.5f}, "-2.5 -2.5 -2.5 1"}, // the first value is minimum and maximum
        {{nan}, "nan nan nan 1"},
        {{nan, 0.5f}, "0.5 0.5 nan 2"},
        {{1e8f, 1.0f}, "1 1e+08 1e+08 2"}, // the sum is single precision: 1e8 absorbs a 1
    };
    const NamedStatistic mse("mse");
    Recorder recorder;
    for (int32_t band = 0; band < int32_t(cases.size()); ++band) {
        for (const float value : cases[band].first) {
            recorder.Record(band, mse, value);
        }
        EXPECT_EQ(Text(recorder.assembler.GetResults().at(&mse)->at(band)), cases[band].second);
    }
}

TEST(ResultAssembly, OnlyTheCompareStatisticOnTheCompareBandFeedsBestAndWorst) {
    const NamedStatistic psnr("psnr");
    const NamedStatistic upperCase("PSNR");
    const NamedStatistic ssim("ssim");
    Recorder recorder;
    recorder.Record(0, psnr, 10);
    recorder.Record(1, ssim, 20);
    recorder.Record(1, upperCase, 30);
    for (const float value : {40.0f, 35.0f, 45.0f}) {
        recorder.Record(1, psnr, value);
    }
    std::string kept;
    for (const auto& tiles :
         {recorder.assembler.best.GetAll(), recorder.assembler.worst.GetAll()}) {
        for (const auto& tile : tiles) {
            kept += std::to_string(int(tile.value)) +
                    (tile.region == recorder.context.GetRegion() ? " " : "(another tile) ");
        }
    }
    EXPECT_EQ(kept, "45 40 35 ");
}

TEST(ResultAssembly, ReadTimesNeedACurrentBand) {
    CAlgorithmResultAssembler assembler(0, 0, 0, "ssim");
    CAlgorithmResultContext context(assembler, std::make_shared<CRegion>(0, 0, 1, 1));
    EXPECT_FALSE(assembler.GetTimings().first);
    try {
        context.SetTiming(5, true);
        ADD_FAILURE() << "a time without a band was recorded";
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
    EXPECT_EQ(Text(original->at(2)), "-3 5 2 2");
}

// Statistic objects of one name are merged: the records of the later object
// in the map stand, band by band.
TEST(ResultBuilding, CopiesTheRunMergesStatisticsByNameAndNeedsBothFiles) {
    TemporaryDirectory folder;
    const std::string originalName = folder.File("original.tif");
    const std::string compressedName = folder.File("compressed.jp2");
    std::ofstream(originalName) << std::string(1000, 'o');
    std::ofstream(compressedName) << std::string(50, 'c');
    CFakeImageFileReader original{8, 8};
    CFakeImageFileReader compressed{8, 8};
    for (const char* name : {"Red", "Green"}) {
        original.AddBand(std::vector<float>(64, 0.0f), name);
        compressed.AddBand(std::vector<float>(64, 0.0f), std::string(1, name[0]));
    }
    const NamedStatistic ssim("ssim");
    const NamedStatistic ssimAgain("ssim");
    const NamedStatistic mse("mse");
    Recorder recorder;
    recorder.Record(0, ssim, 0.75f);
    recorder.Record(0, ssimAgain, 0.75f);
    recorder.Record(0, mse, 3.0f);
    recorder.Record(1, mse, 4.0f);
    const auto run = [&](const std::string& originalFile, const std::string& compressedFile) {
        return BuildEvaluationResult({4,
                                      originalFile,
                                      compressedFile,
                                      &original,
                                      &compressed,
                                      2,
                                      std::make_shared<CRegion>(5, 6, 7, 8),
                                      {},
                                      {},
                                      recorder.assembler.GetResults(),
                                      nullptr,
                                      nullptr});
    };

    const EvaluationResult result = run(originalName, compressedName);
    std::ostringstream text;
    text << result.tileCount << " tiles, " << result.originalFileSize << " and "
         << result.compressedFileSize << " bytes, bands " << result.originalBandNames.at(1) << " "
         << result.compressedBandNames.at(1) << ", area " << result.region.x0 << ","
         << result.region.y1 << ", times " << result.originalReadTimes.size();
    for (const auto& [name, bands] : result.results) {
        for (const auto& [band, figures] : bands) {
            text << " | " << name << " " << band << ": " << Text(figures);
        }
    }
    EXPECT_EQ(text.str(), "4 tiles, 1000 and 50 bytes, bands Green G, area 5,8, times 0 | mse 0: "
                          "3 3 3 1 | mse 1: 4 4 4 1 | ssim 0: 0.75 0.75 0.75 1");
    // An empty name stands for no file.
    EXPECT_EQ(run("", "").originalFileSize + run("", "").compressedFileSize, 0u);
    for (const auto& [originalFile, compressedFile] :
         {std::pair(folder.File("gone"), compressedName),
          std::pair(originalName, folder.File("gone"))}) {
        try {
            run(originalFile, compressedFile);
            ADD_FAILURE() << "a missing file had a size";
        } catch (const char* failure) {
            EXPECT_STREQ(failure, "Unable to get file size.");
        }
    }
}

} // namespace
