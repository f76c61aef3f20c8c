#include "raster/RgbToYuvConvertingFileReader.h"

#include "raster/GdalImageFileReader.h"
#include "tests/support/FakeImageFileReader.h"
#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int32_t kWidth = 3;
constexpr int32_t kHeight = 2;

std::vector<float> Filled(float value) {
    return std::vector<float>(kWidth * kHeight, value);
}

// An RGB source of kWidth x kHeight whose every pixel is (red, green, blue).
CFakeImageFileReader* UniformSource(float red, float green, float blue) {
    auto* source = new CFakeImageFileReader(kWidth, kHeight);
    source->AddBand(Filled(red));
    source->AddBand(Filled(green));
    source->AddBand(Filled(blue));
    return source;
}

struct Yuv {
    float y;
    float u;
    float v;
};

// Y of the reader's own band, U and V through bands made for those components.
Yuv ConvertedPixel(CRgbToYuvConvertingFileReader& reader, const CRegionPtr& tile) {
    Orv::CMutex mutex;
    CRgbToYuvConvertingBand uBand(&mutex, &reader, 1);
    CRgbToYuvConvertingBand vBand(&mutex, &reader, 2);
    return Yuv{ReadBand(*reader.GetBand(reader.GetBandCount() - 1), tile)[0],
               ReadBand(uBand, tile)[0], ReadBand(vBand, tile)[0]};
}

TEST(RgbToYuvConversion, TurnsWhiteIntoFullLumaWithoutColour) {
    CRgbToYuvConvertingFileReader reader(UniformSource(255, 255, 255), false);
    const Yuv white = ConvertedPixel(reader, MakeRegion(0, 0, 0, 0));
    EXPECT_NEAR(white.y, 255.0f, 1e-4);
    EXPECT_NEAR(white.u, 0.0f, 1e-4);
    EXPECT_NEAR(white.v, 0.0f, 1e-4);
}

TEST(RgbToYuvConversion, TurnsPureRedIntoItsUnshiftedUnclampedComponents) {
    CRgbToYuvConvertingFileReader reader(UniformSource(255, 0, 0), false);
    const Yuv red = ConvertedPixel(reader, MakeRegion(1, 1, 1, 1));
    EXPECT_NEAR(red.y, 76.245f, 1e-4);
    EXPECT_NEAR(red.u, -37.485f, 1e-4);
    EXPECT_NEAR(red.v, 156.825f, 1e-4);
}

TEST(RgbToYuvConversion, ComputesInSinglePrecisionInTheWrittenOrder) {
    // Distinct samples in every pixel, so the tile's layout is checked too.
    const std::vector<float> red = {17, 250, 3, 128, 77, 201};
    const std::vector<float> green = {99, 1, 254, 64, 190, 33};
    const std::vector<float> blue = {200, 45, 12, 255, 0, 97};
    auto* source = new CFakeImageFileReader(kWidth, kHeight);
    source->AddBand(red);
    source->AddBand(green);
    source->AddBand(blue);
    CRgbToYuvConvertingFileReader reader(source, false);

    const std::vector<float> luma = ReadBand(*reader.GetBand(0), MakeRegion(1, 0, 2, 1));

    const size_t pixels[] = {1, 2, 4, 5};
    for (size_t i = 0; i < 4; ++i) {
        const float r = red[pixels[i]];
        const float g = green[pixels[i]];
        const float b = blue[pixels[i]];
        volatile float weightedRed = 0.299f * r;
        volatile float weightedGreen = 0.587f * g;
        volatile float redAndGreen = weightedRed + weightedGreen;
        volatile float weightedBlue = 0.114f * b;
        const float expected = redAndGreen + weightedBlue;
        EXPECT_EQ(std::memcmp(&luma[i], &expected, sizeof(float)), 0)
            << "pixel " << pixels[i] << ": " << luma[i] << " vs " << expected;
    }
}

TEST(RgbToYuvReader, ExposesRgbAndLumaOrLumaAlone) {
    for (const int32_t sourceBands : {3, 4}) {
        auto* source = UniformSource(1, 2, 3);
        if (sourceBands == 4) {
            source->AddBand(Filled(0)).failReads = true; // alpha is never read
        }
        std::vector<CBand*> sourceBandList = {source->GetBand(0), source->GetBand(1),
                                              source->GetBand(2)};
        CRgbToYuvConvertingFileReader withRgb(source, true);
        ASSERT_EQ(withRgb.GetBandCount(), 4) << sourceBands << " source bands";
        for (int32_t index = 0; index < 3; ++index) {
            EXPECT_EQ(withRgb.GetBand(index), sourceBandList[index]);
        }
        EXPECT_EQ(withRgb.GetBand(3)->GetName(), "converted to Y");
        EXPECT_EQ(withRgb.GetBand(4), nullptr);
        EXPECT_NO_THROW(ReadBand(*withRgb.GetBand(3), MakeRegion(0, 0, 2, 1)));

        CRgbToYuvConvertingFileReader lumaOnly(UniformSource(1, 2, 3), false);
        ASSERT_EQ(lumaOnly.GetBandCount(), 1);
        EXPECT_EQ(lumaOnly.GetBand(0)->GetName(), "converted to Y");
    }
}

TEST(RgbToYuvReader, RefusesSourcesWithoutThreeOrFourBands) {
    for (const int32_t sourceBands : {0, 1, 2, 5}) {
        auto* source = new CFakeImageFileReader(kWidth, kHeight);
        for (int32_t band = 0; band < sourceBands; ++band) {
            source->AddBand(Filled(0));
        }
        EXPECT_EQ(PlainMessageOf([&] { CRgbToYuvConvertingFileReader reader(source, true); }),
                  "To convert RGB to YUV, underlying file reader must have 3 (RGB) or 4 bands "
                  "(RGBA)")
            << sourceBands << " bands";
    }
}

