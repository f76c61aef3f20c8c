#include "evaluation/AlgorithmResultAssembler.h"
#include "evaluation/AlgorithmResultContext.h"
#include "evaluation/EvaluationResultBuilder.h"
#include "evaluation/GdalImageRegionOutputter.h"
#include "evaluation/Regions.h"
#include "evaluation/ScoredRegionWriter.h"
#include "tests/support/FakeImageFileReader.h"
#include "tests/support/TemporaryDirectory.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
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

template <typename Action> std::string FailureOf(Action action) {
    try {
        action();
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

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
    const NamedStatistic psnr("psnr"), upperCase("PSNR"), ssim("ssim");
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
    EXPECT_EQ(FailureOf([&] { context.SetTiming(5, true); }), "Timing result set outside of bands");
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
    const std::string originalName = folder.File("o.tif"), compressedName = folder.File("c.jp2");
    std::ofstream(originalName) << std::string(1000, 'o');
    std::ofstream(compressedName) << std::string(50, 'c');
    CFakeImageFileReader original{8, 8}, compressed{8, 8};
    for (const char* name : {"Red", "Green"}) {
        original.AddBand(std::vector<float>(64, 0.0f), name);
        compressed.AddBand(std::vector<float>(64, 0.0f), std::string(1, name[0]));
    }
    const NamedStatistic ssim("ssim"), ssimAgain("ssim"), mse("mse");
    Recorder recorder;
    recorder.Record(0, ssim, 0.75f);
    recorder.Record(0, ssimAgain, 0.75f);
    recorder.Record(0, mse, 3.0f);
    recorder.Record(1, mse, 4.0f);
    const auto area = std::make_shared<CRegion>(5, 6, 7, 8);
    const auto results = recorder.assembler.GetResults();
    const auto run = [&](const std::string& originalFile, const std::string& compressedFile) {
        return BuildEvaluationResult(
            {4, originalFile, compressedFile, &original, &compressed, 2, area, {}, {}, results});
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
        EXPECT_EQ(FailureOf([&] { run(originalFile, compressedFile); }),
                  "Unable to get file size.");
    }
}

// The kept tiles as "value@column", best first; tile n starts at column n.
// Ties may come in any order, so they are listed by column. Taking the tiles
// must not remove them: a second take must give the same.
template <typename Compare> std::string Keep(int32_t capacity, const std::vector<float>& values) {
    CRegions<Compare> regions(capacity);
    for (int32_t n = 0; n < static_cast<int32_t>(values.size()); ++n) {
        regions.Add(values[size_t(n)], std::make_shared<CRegion>(n, 0, n, 0));
    }
    std::string texts[2];
    for (std::string& text : texts) {
        auto all = regions.GetAll();
        const auto byValue = [](const ScoredRegion& a, const ScoredRegion& b) {
            return Compare()(a.value, b.value);
        };
        std::ostringstream out;
        out << (std::is_sorted(all.begin(), all.end(), byValue) ? "" : "out of order:");
        std::sort(all.begin(), all.end(), [&](const ScoredRegion& a, const ScoredRegion& b) {
            return byValue(a, b) || (a.value == b.value && a.region->x0 < b.region->x0);
        });
        for (const auto& tile : all) {
            out << " " << tile.value << "@" << tile.region->x0;
        }
        text = out.str();
    }
    return texts[0] == texts[1] ? texts[0] : texts[0] + " then" + texts[1];
}

TEST(BestAndWorstTiles, ContainersKeepTheExtremeValuesInOrder) {
    const std::vector<float> offers = {0.5f, 0.9f, 0.7f, 0.9f};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {Keep<std::greater<float>>(2, offers), " 0.9@1 0.9@3"},
        {Keep<std::less<float>>(1, offers), " 0.5@0"},
        {Keep<std::less<float>>(3, {0.5f, 0.9f, 0.7f, 0.95f}), " 0.5@0 0.7@2 0.9@1"},
        {Keep<std::greater<float>>(10, offers), " 0.9@1 0.9@3 0.7@2 0.5@0"},
    };
    for (const auto& [kept, expected] : cases) {
        EXPECT_EQ(kept, expected);
    }
}

