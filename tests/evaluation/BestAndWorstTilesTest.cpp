#include "evaluation/GdalImageRegionOutputter.h"
#include "evaluation/Regions.h"
#include "evaluation/ScoredRegionWriter.h"
#include "tests/support/FakeImageFileReader.h"
#include "tests/support/TemporaryDirectory.h"

#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The kept tiles as "value@column", best first; tile n starts at column n.
// Ties may come in any order, so they are listed by column. Taking the tiles
// must not remove them: a second take must give the same.
template <typename Compare> std::string Keep(int32_t capacity, const std::vector<float>& values) {
    CRegions<Compare> regions(capacity);
    for (size_t n = 0; n < values.size(); ++n) {
        const auto column = static_cast<int32_t>(n);
        regions.Add(values[n], std::make_shared<CRegion>(column, 0, column, 0));
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

TEST(BestAndWorstTiles, FileNamesCarryValueAndCorner) {
    const std::vector<std::tuple<std::string, float, int32_t, int32_t, const char*, std::string>>
        cases = {
            {"best_", 0.5f, 256, 512, "o", "best_a_0.5000__256_512_o"},
            {"best_", 0.5f, 256, 512, "c", "best_a_0.5000__256_512_c"},
            {"out/w", 1.0f, 0, 0, "o", "out/wa_1.0000__0_0_o"},
            {"", -3.25f, 7, 9, "c", "a_-3.2500__7_9_c"},
            // The float nearest 0.98765 lies just below it.
            {"p", 0.98765f, 1, 2, "o", "pa_0.9876__1_2_o"},
        };
    for (const auto& [prefix, value, x0, y0, suffix, name] : cases) {
        const ScoredRegion tile{std::make_shared<CRegion>(x0, y0, x0 + 9, y0 + 9), value};
        EXPECT_EQ(ScoredRegionFileName(prefix, tile, suffix), name);
    }
}

template <typename Action> std::string FailureOf(Action action) {
    try {
        action();
    } catch (const char* failure) {
        return failure;
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

TEST(TileFiles, DriversThatCannotCreateFilesAreRefused) {
    GDALAllRegister();
    const auto outputter = [](const char* driver) {
        return [=] { CGdalImageRegionOutputter(driver, "x", {}); };
    };
    EXPECT_EQ(FailureOf(outputter("NoSuchDriver")), "Unable to create driver");
    EXPECT_EQ(FailureOf(outputter("JPEG")),
              "Driver must support Create method in order to be used as output format");
    EXPECT_EQ(FailureOf(outputter("GTiff")), "no failure");
}

// Size, band count, type of band 2 and its last sample, or "no file".
std::string DescribeFile(const std::string& fileName) {
    GDALDatasetUniquePtr file(GDALDataset::Open(fileName.c_str(), GDAL_OF_RASTER));
    if (!file) {
        return "no file";
    }
    GDALRasterBand* second = file->GetRasterBand(2);
    float corner = 0;
    if (second == nullptr ||
        second->RasterIO(GF_Read, file->GetRasterXSize() - 1, file->GetRasterYSize() - 1, 1, 1,
                         &corner, 1, 1, GDT_Float32, 0, 0, nullptr) != CE_None) {
        return "no band 2";
    }
    std::ostringstream text;
    text << file->GetRasterXSize() << "x" << file->GetRasterYSize() << ", "
         << file->GetRasterCount() << " bands, " << GDALGetDataTypeName(second->GetRasterDataType())
         << ", corner " << corner;
    return text.str();
}

// Each file's data type follows the reader's cell type; other types are
// refused before a file is created. Pixel (0, 0) of the file is the tile's
// corner, so the file's last pixel is the tile's: band 2 there holds
// offset + 50 + 14 + 2 x 22.
TEST(TileFiles, TilesAreWrittenInTheSourceTypeFromTheirCorner) {
    GDALAllRegister();
    TemporaryDirectory folder;
    const std::vector<std::tuple<CellType, float, std::string>> cases = {
        {CellType::UInt8, 0, "5x3, 2 bands, Byte, corner 108"},
        {CellType::Int16, -300, "5x3, 2 bands, Int16, corner -192"},
        {CellType::UInt16, 60000, "5x3, 2 bands, UInt16, corner 60108"},
        {CellType::UInt32, 0, "Unsupported output cell type, no file"},
    };
    CGdalImageRegionOutputter outputter("GTiff", "tiff", {});
    for (const auto& [cellType, offset, expected] : cases) {
        CFakeImageFileReader reader(64, 64);
        reader.SetCellType(cellType);
        for (int band = 0; band < 2; ++band) {
            reader.AddBand([&, band](int32_t x, int32_t y) {
                return offset + static_cast<float>(band * 50 + x + 2 * y);
            });
        }
        const std::string name = folder.File("tile" + std::to_string(static_cast<int>(cellType)));
        const std::string failure = FailureOf([&] {
            outputter.OutputRegion(reader, name, std::make_shared<CRegion>(10, 20, 14, 22));
        });
        EXPECT_EQ((failure == "no failure" ? "" : failure + ", ") + DescribeFile(name + ".tiff"),
                  expected);
    }
}

} // namespace
