#include "regions/RegionDividerSerialisingDecorator.h"
#include "regions/SavedFileRegionDivider.h"
#include "regions/SequentialRegionDivider.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void WriteBytes(const std::string& fileName, const std::vector<unsigned char>& bytes) {
    std::ofstream file(fileName, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<unsigned char> ReadBytes(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string OpeningFailure(const std::string& fileName) {
    try {
        CSavedFileRegionDivider divider(fileName);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "(no failure)";
}

std::vector<int32_t> Corners(const CRegionPtr& region) {
    return {region->x0, region->y0, region->x1, region->y1};
}

TEST(SavedRegionsFile, UnusableFilesFailWithTheirName) {
    TemporaryDirectory folder;
    const std::string empty = folder.File("empty.bin");
    WriteBytes(empty, {});
    const std::string forty = folder.File("forty.bin");
    WriteBytes(forty, std::vector<unsigned char>(40, 0));
    const std::string missing = folder.File("missing.bin");

    struct Case {
        std::string fileName;
        std::string message;
    };
    const std::vector<Case> cases = {
        {missing, "No data in saved regions file " + missing},
        {empty, "No data in saved regions file " + empty},
        {forty, "Saved regions file " + forty + " is corrupt"},
        {folder.Path().string(), "No data in saved regions file " + folder.Path().string()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        EXPECT_EQ(OpeningFailure(c.fileName), c.message);
    }
}

TEST(SavedRegionsFile, RecordsAreLittleEndianSigned32BitCorners) {
    TemporaryDirectory folder;
    const std::string fileName = folder.File("three.bin");
    WriteBytes(fileName, {
                             0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, // 256, 2
                             0xFF, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, // 511, 257
                             0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, // -1, INT32_MIN
                             0xFF, 0xFF, 0xFF, 0x7F, 0x10, 0x00, 0x00, 0x00, // INT32_MAX, 16
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, //
                             0x05, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, // 0, 0, 5, 9
                         });
    CSavedFileRegionDivider divider(fileName);
    EXPECT_EQ(divider.GetRegionCount(), 3);
    EXPECT_EQ(divider.GetTileSize(), 256);
    EXPECT_EQ(Corners(divider.GetRegion(0)), (std::vector<int32_t>{256, 2, 511, 257}));
    EXPECT_EQ(Corners(divider.GetRegion(1)), (std::vector<int32_t>{-1, INT32_MIN, INT32_MAX, 16}));
    EXPECT_EQ(Corners(divider.GetRegion(2)), (std::vector<int32_t>{0, 0, 5, 9}));
    // Reads past the end are not detected and give the zero record.
    EXPECT_EQ(Corners(divider.GetRegion(7)), (std::vector<int32_t>{0, 0, 0, 0}));
    // Earlier records can be read again after that.
    EXPECT_EQ(Corners(divider.GetRegion(0)), (std::vector<int32_t>{256, 2, 511, 257}));
}

TEST(SavedRegionsFile, RecorderTruncatesAnExistingFileAndWritesAtTheRegionNumber) {
    TemporaryDirectory folder;
    const std::string fileName = folder.File("tiles.bin");
    WriteBytes(fileName, std::vector<unsigned char>(160, 0xAB));
    auto sequential =
        std::make_shared<CSequentialRegionDivider>(std::make_shared<CRegion>(0, 0, 99, 99), 50, 4);
    {
        CRegionDividerSerialisingDecorator recorder(sequential, fileName);
        EXPECT_EQ(std::filesystem::file_size(fileName), 0u);
        EXPECT_EQ(Corners(recorder.GetRegion(1)), (std::vector<int32_t>{50, 0, 99, 49}));
    }
    // Record 0 was never handed out and stays zero; record 1 holds 50, 0, 99, 49.
    const std::vector<unsigned char> expected = {0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0,
                                                 50, 0, 0, 0, 0, 0, 0, 0, 99, 0, 0, 0, 49, 0, 0, 0};
    EXPECT_EQ(ReadBytes(fileName), expected);
}

} // namespace
