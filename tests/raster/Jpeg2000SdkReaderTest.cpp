#include "raster/GdalImageFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"
#include "raster/sdk/Config.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

constexpr int kWidth = 150;
constexpr int kHeight = 110;
constexpr int kTileSize = 64;
constexpr int kWindowSize = 40; // windows cross tile borders and clip at the edges

struct LosslessCase {
    const char* name;
    const char* fileName;
    GDALDataType type;
    int bandCount;
    bool colourTransform;
};

// Samples that use the type's whole range, differ between bands and vary
// from pixel to pixel, so that a wrong band, window or sign shows.
BandValues BandSamples(GDALDataType type, int band) {
    return MakeBand(kWidth, kHeight, [type, band](int x, int y) {
        const int pattern = (x * 7 + y * 13 + band * 61 + (x * y) % 17) % 256;
        switch (type) {
        case GDT_UInt16:
            return pattern * 257.0;
        case GDT_Int16:
            return pattern * 256.0 - 32768.0 + band;
        default:
            return double(pattern);
        }
    });
}

class LosslessJpeg2000 : public ::testing::TestWithParam<LosslessCase> {
protected:
    void SetUp() override { RegisterGdalDriversOnce(); }

    std::string WriteFixture() {
        const LosslessCase& file = GetParam();
        RasterFixture raster{kWidth, kHeight, file.type, {}, {}};
        for (int band = 0; band < file.bandCount; ++band) {
            raster.bands.push_back(BandSamples(file.type, band));
        }
        const std::string fileName = folder.File(file.fileName);
        WriteJpeg2000(fileName, raster, LosslessJpeg2000Options(file.colourTransform, kTileSize));
        return fileName;
    }

    TemporaryDirectory folder;
};

// Every window of the image, row by row, the last ones clipped at the edges.
std::vector<CRegionPtr> AllWindows() {
    std::vector<CRegionPtr> windows;
    for (int y = 0; y < kHeight; y += kWindowSize) {
        for (int x = 0; x < kWidth; x += kWindowSize) {
            windows.push_back(MakeRegion(x, y, std::min(x + kWindowSize, kWidth) - 1,
                                         std::min(y + kWindowSize, kHeight) - 1));
        }
    }
    return windows;
}

std::vector<float> Window(const BandValues& band, const CRegion& window) {
    std::vector<float> samples;
    for (int y = window.y0; y <= window.y1; ++y) {
        for (int x = window.x0; x <= window.x1; ++x) {
            samples.push_back(static_cast<float>(band[size_t(y) * kWidth + x]));
        }
    }
    return samples;
}

TEST_P(LosslessJpeg2000, ReadsWhatGdalReadsWindowByWindow) {
    const std::string fileName = WriteFixture();
    CVexlJp2SdkImageFileReader sdk(fileName);
    CGdalImageFileReader gdal(fileName);

    ASSERT_EQ(sdk.GetBandCount(), GetParam().bandCount);
    ASSERT_EQ(gdal.GetBandCount(), GetParam().bandCount);
    EXPECT_EQ(sdk.GetImageSize().width, gdal.GetImageSize().width);
    EXPECT_EQ(sdk.GetImageSize().height, gdal.GetImageSize().height);
    EXPECT_EQ(sdk.GetMaxBandValue(), gdal.GetMaxBandValue());
    EXPECT_EQ(sdk.GetCellType(), gdal.GetCellType());
    for (const CRegionPtr& window : AllWindows()) {
        // Bands in order, as the evaluator reads them: with the colour
        // transform the later bands come from the window decoded first.
        for (int32_t band = 0; band < sdk.GetBandCount(); ++band) {
            const std::vector<float> decoded = ReadBand(*sdk.GetBand(band), window);
            ASSERT_EQ(decoded, ReadBand(*gdal.GetBand(band), window))
                << "band " << band << " window " << window->x0 << "," << window->y0;
            ASSERT_EQ(decoded, Window(BandSamples(GetParam().type, band), *window))
                << "band " << band << " window " << window->x0 << "," << window->y0;
        }
    }
}