class CBandCountFailingReader : public CFakeImageFileReader {
public:
    CBandCountFailingReader() : CFakeImageFileReader(1, 1) {}
    int32_t GetBandCount() override { throw std::runtime_error("no count"); }
};

TEST(RgbToYuvReader, ReportsASourceThatCannotCountItsBands) {
    EXPECT_EQ(PlainMessageOf([] {
                  CRgbToYuvConvertingFileReader reader(new CBandCountFailingReader(), false);
              }),
              "Unable to get band count from underlying file reader");
}

TEST(RgbToYuvReader, ConvertsEachTileObjectOnceWhateverItsBounds) {
    auto* source = UniformSource(10, 20, 30);
    CRgbToYuvConvertingFileReader reader(source, true);
    CBand& luma = *reader.GetBand(3);
    Orv::CMutex mutex;
    CRgbToYuvConvertingBand uBand(&mutex, &reader, 1);
    const CRegionPtr tile = MakeRegion(0, 0, 1, 1);

    ReadBand(luma, tile);
    ReadBand(luma, tile);
    ReadBand(uBand, tile);
    EXPECT_EQ(source->Band(0).readCount, 1);

    ReadBand(luma, MakeRegion(0, 0, 1, 1)); // same bounds, another tile object
    EXPECT_EQ(source->Band(0).readCount, 2);
    EXPECT_EQ(source->Band(1).readCount, 2);
    EXPECT_EQ(source->Band(2).readCount, 2);
}

TEST(RgbToYuvReader, ReportsAFailedSourceReadFreesItsBuffersAndKeepsNothing) {
    auto* source = UniformSource(10, 20, 30);
    CRgbToYuvConvertingFileReader reader(source, false);
    const CRegionPtr tile = MakeRegion(0, 0, 2, 1);
    source->Band(1).failReads = true;

    EXPECT_EQ(PlainMessageOf([&] { ReadBand(*reader.GetBand(0), tile); }),
              "Unable to get data from undelying band");
    for (int32_t band = 0; band < 3; ++band) {
        EXPECT_EQ(source->Band(band).outstandingBuffers, 0) << "band " << band;
    }

    source->Band(1).failReads = false;
    EXPECT_EQ(ReadBand(*reader.GetBand(0), tile)[0], (0.299f * 10 + 0.587f * 20) + 0.114f * 30);
    EXPECT_EQ(source->Band(0).readCount, 2) << "the same tile must be converted anew";
}

TEST(RgbToYuvReader, NamesTheMissingSourceBand) {
    const char* const messages[] = {"Unable to get underlying R band",
                                    "Unable to get underlying G band",
                                    "Unable to get underlying B band"};
    for (int32_t missing = 0; missing < 3; ++missing) {
        auto* source = new CFakeImageFileReader(kWidth, kHeight);
        for (int32_t band = 0; band < 3; ++band) {
            if (band == missing) {
                source->AddMissingBand();
            } else {
                source->AddBand(Filled(1));
            }
        }
        CRgbToYuvConvertingFileReader reader(source, false);
        EXPECT_EQ(PlainMessageOf([&] { ReadBand(*reader.GetBand(0), MakeRegion(0, 0, 0, 0)); }),
                  messages[missing]);
    }
}

TEST(RgbToYuvBand, NamesOnlyTheThreeComponents) {
    CRgbToYuvConvertingFileReader reader(UniformSource(1, 1, 1), false);
    EXPECT_EQ(CRgbToYuvConvertingBand(nullptr, &reader, 1).GetName(), "converted to U");
    EXPECT_EQ(CRgbToYuvConvertingBand(nullptr, &reader, 2).GetName(), "converted to V");
    for (const int32_t component : {3, -1}) {
        EXPECT_EQ(
            RuntimeErrorOf([&] { CRgbToYuvConvertingBand(nullptr, &reader, component).GetName(); }),
            "Unknown converted band " + std::to_string(component) + " must be 0, 1, or 2 for YUV");
    }
}

TEST(RgbToYuvReader, KeepsTheSourcesMaximumOnlyWithRgbAndIsAlwaysCellTypeOne) {
    RegisterGdalDriversOnce();
    TemporaryDirectory folder;
    const std::string fileName = folder.File("rgb16.tif");
    const BandValues band = MakeBand(4, 2, [](int x, int y) { return 1000 * x + y; });
    WriteGeoTiff(fileName, RasterFixture{4, 2, GDT_UInt16, {band, band, band}, {}});

    auto* source = new CGdalImageFileReader(fileName);
    CRgbToYuvConvertingFileReader withRgb(source, true);
    EXPECT_EQ(withRgb.GetMaxBandValue(), 65535.0f);
    EXPECT_EQ(withRgb.GetCellType(), CellType::UInt8);
    EXPECT_EQ(withRgb.GetSourceReader(), source);
    EXPECT_EQ(withRgb.GetImageSize().width, 4u);
    EXPECT_EQ(withRgb.GetImageSize().height, 2u);

    CRgbToYuvConvertingFileReader lumaOnly(new CGdalImageFileReader(fileName), false);
    EXPECT_EQ(lumaOnly.GetMaxBandValue(), 255.0f);
    EXPECT_EQ(lumaOnly.GetCellType(), CellType::UInt8);
    EXPECT_EQ(lumaOnly.GetBandCount(), 1);
}

} // namespace
