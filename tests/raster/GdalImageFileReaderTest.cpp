#include "raster/GdalImageFileReader.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <cpl_string.h>
#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace {

class GdalImageFileReaderTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterGdalDriversOnce(); }

    // A one-band 2 x 2 GeoTIFF of `type` holding `values`.
    std::string WriteSquare(GDALDataType type, const BandValues& values) {
        const std::string fileName = folder.File("square.tif");
        WriteGeoTiff(fileName, RasterFixture{2, 2, type, {values}, {}});
        return fileName;
    }

    TemporaryDirectory folder;
};

struct IntegerTypeCase {
    const char* name;
    GDALDataType type;
    BandValues written;
    std::vector<float> expected;
    float maxBandValue;
    CellType cellType;
};

class GdalIntegerTypes : public GdalImageFileReaderTest,
                         public ::testing::WithParamInterface<IntegerTypeCase> {};

TEST_P(GdalIntegerTypes, ReportMaximumAndCellTypeAndConvertEverySample) {
    const IntegerTypeCase& type = GetParam();
    CGdalImageFileReader reader(WriteSquare(type.type, type.written));

    EXPECT_EQ(reader.GetMaxBandValue(), type.maxBandValue);
    EXPECT_EQ(reader.GetCellType(), type.cellType);
    EXPECT_EQ(ReadBand(*reader.GetBand(0), MakeRegion(0, 0, 1, 1)), type.expected);
}

INSTANTIATE_TEST_SUITE_P(
    AllIntegerTypes, GdalIntegerTypes,
    ::testing::Values(
        IntegerTypeCase{
            "Byte", GDT_Byte, {0, 1, 128, 255}, {0, 1, 128, 255}, 255.0f, CellType::UInt8},
        IntegerTypeCase{"UInt16",
                        GDT_UInt16,
                        {0, 1, 40000, 65535},
                        {0, 1, 40000, 65535},
                        65535.0f,
                        CellType::UInt16},
        IntegerTypeCase{"Int16",
                        GDT_Int16,
                        {-32768, -1, 0, 32767},
                        {-32768, -1, 0, 32767},
                        32767.0f,
                        CellType::Int16},
        // Beyond 2^24 floats have gaps: samples round to the nearest float.
        IntegerTypeCase{"UInt32",
                        GDT_UInt32,
                        {0, 16777217, 4294967040, 4294967295},
                        {0, 16777216, 4294967040, 4294967296.0f},
                        4294967296.0f,
                        CellType::UInt32},
        IntegerTypeCase{"Int32",
                        GDT_Int32,
                        {-2147483648.0, -1, 16777219, 2147483647},
                        {-2147483648.0f, -1, 16777220, 2147483648.0f},
                        2147483648.0f,
                        CellType::Int32}),
    [](const auto& info) { return std::string(info.param.name); });

class GdalFloatTypes : public GdalImageFileReaderTest,
                       public ::testing::WithParamInterface<GDALDataType> {};

TEST_P(GdalFloatTypes, AreRefusedAtConstruction) {
    const std::string fileName = WriteSquare(GetParam(), {0.5, 1, 2, 3});
    EXPECT_EQ(PlainMessageOf([&] { CGdalImageFileReader reader(fileName); }),
              "Unsuported data type");
}

INSTANTIATE_TEST_SUITE_P(Float32AndFloat64, GdalFloatTypes,
                         ::testing::Values(GDT_Float32, GDT_Float64));

TEST_F(GdalImageFileReaderTest, NamesEveryColourInterpretation) {
    const std::vector<std::string> expected = {
        "GDAL undefined", "GDAL grayscale", "GDAL paletted", "GDAL red",        "GDAL green",
        "GDAL blue",      "GDAL alpha",     "GDAL hue",      "GDAL saturation", "GDAL lightness",
        "GDAL cyan",      "GDAL magenta",   "GDAL yellow",   "GDAL black",      "GDAL Y",
        "GDAL Cb",        "GDAL Cr"};
    RasterFixture raster{1, 1, GDT_Byte, {}, {}};
    for (int interpretation = GCI_Undefined; interpretation <= GCI_YCbCr_CrBand; ++interpretation) {
        raster.bands.push_back({0});
        raster.colours.push_back(static_cast<GDALColorInterp>(interpretation));
    }
    const std::string fileName = folder.File("colours.tif");
    WriteGeoTiff(fileName, raster);

    CGdalImageFileReader reader(fileName);
    std::vector<std::string> names;
    for (int32_t band = 0; band < reader.GetBandCount(); ++band) {
        names.push_back(reader.GetBand(band)->GetName());
    }
    EXPECT_EQ(names, expected);
}

TEST_F(GdalImageFileReaderTest, ReadsAClippedEdgeTileWithoutWritingPastIt) {
    const std::string fileName = folder.File("edge.tif");
    WriteGeoTiff(
        fileName,
        RasterFixture{
            7, 5, GDT_Int16, {MakeBand(7, 5, [](int x, int y) { return x - 10 * y; })}, {}});
    CGdalImageFileReader reader(fileName);
    CBand& band = *reader.GetBand(0);
    const float sentinel = 999.0f;
    std::vector<float> buffer(6 + 4, sentinel);

    band.ReadRegion(MakeRegion(4, 3, 6, 4), buffer.data());

    EXPECT_EQ(buffer, (std::vector<float>{-26, -25, -24, -36, -35, -34, sentinel, sentinel,
                                          sentinel, sentinel}));
}

