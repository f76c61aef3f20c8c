#include "evaluation/GdalImageRegionOutputter.h"
#include "evaluation/Regions.h"
#include "evaluation/ScoredRegionWriter.h"
#include "tests/support/FakeImageFileReader.h"
#include "tests/support/TemporaryDirectory.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<float> ValuesOf(const std::vector<ScoredRegion>& tiles) {
    std::vector<float> values;
    for (const auto& tile : tiles) {
        values.push_back(tile.value);
    }
    return values;
}

// Tile n starts at column n, so the kept columns show which offers were kept;
// among equal values the order depends on the heap, so columns are sorted.
std::vector<int32_t> SortedColumnsOf(const std::vector<ScoredRegion>& tiles) {
    std::vector<int32_t> columns;
    for (const auto& tile : tiles) {
        columns.push_back(tile.region->x0);
    }
    std::sort(columns.begin(), columns.end());
    return columns;
}

template <typename Compare>
std::vector<ScoredRegion> Keep(int32_t capacity, const std::vector<float>& values) {
    CRegions<Compare> regions(capacity);
    for (size_t n = 0; n < values.size(); ++n) {
        const auto column = static_cast<int32_t>(n);
        regions.Add(values[n], std::make_shared<CRegion>(column, 0, column, 0));
    }
    auto all = regions.GetAll();
    // Taking the tiles does not remove them.
    const auto again = regions.GetAll();
    EXPECT_EQ(ValuesOf(again), ValuesOf(all));
    EXPECT_EQ(SortedColumnsOf(again), SortedColumnsOf(all));
    return all;
}

