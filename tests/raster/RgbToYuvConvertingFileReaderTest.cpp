#include "raster/RgbToYuvConvertingFileReader.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/FakeImageFileReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace {

constexpr int32_t kWidth = 3;
constexpr int32_t kHeight = 2;
const CRegionPtr kImage = MakeRegion(0, 0, kWidth - 1, kHeight - 1);

// A 16-bit source of `bandCount` bands whose pixels are white, pure red and
// four mixed colours; a fourth band (alpha) fails every read, later ones hold
// zeros.
std::unique_ptr<CFakeImageFileReader> Source(int32_t bandCount = 3) {
    static const std::vector<float> kRgb[] = {
        {255, 255, 3, 128, 77, 201}, {255, 0, 254, 64, 190, 33}, {255, 0, 12, 255, 0, 97}};
    auto source = std::make_unique<CFakeImageFileReader>(kWidth, kHeight, 65535.0f);
    source->SetCellType(CellType::UInt16);
    for (int32_t band = 0; band < bandCount; ++band) {
        source->AddBand(band < 3 ? kRgb[band] : std::vector<float>(kWidth * kHeight, 0),
                        std::string(1, "RGBA?"[std::min(band, 4)]));
    }
    if (bandCount > 3) {
        source->Band(3).failReads = true;
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
    const std::vector<std::string> expected = {"converted to Y: " + kY, "converted to U: " + kU,
                                               "converted to V: " + kV};
    for (int32_t component = 0; component < 3; ++component) {
        CRgbToYuvConvertingBand band(&reader, component);
        EXPECT_EQ(band.GetName() + ": " + Text(ReadBand(band, kImage)), expected[component]);
    }
    for (const int32_t component : {3, -1}) {
        EXPECT_EQ(Outcome([&] { CRgbToYuvConvertingBand(&reader, component).GetName(); }),
                  "detail: Unknown converted band " + std::to_string(component) +
                      " must be 0, 1, or 2 for YUV");
    }
}

// Size, maximum and cell type, the bands' names (R, G and B must be the
// source's own bands) and the samples of the last band.
std::string Describe(CImageFileReader& reader, CImageFileReader& source) {
    const ImageSize size = reader.GetImageSize();
    std::string text = std::to_string(size.width) + "x" + std::to_string(size.height) + " max " +
                       Text(reader.GetMaxBandValue()) + ", " + Text(reader.GetCellType()) + " |";
    const int32_t count = reader.GetBandCount();
    for (int32_t band = 0; band < count; ++band) {
        const bool borrowed = reader.GetBand(band) == source.GetBand(band);
        text += " " + reader.GetBand(band)->GetName() + (borrowed || band == count - 1 ? "" : "?");
    }
    if (reader.GetBand(count) != nullptr || reader.GetSourceReader() != &source) {
        text += " | wrong band list or source";
    }
    return text + ": " + Text(ReadBand(*reader.GetBand(count - 1), kImage));
}

// The luma-only reader reports 255 even for 16-bit data.
TEST(RgbToYuvReader, ExposesRgbAndLumaOrLumaAloneOfThreeOrFourBands) {
    const std::string wrongCount = "complete: To convert RGB to YUV, underlying file reader must "
                                   "have 3 (RGB) or 4 bands (RGBA)";
    const std::string withRgb = "3x2 max 65535, UInt8 | R G B converted to Y: " + kY;
    const std::string lumaOnly = "3x2 max 255, UInt8 | converted to Y: " + kY;
    const std::vector<std::tuple<int32_t, bool, std::string>> cases = {
        {3, true, withRgb},    {4, true, withRgb},     {3, false, lumaOnly},  {4, false, lumaOnly},
        {0, true, wrongCount}, {1, false, wrongCount}, {2, true, wrongCount}, {5, true, wrongCount},
    };
    for (const auto& [bandCount, keepRgb, expected] : cases) {
        std::unique_ptr<CFakeImageFileReader> owned = Source(bandCount);
        CFakeImageFileReader* source = owned.get();
        EXPECT_EQ(Outcome([&] {
                      CRgbToYuvConvertingFileReader reader(std::move(owned), keepRgb);
                      return Describe(reader, *source);
                  }),
                  expected)
            << bandCount << " source bands";
    }
    EXPECT_EQ(Outcome([] { CRgbToYuvConvertingFileReader(nullptr, true); }),
              "complete: Unable to get band count from underlying file reader");
}

// A band-set read of R, G, B and Y reads each source band once and computes Y
// from them; Y alone reads the source once more for itself.
TEST(RgbToYuvReader, ReadsTheSourceOncePerBandSet) {
    std::unique_ptr<CFakeImageFileReader> owned = Source();
    CFakeImageFileReader* source = owned.get();
    CRgbToYuvConvertingFileReader reader(std::move(owned), true);
    std::vector<std::vector<float>> planes(4, std::vector<float>(kWidth * kHeight));
    std::vector<BandRead> reads;
    for (int32_t band = 3; band >= 0; --band) { // any order of the set
        reads.push_back(BandRead{band, planes[static_cast<size_t>(band)].data()});
    }
    reader.ReadBands(kImage, reads);
    EXPECT_EQ(Text(planes[3]), kY);
    EXPECT_EQ(Text(planes[0]), "255 255 3 128 77 201");
    for (int32_t band = 0; band < 3; ++band) {
        EXPECT_EQ(source->Band(band).readCount, 1) << "band " << band;
    }
    EXPECT_TRUE(std::all_of(reads.begin(), reads.end(), [](const BandRead& r) { return r.done; }));
    ReadBand(*reader.GetBand(3), kImage);
    EXPECT_EQ(source->Band(2).readCount, 2);
}

TEST(RgbToYuvReader, ReportsFailedSourcesFreesTheirBuffersAndKeepsNothing) {
    std::unique_ptr<CFakeImageFileReader> owned = Source();
    CFakeImageFileReader* source = owned.get();
    CRgbToYuvConvertingFileReader reader(std::move(owned), false);
    ReadBand(*reader.GetBand(0), kImage);
    source->Band(1).failReads = true;
    EXPECT_EQ(Outcome([&] { ReadBand(*reader.GetBand(0), MakeRegion(0, 0, 2, 1)); }),
              "complete: Unable to get data from undelying band");
    for (int32_t band = 0; band < 3; ++band) {
        EXPECT_EQ(source->Band(band).outstandingBuffers, 0) << "band " << band;
    }
    source->Band(1).failReads = false;
    // 2^31 samples, one more than the source bands can count: the read is
    // refused before anything is allocated or written.
    float unwritten = 0;
    EXPECT_EQ(
        Outcome([&] { reader.GetBand(0)->ReadRegion(MakeRegion(0, 0, 65535, 32767), &unwritten); }),
        "detail: Tile [0,0;65535,32767] of 65536x32768 pixels cannot be held in "
        "memory");
    EXPECT_EQ(Text(ReadBand(*reader.GetBand(0), kImage)), kY);
    EXPECT_EQ(source->Band(0).readCount, 3) << "the tile converted before must be converted anew";

    for (int32_t missing = 0; missing < 3; ++missing) {
        auto partial = std::make_unique<CFakeImageFileReader>(kWidth, kHeight);
        for (int32_t band = 0; band < 3; ++band) {
            band == missing ? partial->AddMissingBand()
                            : void(partial->AddBand({1, 1, 1, 1, 1, 1}));
        }
        CRgbToYuvConvertingFileReader broken(std::move(partial), false);
        EXPECT_EQ(Outcome([&] { ReadBand(*broken.GetBand(0), kImage); }),
                  std::string("complete: Unable to get underlying ") + "RGB"[missing] + " band");
    }
}

} // namespace
