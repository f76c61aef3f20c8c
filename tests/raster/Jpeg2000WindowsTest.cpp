#include "raster/VexlJp2SdkImageFileReader.h"
#include "tests/raster/RasterTestHelpers.h"
#include "tests/support/RasterFixtures.h"
#include "tests/support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <openjpeg.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

// Every way the built-in reader reaches a window must give exactly what
// OpenJPEG decodes for that window alone.
namespace {

constexpr int kWidth = 150;
constexpr int kWindowSize = 40; // windows cross the 64-pixel tiles and clip at the edges

BandValues BandSamples(GDALDataType type, int height, int band) {
    return MakeBand(kWidth, height, [type, band](int x, int y) {
        const int pattern = (x * 7 + y * 13 + band * 61 + (x * y) % 17) % 256;
        return type == GDT_UInt16 ? pattern * 257.0 : double(pattern);
    });
}

// What OpenJPEG decodes for one window on its own, from a codec of its own.
std::vector<float> DecodeWindowAlone(const std::string& fileName, int band, int x0, int y0, int x1,
                                     int y1) {
    opj_stream_t* stream = opj_stream_create_default_file_stream(fileName.c_str(), OPJ_TRUE);
    opj_codec_t* codec = opj_create_decompress(OPJ_CODEC_JP2);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_setup_decoder(codec, &parameters);
    opj_image_t* image = nullptr;
    std::vector<float> samples;
    if (opj_read_header(stream, codec, &image) &&
        opj_set_decode_area(codec, image, x0, y0, x1 + 1, y1 + 1) &&
        opj_decode(codec, stream, image)) {
        const opj_image_comp_t& component = image->comps[band];
        samples.assign(component.data, component.data + size_t{component.w} * component.h);
    }
    opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    return samples;
}

// In order, then backwards, then the whole image, which spans every tile.
std::vector<std::array<int, 4>> Visits(int height) {
    std::vector<std::array<int, 4>> windows;
    for (int y = 0; y < height; y += kWindowSize) {
        for (int x = 0; x < kWidth; x += kWindowSize) {
            windows.push_back({x, y, std::min(x + kWindowSize, kWidth) - 1,
                               std::min(y + kWindowSize, height) - 1});
        }
    }
    std::vector<std::array<int, 4>> visits = windows;
    visits.insert(visits.end(), windows.rbegin(), windows.rend());
    visits.push_back({0, 0, kWidth - 1, height - 1});
    return visits;
}

// Reads every visit's bands: at random one band at a time, in order as one
// band set, last band first, so that each band must land in its own buffer.
void ExpectEveryWindowsOwnDecode(const std::string& fileName, int height, int bandCount,
                                 TileOrder order) {
    CVexlJp2SdkImageFileReader sdk(fileName);
    sdk.SetTileOrder(order);
    for (const auto& [x, y, x1, y1] : Visits(height)) {
        const CRegionPtr window = MakeRegion(x, y, x1, y1);
        std::vector<std::vector<float>> read(bandCount);
        if (order == TileOrder::Random) {
            for (int band = 0; band < bandCount; ++band) {
                read[band] = ReadBand(*sdk.GetBand(band), window);
            }
        } else {
            std::vector<BandRead> reads;
            for (int band = bandCount - 1; band >= 0; --band) {
                read[band].resize(size_t(x1 - x + 1) * size_t(y1 - y + 1));
                reads.push_back(BandRead{band, read[band].data()});
            }
            sdk.ReadBands(window, reads);
        }
        for (int band = 0; band < bandCount; ++band) {
            const std::vector<float> alone = DecodeWindowAlone(fileName, band, x, y, x1, y1);
            ASSERT_FALSE(alone.empty());
            ASSERT_EQ(read[band], alone) << "band " << band << " window " << x << "," << y;
        }
    }
}

// Windows read in order are cut from whole tiles or from columns of strips
// of a single-tile file,
// windows read at random are decoded alone, on a kept codec for single-tile
// files (which starts afresh every so many windows), windows spanning many
// tiles are assembled from them: all must give exactly the window's own
// decode, lossy wavelet included.
TEST(Jpeg2000Windows, EveryWindowHoldsItsOwnDecode) {
    struct Case {
        const char* fileName;
        GDALDataType type;
        int bandCount;
        int height;
        std::vector<std::string> options;
    };
    const std::vector<Case> cases = {
        {"lossy-rgb-ycc.jp2",
         GDT_Byte,
         3,
         110,
         {"QUALITY=10", "REVERSIBLE=NO", "YCC=YES", "BLOCKXSIZE=64", "BLOCKYSIZE=64"}},
        {"lossy-grey16.jp2",
         GDT_UInt16,
         1,
         110,
         {"QUALITY=10", "REVERSIBLE=NO", "BLOCKXSIZE=64", "BLOCKYSIZE=64"}},
        {"lossless-rgb.jp2", GDT_Byte, 3, 110, LosslessJpeg2000Options(false, 64)},
        {"single-tile-rgb-ycc.jp2", GDT_Byte, 3, 600, {"QUALITY=10", "REVERSIBLE=NO", "YCC=YES"}},
        {"single-tile-grey16.jp2", GDT_UInt16, 2, 600, {"QUALITY=10", "REVERSIBLE=NO", "YCC=NO"}},
        {"single-tile-lossless-rgb.jp2", GDT_Byte, 3, 110, LosslessJpeg2000Options(true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileName);
        TemporaryDirectory folder;
        RasterFixture raster{kWidth, c.height, c.type, {}, {}};
        for (int band = 0; band < c.bandCount; ++band) {
            raster.bands.push_back(BandSamples(c.type, c.height, band));
        }
        const std::string fileName = folder.File(c.fileName);
        WriteJpeg2000(fileName, raster, c.options);
        for (const TileOrder order : {TileOrder::Random, TileOrder::Sequential}) {
            ExpectEveryWindowsOwnDecode(fileName, c.height, c.bandCount, order);
        }
    }
}

} // namespace
