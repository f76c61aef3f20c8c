#include "raster/VexlJp2SdkImageFileReader.h"

#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/VexlFormat.h"
#include "raster/sdk/VexlWriter.h"
#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace {

// Two bands of 2 x 1 pixels: band 0 holds values 0 and 1, band 1 values 2 and 3.
template <typename Sample>
std::function<void(const std::string&)> TwoBandFile(std::vector<Sample> values) {
    return [values](const std::string& fileName) { Orv::WriteVexlFile(fileName, 2, 1, 2, values); };
}

struct CellTypeCodeCase {
    const char* name;
    std::function<void(const std::string&)> write;
    std::optional<float> maxBandValue; // none: "Not supported cell type"
    std::optional<CellType> cellType;  // none: "Not supported cell type"
    std::vector<float> samples;        // both bands; empty: the read fails
    const char* readFailure;
};

class VexlCellTypeCodes : public ::testing::TestWithParam<CellTypeCodeCase> {
protected:
    TemporaryDirectory folder;
};

TEST_P(VexlCellTypeCodes, AnswerByTheCodeTable) {
    const CellTypeCodeCase& code = GetParam();
    const std::string fileName = folder.File("codes.vexl");
    code.write(fileName);
    CVexlJp2SdkImageFileReader reader(fileName);

    if (code.maxBandValue) {
        EXPECT_EQ(reader.GetMaxBandValue(), *code.maxBandValue);
    } else {
        EXPECT_EQ(PlainMessageOf([&] { reader.GetMaxBandValue(); }), "Not supported cell type");
    }
    if (code.cellType) {
        EXPECT_EQ(reader.GetCellType(), *code.cellType);
    } else {
        EXPECT_EQ(PlainMessageOf([&] { reader.GetCellType(); }), "Not supported cell type");
    }
    ASSERT_EQ(reader.GetBandCount(), 2);
    const CRegionPtr row = MakeRegion(0, 0, 1, 0);
    if (code.samples.empty()) {
        EXPECT_EQ(RuntimeErrorOf([&] { ReadBand(*reader.GetBand(0), row); }), code.readFailure);
        return;
    }
    std::vector<float> samples = ReadBand(*reader.GetBand(0), row);
    const std::vector<float> second = ReadBand(*reader.GetBand(1), row);
    samples.insert(samples.end(), second.begin(), second.end());
    EXPECT_EQ(samples, code.samples);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCode, VexlCellTypeCodes,
    ::testing::Values(CellTypeCodeCase{"UInt8",
                                       TwoBandFile<uint8_t>({0, 1, 200, 255}),
                                       255.0f,
                                       CellType::UInt8,
                                       {0, 1, 200, 255},
                                       nullptr},
                      CellTypeCodeCase{"UInt16",
                                       TwoBandFile<uint16_t>({0, 1, 40000, 65535}),
                                       65535.0f,
                                       CellType::UInt16,
                                       {0, 1, 40000, 65535},
                                       nullptr},
                      CellTypeCodeCase{"UInt32",
                                       TwoBandFile<uint32_t>({0, 16777217, 4294967040, 4294967295}),
                                       4294967296.0f,
                                       std::nullopt,
                                       {0, 16777216, 4294967040, 4294967296.0f},
                                       nullptr},
                      CellTypeCodeCase{"Int8",
                                       TwoBandFile<int8_t>({-128, -1, 0, 127}),
                                       127.0f,
                                       CellType::UInt8,
                                       {},
                                       "Unknown cell type 4"},
                      CellTypeCodeCase{"Int16",
                                       TwoBandFile<int16_t>({-32768, -1, 0, 32767}),
                                       32767.0f,
                                       CellType::Int16,
                                       {-32768, -1, 0, 32767},
                                       nullptr},
                      CellTypeCodeCase{
                          "Int32",
                          TwoBandFile<int32_t>({-2147483647 - 1, -1, 16777219, 2147483647}),
                          2147483648.0f,
                          std::nullopt,
                          {-2147483648.0f, -1, 16777220, 2147483648.0f},
                          nullptr},
                      CellTypeCodeCase{"Float32",
                                       TwoBandFile<float>({0.5f, -1.25f, 3e38f, 1e-3f}),
                                       std::nullopt,
                                       std::nullopt,
                                       {0.5f, -1.25f, 3e38f, 1e-3f},
                                       nullptr},
                      CellTypeCodeCase{"Float64",
                                       TwoBandFile<double>({0.1, -2.5, 16777217.0, 1.0 / 3}),
                                       std::nullopt,
                                       std::nullopt,
                                       {0.1f, -2.5f, 16777216.0f, 1.0f / 3},
                                       nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

class VexlReaderTest : public ::testing::Test {
protected:
    // 7 x 5 pixels, 3 bands; the sample of band b at (x, y) is 1000b + 10y + x.
    std::string WriteGrid() {
        std::vector<uint16_t> samples;
        for (int band = 0; band < 3; ++band) {
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 7; ++x) {
                    samples.push_back(static_cast<uint16_t>(1000 * band + 10 * y + x));
                }
            }
        }
        const std::string fileName = folder.File("grid.vexl");
        Orv::WriteVexlFile(fileName, 7, 5, 3, samples);
        return fileName;
    }

    TemporaryDirectory folder;
};

TEST_F(VexlReaderTest, ReadsAnyWindowOfAnyBand) {
    CVexlJp2SdkImageFileReader reader(WriteGrid());

    EXPECT_EQ(ReadBand(*reader.GetBand(2), MakeRegion(5, 3, 6, 4)),
              (std::vector<float>{2035, 2036, 2045, 2046}));
    EXPECT_EQ(ReadBand(*reader.GetBand(0), MakeRegion(0, 0, 0, 0)), std::vector<float>{0});
    EXPECT_EQ(ReadBand(*reader.GetBand(1), MakeRegion(2, 1, 4, 1)),
              (std::vector<float>{1012, 1013, 1014}));
}

TEST_F(VexlReaderTest, AnswersTheInterfaceQuestions) {
    CVexlJp2SdkImageFileReader reader(WriteGrid());

    EXPECT_EQ(reader.GetImageSize().width, 7u);
    EXPECT_EQ(reader.GetImageSize().height, 5u);
    EXPECT_EQ(reader.GetSourceReader(), &reader);
    EXPECT_EQ(reader.GetBand(3), nullptr);
    EXPECT_EQ(reader.GetBand(-1), nullptr);
    for (int32_t band = 0; band < 3; ++band) {
        EXPECT_EQ(reader.GetBand(band)->GetName(), "JP2SDK");
    }
}

TEST_F(VexlReaderTest, RefusesATileOutsideTheImage) {
    CVexlJp2SdkImageFileReader reader(WriteGrid());
    for (const CRegionPtr& tile : {MakeRegion(6, 4, 7, 4), MakeRegion(-1, 0, 0, 0),
                                   MakeRegion(0, 0, 0, 5), MakeRegion(3, 3, 2, 3)}) {
        EXPECT_EQ(PlainMessageOf([&] { ReadBand(*reader.GetBand(0), tile); }), "Error setting view")
            << tile->x0 << "," << tile->y0 << ";" << tile->x1 << "," << tile->y1;
    }
}

// Files the layer must refuse to open, each made from a good .vexl file.
struct BrokenFileCase {
    const char* name;
    const char* fileName;
    std::function<void(std::string& bytes)> breakBytes;
};

class VexlBrokenFiles : public VexlReaderTest,
                        public ::testing::WithParamInterface<BrokenFileCase> {};

TEST_P(VexlBrokenFiles, FailToOpen) {
    std::string bytes;
    {
        std::ifstream good(WriteGrid(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(good), {});
    }
    GetParam().breakBytes(bytes);
    const std::string fileName = folder.File(GetParam().fileName);
    std::ofstream(fileName, std::ios::binary) << bytes;

    EXPECT_EQ(PlainMessageOf([&] { CVexlJp2SdkImageFileReader reader(fileName); }),
              "Unable to open file.");
}

void SetField(std::string& bytes, size_t offset, uint32_t value, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachFault, VexlBrokenFiles,
    ::testing::Values(
        BrokenFileCase{"Empty", "empty.vexl", [](std::string& b) { b.clear(); }},
        BrokenFileCase{"HeaderCut", "cut.vexl", [](std::string& b) { b.resize(10); }},
        BrokenFileCase{"LastSampleCut", "short.vexl", [](std::string& b) { b.pop_back(); }},
        BrokenFileCase{"ByteAppended", "long.vexl", [](std::string& b) { b.push_back('\0'); }},
        BrokenFileCase{"WrongMagic", "magic.vexl", [](std::string& b) { b[0] = 'W'; }},
        BrokenFileCase{"OtherVersion", "version.vexl",
                       [](std::string& b) { SetField(b, Orv::Vexl::kVersionOffset, 2, 4); }},
        BrokenFileCase{"UnusedCode3", "code3.vexl",
                       [](std::string& b) { SetField(b, Orv::Vexl::kCellTypeOffset, 3, 2); }},
        BrokenFileCase{"UnusedCode7", "code7.vexl",
                       [](std::string& b) { SetField(b, Orv::Vexl::kCellTypeOffset, 7, 2); }},
        BrokenFileCase{"UnknownCode10", "code10.vexl",
                       [](std::string& b) { SetField(b, Orv::Vexl::kCellTypeOffset, 10, 2); }},
        // A wider sample type that the file's length no longer matches.
        BrokenFileCase{"CodeOfOtherSize", "code2.vexl",
                       [](std::string& b) {
                           SetField(b, Orv::Vexl::kCellTypeOffset, Orv::CellTypeCode::UInt32, 2);
                       }},
        BrokenFileCase{"ZeroWidth", "width.vexl",
                       [](std::string& b) { SetField(b, Orv::Vexl::kWidthOffset, 0, 4); }},
        BrokenFileCase{"ZeroBands", "bands.vexl",
                       [](std::string& b) { SetField(b, Orv::Vexl::kBandCountOffset, 0, 2); }},
        BrokenFileCase{"HugeSizes", "huge.vexl",
                       [](std::string& b) {
                           SetField(b, Orv::Vexl::kWidthOffset, 0xFFFFFFFF, 4);
                           SetField(b, Orv::Vexl::kHeightOffset, 0xFFFFFFFF, 4);
                       }},
        BrokenFileCase{"OtherExtension", "grid.tif", [](std::string&) {}},
        BrokenFileCase{"NoExtension", "grid", [](std::string&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VexlReaderTest, CannotOpenAMissingFileOrAFolder) {
    const std::string folderName = folder.File("folder.vexl");
    std::filesystem::create_directory(folderName);
    for (const std::string& fileName : {folder.File("missing.vexl"), folderName}) {
        EXPECT_EQ(PlainMessageOf([&] { CVexlJp2SdkImageFileReader reader(fileName); }),
                  "Unable to open file.")
            << fileName;
    }
}

TEST_F(VexlReaderTest, OpensTheExtensionInAnyCase) {
    const std::string upper = folder.File("GRID.VEXL");
    std::filesystem::rename(WriteGrid(), upper);
    CVexlJp2SdkImageFileReader reader(upper);
    EXPECT_EQ(reader.GetBandCount(), 3);
}

TEST(VexlWriter, RefusesWhatTheFormatCannotHold) {
    TemporaryDirectory folder;
    const std::string fileName = folder.File("refused.vexl");
    const std::vector<std::byte> fourBytes(4);
    const OrvFileInfo layouts[] = {
        {2, 2, 1, 3}, {2, 2, 1, 65536}, // unknown codes, one wider than the field
        {0, 4, 1, 0}, {2, 2, 0, 0},     // empty image
        {2, 2, 1, 1},                   // 8 bytes expected
    };
    for (const OrvFileInfo& layout : layouts) {
        EXPECT_THROW(Orv::WriteVexlFile(fileName, layout, fourBytes), std::invalid_argument)
            << layout.width << "x" << layout.height << "x" << layout.bandCount << " code "
            << layout.cellType;
    }
}

} // namespace