TEST_P(LosslessJpeg2000, ReadsBandsOfOneWindowInAnyOrder) {
    const std::string fileName = WriteFixture();
    CVexlJp2SdkImageFileReader sdk(fileName);
    const CRegionPtr window = MakeRegion(30, 50, 99, 109);
    for (int32_t band = sdk.GetBandCount() - 1; band >= 0; --band) {
        EXPECT_EQ(ReadBand(*sdk.GetBand(band), window),
                  Window(BandSamples(GetParam().type, band), *window))
            << "band " << band;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EachKind, LosslessJpeg2000,
    ::testing::Values(LosslessCase{"RgbWithColourTransform", "rgb-ycc.jp2", GDT_Byte, 3, true},
                      LosslessCase{"RgbWithoutColourTransform", "rgb.jp2", GDT_Byte, 3, false},
                      LosslessCase{"RgbaWithColourTransform", "rgba-ycc.jp2", GDT_Byte, 4, true},
                      LosslessCase{"RawCodestream", "rgb-ycc.j2k", GDT_Byte, 3, true},
                      LosslessCase{"UInt16", "grey16.jp2", GDT_UInt16, 1, false},
                      LosslessCase{"UInt16RgbWithColourTransform", "rgb16-ycc.jp2", GDT_UInt16, 3,
                                   true},
                      LosslessCase{"SignedInt16", "signed16.jp2", GDT_Int16, 2, false}),
    [](const auto& info) { return std::string(info.param.name); });

class Jpeg2000Files : public ::testing::Test {
protected:
    void SetUp() override { RegisterGdalDriversOnce(); }

    std::string WriteRgb(const std::string& name) {
        RasterFixture raster{kWidth, kHeight, GDT_Byte, {}, {}};
        for (int band = 0; band < 3; ++band) {
            raster.bands.push_back(BandSamples(GDT_Byte, band));
        }
        const std::string fileName = folder.File(name);
        WriteJpeg2000(fileName, raster, LosslessJpeg2000Options(true, kTileSize));
        return fileName;
    }

    std::string Bytes(const std::string& fileName) {
        std::ifstream file(fileName, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::string WriteBytes(const std::string& name, const std::string& bytes) {
        const std::string fileName = folder.File(name);
        std::ofstream(fileName, std::ios::binary) << bytes;
        return fileName;
    }

    TemporaryDirectory folder;
};

TEST_F(Jpeg2000Files, DecodeTheSameWithOrWithoutTextureDithering) {
    const std::string fileName = WriteRgb("rgb.jp2");
    Orv::SDK::CConfig& config = Orv::SDK::CFileBase::sFilesHelper.Get()->GetConfig();
    const bool before = config.IsTextureDitherEnabled();
    const CRegionPtr window = MakeRegion(10, 20, 89, 99);
    std::vector<std::vector<float>> samples;
    for (const bool dithering : {true, false}) {
        config.SetTextureDitherEnabled(dithering);
        CVexlJp2SdkImageFileReader reader(fileName);
        samples.push_back(ReadBand(*reader.GetBand(1), window));
    }
    config.SetTextureDitherEnabled(before);
    EXPECT_EQ(samples[0], samples[1]);
    EXPECT_EQ(samples[0], Window(BandSamples(GDT_Byte, 1), *window));
}

TEST_F(Jpeg2000Files, OpenByExtensionInAnyCase) {
    const std::string jp2 = Bytes(WriteRgb("rgb.jp2"));
    const std::string codestream = Bytes(WriteRgb("rgb.j2k"));
    for (const auto& [name, bytes] :
         {std::pair{"A.JP2", jp2}, std::pair{"b.jph", jp2}, std::pair{"c.J2C", codestream},
          std::pair{"d.jhc", codestream}}) {
        CVexlJp2SdkImageFileReader reader(WriteBytes(name, bytes));
        EXPECT_EQ(reader.GetBandCount(), 3) << name;
    }
}

struct BrokenJpeg2000Case {
    const char* name;
    const char* fileName;
    bool fromCodestream; // start from a raw codestream instead of JP2 boxes
    std::function<void(std::string& bytes)> breakBytes;
};

class BrokenJpeg2000 : public Jpeg2000Files,
                       public ::testing::WithParamInterface<BrokenJpeg2000Case> {};

TEST_P(BrokenJpeg2000, FailsToOpen) {
    const BrokenJpeg2000Case& fault = GetParam();
    std::string bytes = Bytes(WriteRgb(fault.fromCodestream ? "good.j2k" : "good.jp2"));
    fault.breakBytes(bytes);
    const std::string fileName = WriteBytes(fault.fileName, bytes);
    EXPECT_EQ(PlainMessageOf([&] { CVexlJp2SdkImageFileReader reader(fileName); }),
              "Unable to open file.");
}

size_t CodestreamStart(const std::string& bytes) {
    return bytes.find("\xFF\x4F\xFF\x51");
}

// Offsets in a raw codestream: the image size marker segment follows the
// two-byte start marker; its component count, then three bytes per component
// (precision, horizontal and vertical sub-sampling).
constexpr size_t kComponentCountOffset = 40;
constexpr size_t kSecondComponentSubSamplingOffset = 42 + 3 + 1;

INSTANTIATE_TEST_SUITE_P(
    EachFault, BrokenJpeg2000,
    ::testing::Values(
        BrokenJpeg2000Case{"Empty", "empty.jp2", false, [](std::string& b) { b.clear(); }},
        BrokenJpeg2000Case{"Truncated", "cut.jp2", false,
                           [](std::string& b) { b.resize(b.size() - 100); }},
        BrokenJpeg2000Case{"TruncatedCodestream", "cut.j2k", true,
                           [](std::string& b) { b.resize(b.size() / 2); }},
        BrokenJpeg2000Case{"WrongSignature", "signature.jp2", false,
                           [](std::string& b) { b[4] = 'X'; }},
        BrokenJpeg2000Case{"BoxLongerThanFile", "box.jp2", false,
                           [](std::string& b) { b[12] = '\x7F'; }},
        BrokenJpeg2000Case{"NoCodestreamBox", "nobox.jp2", false,
                           [](std::string& b) { b.resize(CodestreamStart(b) - 8); }},
        BrokenJpeg2000Case{"CodestreamNamedJp2", "raw.jp2", true, [](std::string&) {}},
        BrokenJpeg2000Case{"BoxesNamedJ2k", "boxes.j2k", false, [](std::string&) {}},
        // Image size marker with zero components.
        BrokenJpeg2000Case{
            "NoComponents", "components.j2k", true,
            [](std::string& b) { b[kComponentCountOffset] = b[kComponentCountOffset + 1] = '\0'; }},
        // A component sub-sampled by 2 horizontally.
        BrokenJpeg2000Case{"SubSampled", "subsampled.j2k", true,
                           [](std::string& b) { b[kSecondComponentSubSamplingOffset] = '\x02'; }}),
    [](const auto& info) { return std::string(info.param.name); });

// Positions worth damaging: every byte of the main header and of the first
// tile-part headers, where lengths and indices steer the decoder, and a
// sample of the coded data. The image width and height are left alone: a
// changed size is a valid, only much larger image, slow to read.
std::vector<size_t> FragilePositions(const std::string& codestream) {
    constexpr size_t kImageSizeStart = 8;
    constexpr size_t kImageSizeEnd = 16;
    std::vector<size_t> positions;
    const size_t firstTilePart = codestream.find("\xFF\x90");
    for (size_t position = 2; position < firstTilePart; ++position) {
        if (position < kImageSizeStart || position >= kImageSizeEnd) {
            positions.push_back(position);
        }
    }
    size_t tilePart = firstTilePart;
    for (int count = 0; count < 3 && tilePart != std::string::npos; ++count) {
        const size_t afterMarker = tilePart + 2;
        for (size_t position = afterMarker; position < afterMarker + 10; ++position) {
            positions.push_back(position);
        }
        tilePart = codestream.find("\xFF\x90", afterMarker);
    }
    for (size_t position = firstTilePart + 12; position + 2 < codestream.size(); position += 1999) {
        positions.push_back(position);
    }
    return positions;
}

TEST_F(Jpeg2000Files, FailDamagedCodestreamsOnlyWithTheLayersMessages) {
    const std::string good = Bytes(WriteRgb("good.j2k"));
    int refusedOpens = 0;
    int refusedReads = 0;
    for (const size_t position : FragilePositions(good)) {
        std::string bytes = good;
        bytes[position] = static_cast<char>(~bytes[position]);
        const std::string fileName = WriteBytes("damaged.j2k", bytes);
        const std::string openFailure =
            PlainMessageOf([&] { CVexlJp2SdkImageFileReader reader(fileName); });
        if (!openFailure.empty()) {
            EXPECT_EQ(openFailure, "Unable to open file.") << "byte " << position;
            ++refusedOpens;
            continue;
        }
        CVexlJp2SdkImageFileReader reader(fileName);
        const CRegionPtr wholeImage = MakeRegion(0, 0, kWidth - 1, kHeight - 1);
        const CRegionPtr acrossTiles = MakeRegion(50, 50, 89, 89);
        for (const CRegionPtr& window : {wholeImage, acrossTiles}) {
            for (int32_t band = 0; band < reader.GetBandCount(); ++band) {
                const std::string failure =
                    PlainMessageOf([&] { ReadBand(*reader.GetBand(band), window); });
                EXPECT_TRUE(failure.empty() || failure == "Error setting view")
                    << failure << " at byte " << position;
                refusedReads += failure.empty() ? 0 : 1;
            }
        }
    }
    // Both ways of failing must have been taken, or the test proves little.
    EXPECT_GT(refusedOpens, 0);
    EXPECT_GT(refusedReads, 0);
}

} // namespace
