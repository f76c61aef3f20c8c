#include "raster/GdalImageFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>

// File names, extensions and files refused at opening are in
// ImageFileReaderTest.cpp.
namespace {

constexpr int kWidth = 150;
constexpr int kHeight = 110;
constexpr int kTileSize = 64;
constexpr int kWindowSize = 40; // windows cross tile borders and clip at the edges

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
    WriteJpeg2000(folder.File(name), raster, LosslessJpeg2000Options(colourTransform, kTileSize));
    return folder.File(name);
}

struct LosslessCase {
    const char* name;
    const char* fileName;
    GDALDataType type;
    int bandCount;
    bool colourTransform;
};

class LosslessJpeg2000 : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessJpeg2000, ReadsWhatGdalReadsWindowByWindow) {
    const LosslessCase& file = GetParam();
    TemporaryDirectory folder;
    const std::string fileName =
        WriteLossless(folder, file.fileName, file.type, file.bandCount, file.colourTransform);
    CVexlJp2SdkImageFileReader sdk(fileName);
    CGdalImageFileReader gdal(fileName);

    ASSERT_EQ(sdk.GetBandCount(), file.bandCount);
    ASSERT_EQ(gdal.GetBandCount(), file.bandCount);
    EXPECT_EQ(sdk.GetImageSize().width, gdal.GetImageSize().width);
    EXPECT_EQ(sdk.GetImageSize().height, gdal.GetImageSize().height);
    EXPECT_EQ(sdk.GetMaxBandValue(), gdal.GetMaxBandValue());
    EXPECT_EQ(sdk.GetCellType(), gdal.GetCellType());
    // GDAL, the reference, reads back what was written.
    for (int32_t band = 0; band < file.bandCount; ++band) {
        const BandValues written = BandSamples(file.type, band);
        ASSERT_EQ(ReadBand(*gdal.GetBand(band), MakeRegion(0, 0, kWidth - 1, kHeight - 1)),
                  std::vector<float>(written.begin(), written.end()));
    }
    bool reverse = false;
    for (int y = 0; y < kHeight; y += kWindowSize) {
        for (int x = 0; x < kWidth; x += kWindowSize) {
            const CRegionPtr window = MakeRegion(x, y, std::min(x + kWindowSize, kWidth) - 1,
                                                 std::min(y + kWindowSize, kHeight) - 1);
            // Every other window reads its bands last to first: with the
            // colour transform the bands after the first come from the
            // window decoded first.
            reverse = !reverse;
            for (int32_t i = 0; i < file.bandCount; ++i) {
                const int32_t band = reverse ? file.bandCount - 1 - i : i;
                ASSERT_EQ(ReadBand(*sdk.GetBand(band), window),
                          ReadBand(*gdal.GetBand(band), window))
                    << "band " << band << " window " << x << "," << y;
            }
        }
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

    int refusedOpens = 0;
    int refusedReads = 0;
    for (const size_t position : positions) {
        std::string bytes = good;
        bytes[position] = static_cast<char>(~bytes[position]);
        std::ofstream(folder.File("damaged.j2k"), std::ios::binary | std::ios::trunc) << bytes;
        std::unique_ptr<CVexlJp2SdkImageFileReader> reader;
        const std::string openFailure = Outcome([&] {
            reader = std::make_unique<CVexlJp2SdkImageFileReader>(folder.File("damaged.j2k"));
        });
        if (!reader) {
            EXPECT_EQ(openFailure, "plain: Unable to open file.") << "byte " << position;
            ++refusedOpens;
            continue;
        }
        for (int32_t band = 0; band < reader->GetBandCount(); ++band) {
            const std::string failure = Outcome([&] {
                ReadBand(*reader->GetBand(band), MakeRegion(0, 0, kWidth - 1, kHeight - 1));
            });
            EXPECT_TRUE(failure.empty() || failure == "plain: Error setting view")
                << failure << " at byte " << position;
            refusedReads += failure.empty() ? 0 : 1;
        }
    }
    // Both ways of failing must have been taken, or the test proves little.
    EXPECT_GT(refusedOpens, 0);
    EXPECT_GT(refusedReads, 0);
}

} // namespace
