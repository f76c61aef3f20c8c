#include "raster/GdalImageFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"
#include "raster/sdk/VexlWriter.h"
#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <cpl_string.h>
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <set>

// What the GDAL reader and the layer's reader make of small files: sizes,
// maximum, cell type, band names and the samples of a tile, or how they fail;
// then larger lossless and damaged JPEG 2000 files read by the layer.
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
// `tile`, the whole image when empty> | ..." with failures in place of the
// answers, and what is wrong with the band list or a read past the tile.
std::string Describe(const Opener& open, const std::string& fileName, CRegionPtr tile) {
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
    if (reader->GetBand(-1) || reader->GetBand(reader->GetBandCount()) ||
        reader->GetSourceReader() != reader.get()) {
        text += " | wrong band list or source";
    }
    const CRegionPtr region =
        tile ? tile : MakeRegion(0, 0, int32_t(size.width) - 1, int32_t(size.height) - 1);
    // A tile too large to hold gets a buffer of one sample: its read must fail
    // before writing anything.
    const int64_t pixels = region->Width() * region->Height();
    const auto count = static_cast<size_t>(pixels > 0 && pixels < (int64_t{1} << 24) ? pixels : 0);
    for (int32_t band = 0; band < reader->GetBandCount(); ++band) {
        std::vector<float> buffer(count + 1, 999.0f); // one sample more, to stay unwritten
        text += " | " + reader->GetBand(band)->GetName() + ": " + Outcome([&] {
                    reader->GetBand(band)->ReadRegion(region, buffer.data());
                    return std::vector<float>(buffer.begin(), buffer.end() - 1);
                });
        text += buffer.back() == 999.0f ? "" : " and past the tile";
    }
    // Failures name the file, which lies in a new folder each time.
    for (size_t at = text.find(fileName); at != std::string::npos; at = text.find(fileName, at)) {
        text.replace(at, fileName.size(), "<file>");
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

// 1 x 1 pixel, band n holds n and has colour interpretation n.
void WriteEveryColour(const std::string& fileName) {
    RasterFixture raster{1, 1, GDT_Byte, {}, {}};
    for (int colour = GCI_Undefined; colour <= GCI_YCbCr_CrBand; ++colour) {
        raster.bands.push_back({double(colour)});
        raster.colours.push_back(static_cast<GDALColorInterp>(colour));
    }
    WriteGeoTiff(fileName, raster);
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

// A FIFO nobody writes to: opening it for reading would wait for ever.
Maker Fifo(const char* name) {
    return Written(name, [](const std::string& fileName) { mkfifo(fileName.c_str(), 0600); });
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

// 7 x 5 pixels. The GeoTIFF's sample at (x, y) is x - 10y; the .vexl file
// has 3 bands, and its sample of band b is 1000b + 10y + x.
const Maker kTiff7x5 = Written("a.tif", [](const std::string& name) {
    WriteGeoTiff(name,
                 {7, 5, GDT_Int16, {MakeBand(7, 5, [](int x, int y) { return x - 10 * y; })}});
});
const Maker kVexl7x5 = Written("a.vexl", [](const std::string& name) {
    std::vector<uint16_t> samples;
    for (int i = 0; i < 3 * 5 * 7; ++i) {
        samples.push_back(static_cast<uint16_t>(1000 * (i / 35) + 10 * (i / 7 % 5) + i % 7));
    }
    Orv::WriteVexlFile(name, 7, 5, 3, samples);
});
// The fixed text first, then the band, the file, the tile and the view's reason.
std::string Refused(int band, const std::string& tile) {
    return " | JP2SDK: complete: Error setting view for band " + std::to_string(band) +
           " of <file> at tile " + tile + " with error the window does not lie inside the image";
}
std::string Vexl7x5Refused(const std::string& tile) {
    return "7x5 max 65535, UInt16" + Refused(0, tile) + Refused(1, tile) + Refused(2, tile);
}

const Maker kGoodVexl = Vexl<uint16_t>({1, 2, 3, 4});

// kGoodVexl, cut to its header when `headerOnly`, with header fields changed:
// magic, version, width and height take 4 bytes from offsets 0, 4, 8 and 12,
// band count and cell-type code 2 bytes from 16 and 18, all little-endian.
Maker VexlWith(std::vector<std::pair<size_t, uint32_t>> fields, bool headerOnly = false) {
    return Edited(kGoodVexl, [=](std::string& bytes) {
        bytes.resize(headerOnly ? 20 : bytes.size());
        for (const auto& [offset, value] : fields) {
            for (size_t i = 0; i < (offset < 16 ? 4u : 2u); ++i) {
                bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
            }
        }
    });
}

const std::string kSdkNotOpened = "complete: Unable to open file.";

struct ReaderCase {
    const char* name;
    Maker make;
    std::string expected = kSdkNotOpened;
    Opener open = Sdk;
    CRegionPtr tile = nullptr; // the whole image
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
    EXPECT_EQ(Describe(GetParam().open, fileName, GetParam().tile), GetParam().expected);
    EXPECT_EQ(OpenGdalDatasets(), openBefore) << "the reader left its dataset open";
}

std::string CaseName(const ::testing::TestParamInfo<ReaderCase>& info) {
    return info.param.name;
}

const std::string kGdalUnsupported = "complete: Unsuported data type";
const std::string kGdalNotOpened = "complete: Unable to open file ";
const std::string kSdkUnsupported = "complete: Not supported cell type";
const std::string kJp2Rgb =
    "2x2 max 255, UInt8 | JP2SDK: 0 1 2 3 | JP2SDK: 4 5 6 7 | JP2SDK: 8 9 10 11";
// Every box after the signature box in the 64-bit form: a length field of 1,
// the type, then the whole box's length in 8 bytes.
void ToXLBoxes(std::string& bytes) {
    const auto number = [&](size_t at, size_t count) {
        uint64_t value = 0;
        for (size_t i = 0; i < count; ++i) {
            value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
        }
        return value;
    };
    std::string boxes = bytes.substr(0, 12);
    for (size_t at = 12; at < bytes.size();) {
        const uint64_t declared = number(at, 4);
        const size_t length = declared == 0 ? bytes.size() - at : size_t(declared);
        std::string header("\0\0\0\1", 4);
        header += bytes.substr(at + 4, 4);
        for (int shift = 56; shift >= 0; shift -= 8) {
            header += static_cast<char>(((length + 8) >> shift) & 0xFF);
        }
        boxes += header + bytes.substr(at + 8, length - 8);
        at += length;
    }
    bytes = boxes;
}

// Offsets in a raw codestream: the image size marker segment follows the
// start marker; its component count at 40, then three bytes per component
// (precision, horizontal and vertical sub-sampling).
constexpr size_t kComponentCount = 40;
constexpr size_t kSecondComponentSign = 42 + 3;
constexpr size_t kSecondComponentSubSampling = 42 + 3 + 1;

INSTANTIATE_TEST_SUITE_P(
    Gdal, ReaderOutcomes,
    ::testing::ValuesIn(std::vector<ReaderCase>{
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
        {"Band2Of16Bits", Vrt({{GDT_Byte, {7, 255, 0, 128}}, {GDT_UInt16, {300, 65535, 2, 3}}}),
         "2x2 max 255, UInt8 | GDAL undefined: 7 255 0 128 | GDAL undefined: 300 65535 2 3", Gdal},
        {"EveryColour", Written("colours.tif", WriteEveryColour),
         "1x1 max 255, UInt8 | GDAL undefined: 0 | GDAL grayscale: 1 | GDAL paletted: 2 | "
         "GDAL red: 3 | GDAL green: 4 | GDAL blue: 5 | GDAL alpha: 6 | GDAL hue: 7 | "
         "GDAL saturation: 8 | GDAL lightness: 9 | GDAL cyan: 10 | GDAL magenta: 11 | "
         "GDAL yellow: 12 | GDAL black: 13 | GDAL Y: 14 | GDAL Cb: 15 | GDAL Cr: 16",
         Gdal},
        {"BandsBeyondFloat64",
         Vrt({{GDT_Byte, {1, 2, 3, 4}},
              {GDT_CInt16, {1, 2, 3, 4}},
              {GDT_CFloat64, {1, 2, 3, 4}},
              {GDT_Int64, {1, 2, 3, 4}}}),
         "2x2 max 255, UInt8 | GDAL undefined: 1 2 3 4 | GDAL undefined: detail: Unknown "
         "raster data type 8 | GDAL undefined: detail: Unknown raster data type 11 | GDAL "
         "undefined: detail: Unknown raster data type 13",
         Gdal},
        {"Band1BeyondFloat64", Vrt({{GDT_CInt32, {1, 2, 3, 4}}}), kGdalUnsupported, Gdal},
        {"NoBands", Written("two.gpkg", WriteTwoRasterGeoPackage),
         "no bands max 255, " + kGdalUnsupported, Gdal},
        // A clipped edge tile, and tiles reaching beyond the image.
        {"Tile", kTiff7x5, "7x5 max 32767, Int16 | GDAL grayscale: -26 -25 -24 -36 -35 -34", Gdal,
         MakeRegion(4, 3, 6, 4)},
        {"TileRightOfTheImage", kTiff7x5,
         "7x5 max 32767, Int16 | GDAL grayscale: detail: RasterIO failed for region 6,4;7,4", Gdal,
         MakeRegion(6, 4, 7, 4)},
        {"TileLeftOfTheImage", kTiff7x5,
         "7x5 max 32767, Int16 | GDAL grayscale: detail: RasterIO failed for region "
         "-1,0;0,0",
         Gdal, MakeRegion(-1, 0, 0, 0)},
        {"NotARaster", Written("a.txt", [](auto& name) { std::ofstream(name) << "text"; }),
         kGdalNotOpened, Gdal},
        {"Fifo", Fifo("a.tif"), kGdalNotOpened, Gdal}}),
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
         "2x2 max 127, UInt8 | JP2SDK: detail: Unknown cell type 4"},
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
        {"Tile", kVexl7x5,
         "7x5 max 65535, UInt16 | JP2SDK: 35 36 45 46 | JP2SDK: 1035 1036 1045 1046 | JP2SDK: "
         "2035 2036 2045 2046",
         Sdk, MakeRegion(5, 3, 6, 4)},
        {"RowTile", kVexl7x5,
         "7x5 max 65535, UInt16 | JP2SDK: 12 13 14 | JP2SDK: 1012 1013 1014 | JP2SDK: 2012 2013 "
         "2014",
         Sdk, MakeRegion(2, 1, 4, 1)},
        {"TileRightOfTheImage", kVexl7x5, Vexl7x5Refused("[6,4;7,4]"), Sdk, MakeRegion(6, 4, 7, 4)},
        {"TileLeftOfTheImage", kVexl7x5, Vexl7x5Refused("[-1,0;0,0]"), Sdk,
         MakeRegion(-1, 0, 0, 0)},
        {"TileBelowTheImage", kVexl7x5, Vexl7x5Refused("[0,0;0,5]"), Sdk, MakeRegion(0, 0, 0, 5)},
        {"EmptyTile", kVexl7x5, Vexl7x5Refused("[3,3;2,3]"), Sdk, MakeRegion(3, 3, 2, 3)},
        {"UpperCaseName", Renamed(kGoodVexl, "A.VEXL"), "2x2 max 65535, UInt16 | JP2SDK: 1 2 3 4"},
        {"Empty", Edited(kGoodVexl, [](auto& bytes) { bytes.clear(); })},
        {"HeaderCut", Edited(kGoodVexl, [](auto& bytes) { bytes.resize(10); })},
        {"LastSampleCut", Edited(kGoodVexl, [](auto& bytes) { bytes.pop_back(); })},
        {"ByteAppended", Edited(kGoodVexl, [](auto& bytes) { bytes.push_back('\0'); })},
        {"WrongMagic", Edited(kGoodVexl, [](auto& bytes) { bytes[0] = 'W'; })},
        {"OtherVersion", VexlWith({{4, 2}})},
        {"UnusedCode3", VexlWith({{18, 3}})},
        {"UnusedCode7", VexlWith({{18, 7}})},
        {"UnknownCode10", VexlWith({{18, 10}})},
        // 32-bit samples, which the file's length no longer matches.
        {"SizeMismatch", VexlWith({{18, 2}})},
        // No samples, as the header says.
        {"ZeroWidth", VexlWith({{8, 0}}, true)},
        {"ZeroBands", VexlWith({{16, 0}}, true)},
        // Sizes whose product wraps around to the true length of the samples.
        {"SizeOverflow", VexlWith({{8, 2147549185}, {12, 4294836226}, {16, 2}})},
        {"OtherExtension", Renamed(kGoodVexl, "a.tif")},
        {"Missing", Written("missing.vexl", [](auto&) {})},
        {"Folder",
         Written("folder.vexl", [](auto& name) { std::filesystem::create_directory(name); })},
        {"Fifo", Fifo("a.vexl")},
        // 2^32 x 2^29 samples of 8 bytes: a byte count of 2^64 wraps to 0.
        {"TileBeyondMemory", Vexl<double>({0.5, 1, 2, 3}),
         "2x2 max " + kSdkUnsupported + ", " + kSdkUnsupported +
             " | JP2SDK: detail: Tile [-2147483648,0;2147483647,536870911] of "
             "4294967296x536870912 pixels cannot be held in memory",
         Sdk, MakeRegion(std::numeric_limits<int32_t>::min(), 0, 2147483647, 536870911)}}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Jpeg2000, ReaderOutcomes,
    ::testing::ValuesIn(std::vector<ReaderCase>{
        {"Jp2", Jp2("a.jp2"), kJp2Rgb},
        {"Fifo", Fifo("a.j2k")},
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
        // 256 x 255 tiles of one pixel cannot fit in a codestream this short.
        {"MoreTilesThanBytes", Edited(Jp2("a.j2k"),
                                      [](auto& bytes) {
                                          bytes.replace(8, 8, std::string("\0\0\1\0\0\0\0\xFF", 8));
                                          bytes.replace(24, 8, std::string("\0\0\0\1\0\0\0\1", 8));
                                      })},
        // A last box of length 0 runs to the end of the file.
        {"XLBoxes", Edited(Jp2("a.jp2"), ToXLBoxes), kJp2Rgb},
        {"CodestreamBoxToTheEnd",
         Edited(Jp2("a.jp2"),
                [](auto& bytes) { bytes.replace(bytes.find("jp2c") - 4, 4, 4, '\0'); }),
         kJp2Rgb}}),
    CaseName);

constexpr int kWidth = 150;
constexpr int kHeight = 110;
constexpr int kWindowSize = 40; // windows cross the 64-pixel tiles and clip at the edges

// Samples that use the type's whole range, differ between bands and vary
// from pixel to pixel, so that a wrong band, window or sign shows.
BandValues BandSamples(GDALDataType type, int band) {
    return MakeBand(kWidth, kHeight, [type, band](int x, int y) {
        const int pattern = (x * 7 + y * 13 + band * 61 + (x * y) % 17) % 256;
        return type == GDT_UInt16  ? pattern * 257.0
               : type == GDT_Int16 ? pattern * 256.0 - 32768.0 + band
                                   : double(pattern);
    });
}

std::string WriteLossless(const TemporaryDirectory& folder, const std::string& name,
                          GDALDataType type, int bandCount, bool colourTransform) {
    RasterFixture raster{kWidth, kHeight, type, {}, {}};
    for (int band = 0; band < bandCount; ++band) {
        raster.bands.push_back(BandSamples(type, band));
    }
    WriteJpeg2000(folder.File(name), raster, LosslessJpeg2000Options(colourTransform, 64));
    return folder.File(name);
}

TEST(LosslessJpeg2000, ReadsWhatWasWrittenWindowByWindow) {
    struct Case {
        const char* fileName;
        GDALDataType type;
        int bandCount;
        bool colourTransform;
    };
    const std::vector<Case> cases = {
        {"rgb-ycc.jp2", GDT_Byte, 3, true},    {"rgb.jp2", GDT_Byte, 3, false},
        {"rgba-ycc.jp2", GDT_Byte, 4, true},   {"rgb-ycc.j2k", GDT_Byte, 3, true},
        {"grey16.jp2", GDT_UInt16, 1, false},  {"rgb16-ycc.jp2", GDT_UInt16, 3, true},
        {"signed16.jp2", GDT_Int16, 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        TemporaryDirectory folder;
        const std::string fileName =
            WriteLossless(folder, c.fileName, c.type, c.bandCount, c.colourTransform);
        CVexlJp2SdkImageFileReader sdk(fileName);
        CGdalImageFileReader gdal(fileName); // the reference for maximum and cell type
        ASSERT_EQ(sdk.GetBandCount(), c.bandCount);
        EXPECT_EQ(sdk.GetImageSize().width, uint32_t{kWidth});
        EXPECT_EQ(sdk.GetImageSize().height, uint32_t{kHeight});
        EXPECT_EQ(sdk.GetMaxBandValue(), gdal.GetMaxBandValue());
        EXPECT_EQ(sdk.GetCellType(), gdal.GetCellType());
        bool reverse = false;
        for (int y = 0; y < kHeight; y += kWindowSize) {
            for (int x = 0; x < kWidth; x += kWindowSize) {
                const int x1 = std::min(x + kWindowSize, kWidth) - 1;
                const int y1 = std::min(y + kWindowSize, kHeight) - 1;
                // Every other window reads its bands last to first: with the
                // colour transform the bands after the first come from the
                // window decoded first.
                reverse = !reverse;
                for (int32_t i = 0; i < c.bandCount; ++i) {
                    const int32_t band = reverse ? c.bandCount - 1 - i : i;
                    const BandValues written = BandSamples(c.type, band);
                    std::vector<float> expected;
                    for (int row = y; row <= y1; ++row) {
                        expected.insert(expected.end(), written.begin() + row * kWidth + x,
                                        written.begin() + row * kWidth + x1 + 1);
                    }
                    ASSERT_EQ(ReadBand(*sdk.GetBand(band), MakeRegion(x, y, x1, y1)), expected)
                        << "band " << band << " window " << x << "," << y;
                }
            }
        }
    }
}

// Damages, one at a time, every byte of the main header and of the first
// tile-part headers, where lengths and indices steer the decoder, and a
// sample of the coded data. The image width and height (bytes 8 to 15) are
// left alone: a changed size is a valid, only much larger image.
TEST(DamagedJpeg2000, FailsOnlyWithTheLayersMessages) {
    TemporaryDirectory folder;
    std::ifstream file(WriteLossless(folder, "good.j2k", GDT_Byte, 3, true), std::ios::binary);
    const std::string good(std::istreambuf_iterator<char>(file), {});
    std::vector<size_t> positions;
    const size_t firstTilePart = good.find("\xFF\x90");
    for (size_t position = 2; position < firstTilePart; ++position) {
        if (position < 8 || position >= 16) {
            positions.push_back(position);
        }
    }
    for (size_t tilePart = firstTilePart, count = 0; count < 3 && tilePart != std::string::npos;
         ++count, tilePart = good.find("\xFF\x90", tilePart + 2)) {
        for (size_t position = tilePart + 2; position < tilePart + 12; ++position) {
            positions.push_back(position);
        }
    }
    for (size_t position = firstTilePart + 12; position + 2 < good.size(); position += 1999) {
        positions.push_back(position);
    }

    std::set<std::string> outcomes;
    for (const size_t position : positions) {
        std::string bytes = good;
        bytes[position] = static_cast<char>(~bytes[position]);
        std::ofstream(folder.File("damaged.j2k"), std::ios::binary | std::ios::trunc) << bytes;
        const std::string outcome = Outcome([&] {
            CVexlJp2SdkImageFileReader reader(folder.File("damaged.j2k"));
            for (int32_t band = 0; band < reader.GetBandCount(); ++band) {
                ReadBand(*reader.GetBand(band), MakeRegion(0, 0, kWidth - 1, kHeight - 1));
            }
        });
        // A failed read names its band, file and tile after the fixed text.
        const size_t band = outcome.find(" for band ");
        EXPECT_TRUE(band == std::string::npos ||
                    outcome.find(" of " + folder.File("damaged.j2k") + " at tile ", band) !=
                        std::string::npos)
            << outcome;
        outcomes.insert(outcome.substr(0, band));
    }
    // Refused at opening, refused when read, or read: every way must have been
    // taken, or the test proves little.
    EXPECT_EQ(outcomes, (std::set<std::string>{"", "complete: Error setting view",
                                               "complete: Unable to open file."}));
}

} // namespace

// GDAL's block cache is sized from one row of blocks across the image, over
// all bands, in each band's own sample size; the part block at the right
// edge counts whole, as GDAL caches it whole.
TEST(GdalBlockRow, CountsWholeBlocksOfEveryBand) {
    struct Case {
        GDALDataType type;
        int bandCount;
        std::vector<std::string> options;
        size_t bytes;
    };
    const std::vector<Case> cases = {
        {GDT_Byte, 3, {"TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=32"}, 10 * 16 * 32 * 3},
        {GDT_UInt16, 2, {"TILED=YES", "BLOCKXSIZE=64", "BLOCKYSIZE=16"}, 3 * 64 * 16 * 2 * 2},
        {GDT_Int32, 1, {"BLOCKYSIZE=5"}, kWidth * 5 * 4},
    };
    for (const Case& c : cases) {
        TemporaryDirectory folder;
        RasterFixture raster{kWidth, kHeight, c.type, {}, {}};
        for (int band = 0; band < c.bandCount; ++band) {
            raster.bands.push_back(BandSamples(c.type, band));
        }
        WriteGeoTiff(folder.File("blocks.tif"), raster, c.options);
        EXPECT_EQ(CGdalImageFileReader(folder.File("blocks.tif")).BlockRowBytes(), c.bytes)
            << c.options.back();
    }
}
