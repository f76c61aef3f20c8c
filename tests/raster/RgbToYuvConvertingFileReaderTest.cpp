#include "raster/RgbToYuvConvertingFileReader.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/FakeImageFileReader.h"

#include <gtest/gtest.h>

namespace {

constexpr int32_t kWidth = 3;
constexpr int32_t kHeight = 2;
const CRegionPtr kImage = MakeRegion(0, 0, kWidth - 1, kHeight - 1);

// A source of `bandCount` bands whose pixels are white, pure red and four
// mixed colours; bands after the third hold zeros.
CFakeImageFileReader* Source(int32_t bandCount = 3, float maxBandValue = 255.0f) {
    static const std::vector<float> kRgb[] = {
        {255, 255, 3, 128, 77, 201}, {255, 0, 254, 64, 190, 33}, {255, 0, 12, 255, 0, 97}};
    auto* source = new CFakeImageFileReader(kWidth, kHeight, maxBandValue);
    for (int32_t band = 0; band < bandCount; ++band) {
        source->AddBand(band < 3 ? kRgb[band] : std::vector<float>(kWidth * kHeight, 0));
    }
    return source;
}

// Computed in 32-bit floats in the written order, without offset or clamping:
// white is Y 255 with no colour, pure red Y 76.245, U -37.485, V 156.825.
const std::string kY = "255 76.2449951 151.363007 104.909996 134.552994 90.5279999";
const std::string kU = "0 -37.4850006 -68.6149979 73.8679962 -66.2290039 3.20800018";
const std::string kV = "0 156.824997 -130.164993 20.2600021 -50.4949989 96.9200134";

TEST(RgbToYuvConversion, ComputesEveryPixelOfYUAndV) {
    CRgbToYuvConvertingFileReader reader(Source(), false);
    Orv::CMutex mutex;
    const char* const names[] = {"converted to Y", "converted to U", "converted to V"};
    const std::string expected[] = {kY, kU, kV};
    for (int32_t component = 0; component < 3; ++component) {
        CRgbToYuvConvertingBand band(&mutex, &reader, component);
        EXPECT_EQ(band.GetName(), names[component]);
        EXPECT_EQ(Text(ReadBand(band, kImage)), expected[component]) << names[component];
    }
    for (const int32_t component : {3, -1}) {
        EXPECT_EQ(Outcome([&] { CRgbToYuvConvertingBand(&mutex, &reader, component).GetName(); }),
                  "runtime_error: Unknown converted band " + std::to_string(component) +
                      " must be 0, 1, or 2 for YUV");
    }
}

// The -yuvY reader (luma alone) reports 255 even for 16-bit data.
TEST(RgbToYuvReader, ExposesRgbAndLumaOrLumaAloneOfThreeOrFourBands) {
    for (const int32_t bandCount : {3, 4}) {
        auto* source = Source(bandCount, 65535.0f);
        source->SetCellType(CellType::UInt16);
        if (bandCount == 4) {
            source->Band(3).failReads = true; // alpha is never read
        }
        CRgbToYuvConvertingFileReader withRgb(source, true);
        ASSERT_EQ(withRgb.GetBandCount(), 4) << bandCount << " source bands";
        for (int32_t band = 0; band < 3; ++band) {
            EXPECT_EQ(withRgb.GetBand(band), source->GetBand(band));
        }
        EXPECT_EQ(withRgb.GetBand(3)->GetName(), "converted to Y");
        EXPECT_EQ(withRgb.GetBand(4), nullptr);
        EXPECT_EQ(Text(ReadBand(*withRgb.GetBand(3), kImage)), kY);
        EXPECT_EQ(withRgb.GetMaxBandValue(), 65535.0f);
        EXPECT_EQ(withRgb.GetSourceReader(), source);

        CRgbToYuvConvertingFileReader lumaOnly(Source(bandCount, 65535.0f), false);
        ASSERT_EQ(lumaOnly.GetBandCount(), 1);
        EXPECT_EQ(lumaOnly.GetBand(0)->GetName(), "converted to Y");
        EXPECT_EQ(lumaOnly.GetMaxBandValue(), 255.0f);
        for (CRgbToYuvConvertingFileReader* reader : {&withRgb, &lumaOnly}) {
            EXPECT_EQ(reader->GetCellType(), CellType::UInt8);
            EXPECT_EQ(reader->GetImageSize().width, 3u);
            EXPECT_EQ(reader->GetImageSize().height, 2u);
        }
    }
}

TEST(RgbToYuvReader, RefusesSourcesWithoutThreeOrFourBands) {
    EXPECT_EQ(Outcome([] { CRgbToYuvConvertingFileReader(nullptr, true); }),
              "plain: Unable to get band count from underlying file reader");
    for (const int32_t bandCount : {0, 1, 2, 5}) {
        EXPECT_EQ(Outcome([&] { CRgbToYuvConvertingFileReader(Source(bandCount), true); }),
                  "plain: To convert RGB to YUV, underlying file reader must have 3 (RGB) or 4 "
                  "bands (RGBA)")
            << bandCount << " bands";
    }
}

TEST(RgbToYuvReader, ConvertsEachTileObjectOnceWhateverItsBounds) {
    auto* source = Source();
    CRgbToYuvConvertingFileReader reader(source, true);
    Orv::CMutex mutex;
    CRgbToYuvConvertingBand uBand(&mutex, &reader, 1);
    const CRegionPtr tile = MakeRegion(0, 0, 1, 1);

    ReadBand(*reader.GetBand(3), tile);
    ReadBand(*reader.GetBand(3), tile);
    ReadBand(uBand, tile);
    EXPECT_EQ(source->Band(0).readCount, 1);

    ReadBand(*reader.GetBand(3), MakeRegion(0, 0, 1, 1)); // same bounds, another tile object
    for (int32_t band = 0; band < 3; ++band) {
        EXPECT_EQ(source->Band(band).readCount, 2) << "band " << band;
    }
}

TEST(RgbToYuvReader, ReportsFailedSourcesFreesTheirBuffersAndKeepsNothing) {
    auto* source = Source();
    CRgbToYuvConvertingFileReader reader(source, false);
    ReadBand(*reader.GetBand(0), kImage);
    source->Band(1).failReads = true;
    EXPECT_EQ(Outcome([&] { ReadBand(*reader.GetBand(0), MakeRegion(0, 0, 2, 1)); }),
              "plain: Unable to get data from undelying band");
    for (int32_t band = 0; band < 3; ++band) {
        EXPECT_EQ(source->Band(band).outstandingBuffers, 0) << "band " << band;
    }
    source->Band(1).failReads = false;
    EXPECT_EQ(Text(ReadBand(*reader.GetBand(0), kImage)), kY);
    EXPECT_EQ(source->Band(0).readCount, 3) << "the tile converted before must be converted anew";

    for (int32_t missing = 0; missing < 3; ++missing) {
        auto* partial = new CFakeImageFileReader(kWidth, kHeight);
        for (int32_t band = 0; band < 3; ++band) {
            band == missing ? partial->AddMissingBand()
                            : void(partial->AddBand({1, 1, 1, 1, 1, 1}));
        }
        CRgbToYuvConvertingFileReader broken(partial, false);
        EXPECT_EQ(Outcome([&] { ReadBand(*broken.GetBand(0), kImage); }),
                  std::string("plain: Unable to get underlying ") + "RGB"[missing] + " band");
    }
}

} // namespace