TEST(BestAndWorstTiles, ContainersKeepTheExtremeValuesInOrder) {
    struct Case {
        const char* name;
        std::vector<ScoredRegion> kept;
        std::vector<float> values;
        std::vector<int32_t> columns;
    };
    const std::vector<float> offers = {0.5f, 0.9f, 0.7f, 0.9f};
    const std::vector<Case> cases = {
        {"best two keep both highest", Keep<std::greater<float>>(2, offers), {0.9f, 0.9f}, {1, 3}},
        {"worst one keeps the lowest", Keep<std::less<float>>(1, offers), {0.5f}, {0}},
        {"worst three, lowest first",
         Keep<std::less<float>>(3, {0.5f, 0.9f, 0.7f, 0.95f}),
         {0.5f, 0.7f, 0.9f},
         {0, 1, 2}},
        {"more places than offers",
         Keep<std::greater<float>>(10, offers),
         {0.9f, 0.9f, 0.7f, 0.5f},
         {0, 1, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValuesOf(c.kept), c.values);
        EXPECT_EQ(SortedColumnsOf(c.kept), c.columns);
    }
}

TEST(BestAndWorstTiles, FileNamesCarryValueAndCorner) {
    struct Case {
        std::string prefix;
        float value;
        int32_t x0, y0;
        const char* suffix;
        std::string name;
    };
    const std::vector<Case> cases = {
        {"best_", 0.5f, 256, 512, "o", "best_a_0.5000__256_512_o"},
        {"best_", 0.5f, 256, 512, "c", "best_a_0.5000__256_512_c"},
        {"out/w", 1.0f, 0, 0, "o", "out/wa_1.0000__0_0_o"},
        {"", -3.25f, 7, 9, "c", "a_-3.2500__7_9_c"},
        // The float nearest 0.98765 lies just below it.
        {"p", 0.98765f, 1, 2, "o", "pa_0.9876__1_2_o"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScoredRegion tile{std::make_shared<CRegion>(c.x0, c.y0, c.x0 + 9, c.y0 + 9), c.value};
        EXPECT_EQ(ScoredRegionFileName(c.prefix, tile, c.suffix), c.name);
    }
}

class TileFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite() { GDALAllRegister(); }
    TemporaryDirectory folder;
};

std::string OutputterFailure(const std::string& driverName) {
    try {
        CGdalImageRegionOutputter outputter(driverName, "x", {});
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "(no failure)";
}

TEST_F(TileFiles, DriversThatCannotCreateFilesAreRefused) {
    EXPECT_EQ(OutputterFailure("NoSuchDriver"), "Unable to create driver");
    EXPECT_EQ(OutputterFailure("JPEG"),
              "Driver must support Create method in order to be used as output format");
    EXPECT_EQ(OutputterFailure("GTiff"), "(no failure)");
}

TEST_F(TileFiles, BothFilesOfEveryTileAreWrittenWithTheSourceTypeAndPixels) {
    struct Case {
        CellType cellType;
        GDALDataType dataType;
        float offset;
    };
    const std::vector<Case> cases = {
        {CellType::UInt8, GDT_Byte, 0},
        {CellType::Int16, GDT_Int16, -300},
        {CellType::UInt16, GDT_UInt16, 60000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.cellType));
        CFakeImageFileReader original(64, 64);
        CFakeImageFileReader compressed(64, 64);
        for (const auto& [reader, shift] : {std::pair{&original, 0.0f}, {&compressed, 1.0f}}) {
            reader->SetCellType(c.cellType);
            for (int band = 0; band < 3; ++band) {
                reader->AddBand([&, band, shift](int32_t x, int32_t y) {
                    return c.offset + shift + static_cast<float>(band * 50 + x + 2 * y);
                });
            }
        }
        CGdalImageRegionOutputter outputter("GTiff", "tiff", {});
        const std::string prefix = folder.File("t_");
        const ScoredRegion tile{std::make_shared<CRegion>(10, 20, 14, 22), 0.25f};
        WriteScoredRegions(outputter, original, compressed, {tile}, prefix);

        for (const auto& [suffix, shift] : {std::pair{"o", 0.0f}, std::pair{"c", 1.0f}}) {
            const std::string fileName = prefix + "a_0.2500__10_20_" + suffix + ".tiff";
            GDALDatasetUniquePtr dataset(GDALDataset::Open(fileName.c_str(), GDAL_OF_RASTER));
            ASSERT_TRUE(dataset) << fileName;
            ASSERT_EQ(dataset->GetRasterCount(), 3);
            EXPECT_EQ(dataset->GetRasterXSize(), 5);
            EXPECT_EQ(dataset->GetRasterYSize(), 3);
            for (int band = 0; band < 3; ++band) {
                GDALRasterBand* written = dataset->GetRasterBand(band + 1);
                EXPECT_EQ(written->GetRasterDataType(), c.dataType);
                std::vector<float> pixels(15);
                ASSERT_EQ(written->RasterIO(GF_Read, 0, 0, 5, 3, pixels.data(), 5, 3, GDT_Float32,
                                            0, 0, nullptr),
                          CE_None);
                for (int y = 0; y < 3; ++y) {
                    for (int x = 0; x < 5; ++x) {
                        EXPECT_EQ(pixels[static_cast<size_t>(y * 5 + x)],
                                  c.offset + shift +
                                      static_cast<float>(band * 50 + 10 + x + 2 * (20 + y)));
                    }
                }
            }
        }
    }
}

TEST_F(TileFiles, UnsupportedCellTypesAndMissingFoldersFail) {
    CFakeImageFileReader wide(8, 8, 4294967296.0f);
    wide.SetCellType(CellType::UInt32);
    wide.AddBand(std::vector<float>(64, 0.0f));
    CGdalImageRegionOutputter outputter("GTiff", "tiff", {});
    const auto tile = std::make_shared<CRegion>(0, 0, 3, 3);
    try {
        outputter.OutputRegion(wide, folder.File("wide"), tile);
        FAIL() << "a 32-bit tile was written";
    } catch (const char* failure) {
        EXPECT_STREQ(failure, "Unsupported output cell type");
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("wide.tiff")));

    CFakeImageFileReader bytes(8, 8);
    bytes.AddBand(std::vector<float>(64, 0.0f));
    const std::string missingFolder = folder.File("missing/tile");
    EXPECT_THROW(outputter.OutputRegion(bytes, missingFolder, tile), std::runtime_error);
}

} // namespace
