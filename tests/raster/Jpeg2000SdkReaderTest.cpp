#include "raster/GdalImageFileReader.h"
#include "raster/VexlJp2SdkImageFileReader.h"

#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

// File names, extensions and files refused at opening are in
// ImageFileReaderTest.cpp.
namespace {

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
        outcomes.insert(Outcome([&] {
            CVexlJp2SdkImageFileReader reader(folder.File("damaged.j2k"));
            for (int32_t band = 0; band < reader.GetBandCount(); ++band) {
                ReadBand(*reader.GetBand(band), MakeRegion(0, 0, kWidth - 1, kHeight - 1));
            }
        }));
    }
    // Refused at opening, refused when read, or read: every way must have been
    // taken, or the test proves little.
    EXPECT_EQ(outcomes, (std::set<std::string>{"", "plain: Error setting view",
                                               "plain: Unable to open file."}));
}

} // namespace
