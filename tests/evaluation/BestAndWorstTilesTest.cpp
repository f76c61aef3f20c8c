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

// Each file's data type follows the reader's cell type; other types are refused
// before a file is created. Pixel (0, 0) of the file is the tile's corner.
TEST_F(TileFiles, TilesAreWrittenInTheSourceTypeFromTheirCorner) {
    struct Case {
        CellType cellType;
        GDALDataType dataType; // GDT_Unknown: refused
        float offset;
    };
    const std::vector<Case> cases = {{CellType::UInt8, GDT_Byte, 0},
                                     {CellType::Int16, GDT_Int16, -300},
                                     {CellType::UInt16, GDT_UInt16, 60000},
                                     {CellType::UInt32, GDT_Unknown, 0}};
    CGdalImageRegionOutputter outputter("GTiff", "tiff", {});
    const auto tile = std::make_shared<CRegion>(10, 20, 14, 22);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.cellType));
        CFakeImageFileReader reader(64, 64);
        reader.SetCellType(c.cellType);
        for (int band = 0; band < 2; ++band) {
            reader.AddBand([&, band](int32_t x, int32_t y) {
                return c.offset + static_cast<float>(band * 50 + x + 2 * y);
            });
        }
        const std::string name = folder.File("tile" + std::to_string(static_cast<int>(c.cellType)));
        if (c.dataType == GDT_Unknown) {
            try {
                outputter.OutputRegion(reader, name, tile);
                ADD_FAILURE() << "a 32-bit tile was written";
            } catch (const char* failure) {
                EXPECT_STREQ(failure, "Unsupported output cell type");
            }
            EXPECT_FALSE(std::filesystem::exists(name + ".tiff"));
            continue;
        }
        outputter.OutputRegion(reader, name, tile);
        GDALDatasetUniquePtr dataset(GDALDataset::Open((name + ".tiff").c_str(), GDAL_OF_RASTER));
        ASSERT_TRUE(dataset);
        ASSERT_EQ(dataset->GetRasterCount(), 2);
        EXPECT_EQ(dataset->GetRasterXSize(), 5);
        EXPECT_EQ(dataset->GetRasterYSize(), 3);
        GDALRasterBand* second = dataset->GetRasterBand(2);
        EXPECT_EQ(second->GetRasterDataType(), c.dataType);
        float corner = 0;
        ASSERT_EQ(second->RasterIO(GF_Read, 4, 2, 1, 1, &corner, 1, 1, GDT_Float32, 0, 0, nullptr),
                  CE_None);
        EXPECT_EQ(corner, c.offset + 50 + 14 + 2 * 22);
    }
}

} // namespace
