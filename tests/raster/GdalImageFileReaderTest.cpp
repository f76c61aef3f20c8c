#include "raster/GdalImageFileReader.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

// Sample types, band 2 of another type and failures to open are in
// ImageFileReaderTest.cpp.
namespace {

TEST(GdalReader, NamesEveryColourInterpretation) {
    TemporaryDirectory folder;
    RasterFixture raster{1, 1, GDT_Byte, {}, {}};
    for (int colour = GCI_Undefined; colour <= GCI_YCbCr_CrBand; ++colour) {
        raster.bands.push_back({0});
        raster.colours.push_back(static_cast<GDALColorInterp>(colour));
    }
    WriteGeoTiff(folder.File("colours.tif"), raster);
    CGdalImageFileReader reader(folder.File("colours.tif"));

    std::vector<std::string> names;
    for (int32_t band = 0; band < reader.GetBandCount(); ++band) {
        names.push_back(reader.GetBand(band)->GetName());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"GDAL undefined", "GDAL grayscale", "GDAL paletted",
                                               "GDAL red", "GDAL green", "GDAL blue", "GDAL alpha",
                                               "GDAL hue", "GDAL saturation", "GDAL lightness",
                                               "GDAL cyan", "GDAL magenta", "GDAL yellow",
                                               "GDAL black", "GDAL Y", "GDAL Cb", "GDAL Cr"}));
}

TEST(GdalReader, ReadsAClippedEdgeTileWithoutWritingPastItAndReportsAFailedRead) {
    TemporaryDirectory folder;
    const BandValues band = MakeBand(7, 5, [](int x, int y) { return x - 10 * y; });
    WriteGeoTiff(folder.File("edge.tif"), RasterFixture{7, 5, GDT_Int16, {band}, {}});
    CGdalImageFileReader reader(folder.File("edge.tif"));
    const float unwritten = 999.0f;
    std::vector<float> buffer(6 + 4, unwritten);

    reader.GetBand(0)->ReadRegion(MakeRegion(4, 3, 6, 4), buffer.data());

    EXPECT_EQ(buffer, (std::vector<float>{-26, -25, -24, -36, -35, -34, unwritten, unwritten,
                                          unwritten, unwritten}));
    EXPECT_EQ(Outcome([&] { ReadBand(*reader.GetBand(0), MakeRegion(6, 4, 7, 4)); }),
              "runtime_error: RasterIO failed for region 6,4;7,4");
    EXPECT_EQ(Outcome([&] { ReadBand(*reader.GetBand(0), MakeRegion(-1, 0, 0, 0)); }),
              "runtime_error: RasterIO failed for region -1,0;0,0");
    EXPECT_EQ(reader.GetBand(-1), nullptr);
    EXPECT_EQ(reader.GetBand(1), nullptr);
    EXPECT_EQ(reader.GetSourceReader(), &reader);
}

} // namespace