TEST_F(GdalImageFileReaderTest, TakesMaximumAndCellTypeFromBandOneButReadsEachBandInItsType) {
    const std::string fileName = folder.File("mixed.vrt");
    WriteMixedTypeVrt(fileName, 2, 1,
                      {VrtBand{GDT_Byte, {7, 255}}, VrtBand{GDT_UInt16, {300, 65535}}});
    CGdalImageFileReader reader(fileName);

    EXPECT_EQ(reader.GetMaxBandValue(), 255.0f);
    EXPECT_EQ(reader.GetCellType(), CellType::UInt8);
    EXPECT_EQ(ReadBand(*reader.GetBand(1), MakeRegion(0, 0, 1, 0)),
              (std::vector<float>{300, 65535}));
}

struct UnknownTypeCase {
    GDALDataType type;
    const char* message;
};

class GdalUnknownBandTypes : public GdalImageFileReaderTest,
                             public ::testing::WithParamInterface<UnknownTypeCase> {};

TEST_P(GdalUnknownBandTypes, FailTheReadWithTheTypeNumber) {
    const std::string fileName = folder.File("complex.vrt");
    WriteMixedTypeVrt(fileName, 1, 1, {VrtBand{GDT_Byte, {1}}, VrtBand{GetParam().type, {2}}});
    CGdalImageFileReader reader(fileName);

    EXPECT_EQ(RuntimeErrorOf([&] { ReadBand(*reader.GetBand(1), MakeRegion(0, 0, 0, 0)); }),
              GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    BeyondFloat64, GdalUnknownBandTypes,
    ::testing::Values(UnknownTypeCase{GDT_CInt16, "Unknown raster data type 8"},
                      UnknownTypeCase{GDT_CFloat64, "Unknown raster data type 11"},
                      UnknownTypeCase{GDT_Int64, "Unknown raster data type 13"}));

TEST_F(GdalImageFileReaderTest, RefusesBandOneOfAnUnknownType) {
    const std::string fileName = folder.File("complex-first.vrt");
    WriteMixedTypeVrt(fileName, 1, 1, {VrtBand{GDT_CInt32, {1}}});
    EXPECT_EQ(PlainMessageOf([&] { CGdalImageFileReader reader(fileName); }),
              "Unsuported data type");
}

TEST_F(GdalImageFileReaderTest, ReportsAFailedReadWithTheTile) {
    CGdalImageFileReader reader(WriteSquare(GDT_Byte, {1, 2, 3, 4}));
    EXPECT_EQ(RuntimeErrorOf([&] { ReadBand(*reader.GetBand(0), MakeRegion(1, 0, 2, 1)); }),
              "RasterIO failed for region 1,0;2,1");
    EXPECT_EQ(RuntimeErrorOf([&] { ReadBand(*reader.GetBand(0), MakeRegion(-1, 0, 0, 0)); }),
              "RasterIO failed for region -1,0;0,0");
}

TEST_F(GdalImageFileReaderTest, CannotOpenAMissingOrForeignFile) {
    const std::string text = folder.File("notes.txt");
    std::ofstream(text) << "not a raster\n";
    for (const std::string& fileName : {folder.File("missing.tif"), text}) {
        EXPECT_EQ(PlainMessageOf([&] { CGdalImageFileReader reader(fileName); }),
                  "Unable to open file ")
            << fileName;
    }
}

TEST_F(GdalImageFileReaderTest, AnswersTheInterfaceQuestions) {
    const std::string fileName = folder.File("rgb.tif");
    WriteGeoTiff(fileName, RasterFixture{5,
                                         3,
                                         GDT_Byte,
                                         {MakeBand(5, 3, [](int x, int) { return x; }),
                                          MakeBand(5, 3, [](int, int y) { return y; }),
                                          MakeBand(5, 3, [](int x, int y) { return x * y; })},
                                         {}});
    CGdalImageFileReader reader(fileName);

    EXPECT_EQ(reader.GetBandCount(), 3);
    EXPECT_EQ(reader.GetImageSize().width, 5u);
    EXPECT_EQ(reader.GetImageSize().height, 3u);
    EXPECT_EQ(reader.GetSourceReader(), &reader);
    EXPECT_EQ(reader.GetBand(-1), nullptr);
    EXPECT_EQ(reader.GetBand(3), nullptr);
    EXPECT_EQ(ReadBand(*reader.GetBand(2), MakeRegion(4, 2, 4, 2)), std::vector<float>{8});
}

// GDAL opens a container of two rasters as a dataset without bands of its
// own, listing the two as subdatasets.
void WriteTwoRasterGeoPackage(const std::string& fileName) {
    GDALDriver* memory = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDriver* geoPackage = GetGDALDriverManager()->GetDriverByName("GPKG");
    GDALDataset* source = memory->Create("", 4, 4, 1, GDT_Byte, nullptr);
    double transform[6] = {0, 1, 0, 0, 0, -1};
    source->SetGeoTransform(transform);
    for (const char* options : {"RASTER_TABLE=a", "RASTER_TABLE=b,APPEND_SUBDATASET=YES"}) {
        CPLStringList optionList(CSLTokenizeString2(options, ",", 0));
        GDALClose(geoPackage->CreateCopy(fileName.c_str(), source, FALSE, optionList.List(),
                                         nullptr, nullptr));
    }
    GDALClose(source);
}

TEST_F(GdalImageFileReaderTest, OpensAFileWithoutBands) {
    const std::string fileName = folder.File("two.gpkg");
    WriteTwoRasterGeoPackage(fileName);
    CGdalImageFileReader reader(fileName);

    EXPECT_EQ(reader.GetBandCount(), 0);
    EXPECT_EQ(reader.GetMaxBandValue(), 255.0f);
    EXPECT_EQ(PlainMessageOf([&] { reader.GetCellType(); }), "Unsuported data type");
}

} // namespace
