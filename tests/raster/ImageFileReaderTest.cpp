#include "raster/GdalImageFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"
#include "raster/sdk/CellTypeCode.h"
#include "raster/sdk/VexlFormat.h"
#include "raster/sdk/VexlWriter.h"
#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <cpl_string.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

// What the GDAL reader and the layer's reader make of small files: sizes,
// maximum, cell type, band names and samples, or how they fail.
namespace {

using Opener = std::function<std::unique_ptr<CImageFileReader>(const std::string&)>;
// Writes a fixture into the folder and returns the name to open.
using Maker = std::function<std::string(const TemporaryDirectory&)>;
using Edit = std::function<void(std::string& bytes)>;

template <typename Reader> std::unique_ptr<CImageFileReader> Open(const std::string& fileName) {
    return std::make_unique<Reader>(fileName);
}
const Opener Gdal = Open<CGdalImageFileReader>;
const Opener Sdk = Open<CVexlJp2SdkImageFileReader>;

// The reader's answers in one line: "WxH max M, T | <band name>: <samples of
// the whole image> | ..." with failures in place of the answers.
std::string Describe(const Opener& open, const std::string& fileName) {
    std::unique_ptr<CImageFileReader> reader;
    const std::string openFailure = Outcome([&] { reader = open(fileName); });
    if (!reader) {
        return openFailure;
    }
    // GDAL makes up a size for a file without bands.
    const ImageSize size = reader->GetImageSize();
    std::string text = reader->GetBandCount() == 0
                           ? "no bands"
                           : std::to_string(size.width) + "x" + std::to_string(size.height);
    text += " max " + Outcome([&] { return reader->GetMaxBandValue(); }) + ", " +
            Outcome([&] { return reader->GetCellType(); });
    const CRegionPtr image = MakeRegion(0, 0, int32_t(size.width) - 1, int32_t(size.height) - 1);
    for (int32_t band = 0; band < reader->GetBandCount(); ++band) {
        text += " | " + reader->GetBand(band)->GetName() + ": " +
                Outcome([&] { return ReadBand(*reader->GetBand(band), image); });
    }
    return text;
}

Maker Written(const char* name, std::function<void(const std::string&)> write) {
    return [=](const TemporaryDirectory& folder) {
        write(folder.File(name));
        return folder.File(name);
    };
}

// 2 x 2 pixels, each band a GeoTIFF of its own type.
Maker Vrt(std::vector<VrtBand> bands) {
    return Written("a.vrt", [=](const std::string& name) { WriteMixedTypeVrt(name, 2, 2, bands); });
}

// A container of two rasters, which GDAL opens as a dataset without bands of
// its own that lists the two as subdatasets.
void WriteTwoRasterGeoPackage(const std::string& fileName) {
    GDALDriverManager& drivers = *GetGDALDriverManager();
    GDALDataset* source = drivers.GetDriverByName("MEM")->Create("", 4, 4, 1, GDT_Byte, nullptr);
    double transform[6] = {0, 1, 0, 0, 0, -1};
    source->SetGeoTransform(transform);
    for (const char* options : {"RASTER_TABLE=a", "RASTER_TABLE=b,APPEND_SUBDATASET=YES"}) {
        CPLStringList list(CSLTokenizeString2(options, ",", 0));
        GDALClose(drivers.GetDriverByName("GPKG")->CreateCopy(fileName.c_str(), source, FALSE,
                                                              list.List(), nullptr, nullptr));
    }
    GDALClose(source);
}

template <typename Sample> Maker Vexl(std::vector<Sample> samples) {
    return Written("a.vexl",
                   [=](const std::string& name) { Orv::WriteVexlFile(name, 2, 2, 1, samples); });
}

// 2 x 2 lossless RGB with the colour transform; the extension picks JP2 boxes
// or a raw codestream.
Maker Jp2(const char* name) {
    return Written(name, [](const std::string& fileName) {
        WriteJpeg2000(fileName, {2, 2, GDT_Byte, {{0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}}, {}},
                      LosslessJpeg2000Options(true));
    });
}

Maker Edited(Maker base, Edit edit) {
    return [=](const TemporaryDirectory& folder) {
        const std::string fileName = base(folder);
        std::ifstream in(fileName, std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        in.close();
        edit(bytes);
        std::ofstream(fileName, std::ios::binary | std::ios::trunc) << bytes;
        return fileName;
    };
}

Maker Renamed(Maker base, const char* name) {
    return [=](const TemporaryDirectory& folder) {
        std::filesystem::rename(base(folder), folder.File(name));
        return folder.File(name);
    };
}

const Maker kGoodVexl = Vexl<uint16_t>({1, 2, 3, 4});
const Maker kHeaderOnly =
    Edited(kGoodVexl, [](std::string& bytes) { bytes.resize(Orv::Vexl::kHeaderSize); });

// `base`, kGoodVexl by default, with a little-endian header field changed.
Maker VexlWith(size_t offset, uint32_t value, Maker base = kGoodVexl) {
    const size_t width =
        offset == Orv::Vexl::kBandCountOffset || offset == Orv::Vexl::kCellTypeOffset ? 2 : 4;
    return Edited(base, [=](std::string& bytes) {
        for (size_t i = 0; i < width; ++i) {
            bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
    });
}

const std::string kSdkNotOpened = "plain: Unable to open file.";

struct ReaderCase {
    const char* name;
    Maker make;
    std::string expected = kSdkNotOpened;
    Opener open = Sdk;
};

class ReaderOutcomes : public ::testing::TestWithParam<ReaderCase> {
protected:
    void SetUp() override { RegisterGdalDriversOnce(); }
    TemporaryDirectory folder;
};

int OpenGdalDatasets() {
    GDALDatasetH* datasets = nullptr;
    int count = 0;
    GDALGetOpenDatasets(&datasets, &count);
    return count;
}

TEST_P(ReaderOutcomes, DescribeTheFile) {
    const std::string fileName = GetParam().make(folder);
    const int openBefore = OpenGdalDatasets();
    EXPECT_EQ(Describe(GetParam().open, fileName), GetParam().expected);
    EXPECT_EQ(OpenGdalDatasets(), openBefore) << "the reader left its dataset open";
}

std::string CaseName(const ::testing::TestParamInfo<ReaderCase>& info) {
    return info.param.name;
}

const std::string kGdalUnsupported = "plain: Unsuported data type";
const std::string kGdalNotOpened = "plain: Unable to open file ";
const std::string kSdkUnsupported = "plain: Not supported cell type";
const std::string kJp2Rgb =
    "2x2 max 255, UInt8 | JP2SDK: 0 1 2 3 | JP2SDK: 4 5 6 7 | JP2SDK: 8 9 10 11";
// Offsets in a raw codestream: the image size marker segment follows the
// start marker; its component count at 40, then three bytes per component
// (precision, horizontal and vertical sub-sampling).
constexpr size_t kComponentCount = 40;
constexpr size_t kSecondComponentSign = 42 + 3;
constexpr size_t kSecondComponentSubSampling = 42 + 3 + 1;

INSTANTIATE_TEST_SUITE_P(
    Gdal, ReaderOutcomes,
    ::testing::ValuesIn(std::vector<ReaderCase>{
        {"Byte", Vrt({{GDT_Byte, {0, 1, 128, 255}}}),
         "2x2 max 255, UInt8 | GDAL undefined: 0 1 128 255", Gdal},
        {"UInt16", Vrt({{GDT_UInt16, {0, 1, 40000, 65535}}}),
         "2x2 max 65535, UInt16 | GDAL undefined: 0 1 40000 65535", Gdal},
        {"Int16", Vrt({{GDT_Int16, {-32768, -1, 0, 32767}}}),
         "2x2 max 32767, Int16 | GDAL undefined: -32768 -1 0 32767", Gdal},
        // Beyond 2^24 floats have gaps: samples round to the nearest float.
        {"UInt32", Vrt({{GDT_UInt32, {0, 16777217, 4294967040, 4294967295}}}),
         "2x2 max 4294967296, UInt32 | GDAL undefined: 0 16777216 4294967040 4294967296", Gdal},
        {"Int32", Vrt({{GDT_Int32, {-2147483648.0, -1, 16777219, 2147483647}}}),
         "2x2 max 2147483648, Int32 | GDAL undefined: -2147483648 -1 16777220 2147483648", Gdal},
        {"Float32", Vrt({{GDT_Float32, {0.5, 1, 2, 3}}}), kGdalUnsupported, Gdal},
        {"Float64", Vrt({{GDT_Float64, {0.5, 1, 2, 3}}}), kGdalUnsupported, Gdal},
        // Maximum and cell type come from band 1; every band reads in its own type.
        {"Band2Of16Bits", Vrt({{GDT_Byte, {7, 255, 0, 1}}, {GDT_UInt16, {300, 65535, 2, 3}}}),
         "2x2 max 255, UInt8 | GDAL undefined: 7 255 0 1 | GDAL undefined: 300 65535 2 3", Gdal},
        {"BandsBeyondFloat64",
         Vrt({{GDT_Byte, {1, 2, 3, 4}},
              {GDT_CInt16, {1, 2, 3, 4}},
              {GDT_CFloat64, {1, 2, 3, 4}},
              {GDT_Int64, {1, 2, 3, 4}}}),
         "2x2 max 255, UInt8 | GDAL undefined: 1 2 3 4 | GDAL undefined: runtime_error: Unknown "
         "raster data type 8 | GDAL undefined: runtime_error: Unknown raster data type 11 | GDAL "
         "undefined: runtime_error: Unknown raster data type 13",
         Gdal},
        {"Band1BeyondFloat64", Vrt({{GDT_CInt32, {1, 2, 3, 4}}}), kGdalUnsupported, Gdal},
        {"NoBands", Written("two.gpkg", WriteTwoRasterGeoPackage),
         "no bands max 255, " + kGdalUnsupported, Gdal},
        {"Missing", Written("missing.tif", [](auto&) {}), kGdalNotOpened, Gdal},
        {"NotARaster", Written("a.txt", [](auto& name) { std::ofstream(name) << "text"; }),
         kGdalNotOpened, Gdal}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Vexl, ReaderOutcomes,
    ::testing::ValuesIn(std::vector<ReaderCase>{
        {"UInt8", Vexl<uint8_t>({0, 1, 200, 255}), "2x2 max 255, UInt8 | JP2SDK: 0 1 200 255"},
        {"UInt16", Vexl<uint16_t>({0, 1, 40000, 65535}),
         "2x2 max 65535, UInt16 | JP2SDK: 0 1 40000 65535"},
        {"UInt32", Vexl<uint32_t>({0, 16777217, 4294967040, 4294967295}),
         "2x2 max 4294967296, " + kSdkUnsupported + " | JP2SDK: 0 16777216 4294967040 4294967296"},
        {"Int8", Vexl<int8_t>({-128, -1, 0, 127}),
         "2x2 max 127, UInt8 | JP2SDK: runtime_error: Unknown cell type 4"},
        {"Int16", Vexl<int16_t>({-32768, -1, 0, 32767}),
         "2x2 max 32767, Int16 | JP2SDK: -32768 -1 0 32767"},
        {"Int32", Vexl<int32_t>({-2147483647 - 1, -1, 16777219, 2147483647}),
         "2x2 max 2147483648, " + kSdkUnsupported +
             " | JP2SDK: -2147483648 -1 16777220 2147483648"},
        {"Float32", Vexl<float>({0.5f, -1.25f, 3e38f, 1e-3f}),
         "2x2 max " + kSdkUnsupported + ", " + kSdkUnsupported +
             " | JP2SDK: 0.5 -1.25 3.00000001e+38 0.00100000005"},
        {"Float64", Vexl<double>({0.1, -2.5, 16777217.0, 1.0 / 3}),
         "2x2 max " + kSdkUnsupported + ", " + kSdkUnsupported +
             " | JP2SDK: 0.100000001 -2.5 16777216 0.333333343"},
        {"UpperCaseName", Renamed(kGoodVexl, "A.VEXL"), "2x2 max 65535, UInt16 | JP2SDK: 1 2 3 4"},
        {"Empty", Edited(kGoodVexl, [](auto& bytes) { bytes.clear(); })},
        {"HeaderCut", Edited(kGoodVexl, [](auto& bytes) { bytes.resize(10); })},
        {"LastSampleCut", Edited(kGoodVexl, [](auto& bytes) { bytes.pop_back(); })},
        {"ByteAppended", Edited(kGoodVexl, [](auto& bytes) { bytes.push_back('\0'); })},
        {"WrongMagic", Edited(kGoodVexl, [](auto& bytes) { bytes[0] = 'W'; })},
        {"OtherVersion", VexlWith(Orv::Vexl::kVersionOffset, 2)},
        {"UnusedCode3", VexlWith(Orv::Vexl::kCellTypeOffset, 3)},
        {"UnusedCode7", VexlWith(Orv::Vexl::kCellTypeOffset, 7)},
        {"UnknownCode10", VexlWith(Orv::Vexl::kCellTypeOffset, 10)},
        // A wider sample type that the file's length no longer matches.
        {"SizeMismatch", VexlWith(Orv::Vexl::kCellTypeOffset, Orv::CellTypeCode::UInt32)},
        // No samples, as the header says.
        {"ZeroWidth", VexlWith(Orv::Vexl::kWidthOffset, 0, kHeaderOnly)},
        {"ZeroBands", VexlWith(Orv::Vexl::kBandCountOffset, 0, kHeaderOnly)},
        // Sizes whose product wraps around to the true length of the samples.
        {"SizeOverflow", VexlWith(Orv::Vexl::kWidthOffset, 2147549185,
                                  VexlWith(Orv::Vexl::kHeightOffset, 4294836226,
                                           VexlWith(Orv::Vexl::kBandCountOffset, 2)))},
        {"OtherExtension", Renamed(kGoodVexl, "a.tif")},
        {"NoExtension", Renamed(kGoodVexl, "a")},
        {"Missing", Written("missing.vexl", [](auto&) {})},
        {"Folder",
         Written("folder.vexl", [](auto& name) { std::filesystem::create_directory(name); })}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Jpeg2000, ReaderOutcomes,
    ::testing::ValuesIn(std::vector<ReaderCase>{
        {"Jp2", Jp2("a.jp2"), kJp2Rgb},
        {"UpperCaseJp2", Renamed(Jp2("a.jp2"), "A.JP2"), kJp2Rgb},
        {"Jph", Renamed(Jp2("a.jp2"), "a.jph"), kJp2Rgb},
        {"UpperCaseJ2c", Renamed(Jp2("a.j2k"), "a.J2C"), kJp2Rgb},
        {"Jhc", Renamed(Jp2("a.j2k"), "a.jhc"), kJp2Rgb},
        {"Empty", Edited(Jp2("a.jp2"), [](auto& bytes) { bytes.clear(); })},
        {"Truncated", Edited(Jp2("a.jp2"), [](auto& bytes) { bytes.pop_back(); })},
        {"TruncatedCodestream", Edited(Jp2("a.j2k"), [](auto& bytes) { bytes.pop_back(); })},
        {"WrongSignature", Edited(Jp2("a.jp2"), [](auto& bytes) { bytes[4] = 'X'; })},
        {"BoxLongerThanFile", Edited(Jp2("a.jp2"), [](auto& bytes) { bytes[12] = '\x7F'; })},
        {"NoCodestreamBox",
         Edited(Jp2("a.jp2"), [](auto& bytes) { bytes.resize(bytes.find("jp2c") - 4); })},
        {"CodestreamNamedJp2", Renamed(Jp2("a.j2k"), "b.jp2")},
        {"BoxesNamedJ2k", Renamed(Jp2("a.jp2"), "b.j2k")},
        {"NoComponents",
         Edited(Jp2("a.j2k"),
                [](auto& bytes) { bytes[kComponentCount] = bytes[kComponentCount + 1] = '\0'; })},
        {"SubSampled",
         Edited(Jp2("a.j2k"), [](auto& bytes) { bytes[kSecondComponentSubSampling] = '\x02'; })},
        // Signed 8-bit samples beside unsigned ones.
        {"MixedSignedness",
         Edited(Jp2("a.j2k"), [](auto& bytes) { bytes[kSecondComponentSign] = '\x87'; })},
        // A last box of length 0 runs to the end of the file.
        {"CodestreamBoxToTheEnd",
         Edited(Jp2("a.jp2"),
                [](auto& bytes) { bytes.replace(bytes.find("jp2c") - 4, 4, 4, '\0'); }),
         kJp2Rgb}}),
    CaseName);

// 7 x 5 pixels, 3 bands; the sample of band b at (x, y) is 1000b + 10y + x.
TEST(VexlReader, ReadsAnyWindowOfAnyBandAndRefusesTilesOutsideTheImage) {
    TemporaryDirectory folder;
    std::vector<uint16_t> samples;
    for (int i = 0; i < 3 * 5 * 7; ++i) {
        samples.push_back(static_cast<uint16_t>(1000 * (i / 35) + 10 * (i / 7 % 5) + i % 7));
    }
    Orv::WriteVexlFile(folder.File("grid.vexl"), 7, 5, 3, samples);
    CVexlJp2SdkImageFileReader reader(folder.File("grid.vexl"));

    EXPECT_EQ(ReadBand(*reader.GetBand(2), MakeRegion(5, 3, 6, 4)),
              (std::vector<float>{2035, 2036, 2045, 2046}));
    EXPECT_EQ(ReadBand(*reader.GetBand(1), MakeRegion(2, 1, 4, 1)),
              (std::vector<float>{1012, 1013, 1014}));
    for (const CRegionPtr& tile : {MakeRegion(6, 4, 7, 4), MakeRegion(-1, 0, 0, 0),
                                   MakeRegion(0, 0, 0, 5), MakeRegion(3, 3, 2, 3)}) {
        EXPECT_EQ(Outcome([&] { ReadBand(*reader.GetBand(0), tile); }), "plain: Error setting view")
            << tile->x0 << "," << tile->y0 << ";" << tile->x1 << "," << tile->y1;
    }
}

} // namespace