// Size, band count, type of band 2 and its pixel (4, 2), or "no file" when
// nothing, not even a link, is left at the name.
std::string DescribeFile(const std::string& fileName) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(fileName, error))) {
        return "no file";
    }
    GDALDatasetUniquePtr file(GDALDataset::Open(fileName.c_str(), GDAL_OF_RASTER));
    if (!file) {
        return "no raster";
    }
    GDALRasterBand* second = file->GetRasterBand(2);
    float corner = 0;
    if (second == nullptr || second->RasterIO(GF_Read, 4, 2, 1, 1, &corner, 1, 1, GDT_Float32, 0, 0,
                                              nullptr) != CE_None) {
        return "no pixel (4, 2) in band 2";
    }
    std::ostringstream text;
    text << file->GetRasterXSize() << "x" << file->GetRasterYSize() << ", "
         << file->GetRasterCount() << " bands, " << GDALGetDataTypeName(second->GetRasterDataType())
         << ", corner " << corner;
    return text.str();
}

// Each file's data type follows the reader's cell type; other types, and
// drivers that cannot create files, are refused before a file is created.
// Pixel (0, 0) of the file is the tile's corner, so pixel (4, 2) of band 2
// holds offset + 50 + 14 + 2 x 22. A tile file that cannot be written whole
// (its name a link to a full device) fails, and neither file of the tile stays.
TEST(TileFiles, TilesAreWrittenInTheSourceTypeFromTheirCorner) {
    GDALAllRegister();
    struct Case {
        const char* driver;
        CellType cellType;
        float offset;
        std::string expected;
        const char* fullDeviceSuffix = nullptr; // "o" or "c": that file cannot be written
    };
    const std::vector<Case> cases = {
        {"GTiff", CellType::UInt8, 0, "5x3, 2 bands, Byte, corner 108"},
        {"GTiff", CellType::Int16, -300, "5x3, 2 bands, Int16, corner -192"},
        {"GTiff", CellType::UInt16, 60000, "5x3, 2 bands, UInt16, corner 60108"},
        {"GTiff", CellType::UInt32, 0, "Unsupported output cell type, no file"},
        {"NoSuchDriver", CellType::UInt8, 0, "Unable to create driver, no file"},
        {"JPEG", CellType::UInt8, 0,
         "Driver must support Create method in order to be used as output format, no file"},
        {"GTiff", CellType::UInt16, 0,
         "Unable to write tile file d_a_0.5000__10_20_o.tiff, no file", "o"},
        {"GTiff", CellType::UInt8, 0, "Unable to write tile file d_a_0.5000__10_20_c.tiff, no file",
         "c"},
    };
    for (const auto& [driver, cellType, offset, expected, fullDeviceSuffix] : cases) {
        CFakeImageFileReader reader(64, 64);
        reader.SetCellType(cellType);
        for (int band = 0; band < 2; ++band) {
            std::vector<float> samples(64 * 64);
            for (size_t at = 0; at < samples.size(); ++at) { // x = at % 64, y = at / 64
                samples[at] = offset + static_cast<float>(band * 50 + at % 64 + 2 * (at / 64));
            }
            reader.AddBand(std::move(samples));
        }
        const TemporaryDirectory folder;
        const ScoredRegion tile{std::make_shared<CRegion>(10, 20, 14, 22), 0.5f};
        const std::string prefix = folder.File("d_");
        if (fullDeviceSuffix) {
            std::filesystem::create_symlink(
                "/dev/full", ScoredRegionFileName(prefix, tile, fullDeviceSuffix) + ".tiff");
        }
        std::string failure = FailureOf([&] {
            CGdalImageRegionOutputter outputter(driver, "tiff", {});
            WriteScoredRegions(outputter, reader, reader, {tile}, prefix);
            outputter.CommitRegions();
        });
        if (const size_t at = failure.find(folder.File("")); at != std::string::npos) {
            failure.erase(at, folder.File("").size());
        }
        const auto describe = [&](const char* suffix) {
            return DescribeFile(ScoredRegionFileName(prefix, tile, suffix) + ".tiff");
        };
        const std::string original = describe("o"), compressed = describe("c");
        EXPECT_EQ((failure == "no failure" ? "" : failure + ", ") + original +
                      (compressed == original ? "" : " but " + compressed),
                  expected);
    }
}

} // namespace
