#include "outputs/PagePictures.h"

#include "outputs/PngDataUri.h"
#include "platform/ZarnikError.h"
#include "raster/BandBuffer.h"
#include "raster/GdalOpen.h"
#include "raster/GdalQuietErrors.h"

#include <gdal_priv.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr int32_t kLargestFactor = 64;

// Rounded half up; NaN (no data) is black.
uint8_t Byte(float level) {
    return level >= 0.0f ? static_cast<uint8_t>(std::min(level, 255.0f) + 0.5f) : 0;
}

// Each band's smallest and largest finite value of the interleaved samples.
std::vector<std::pair<float, float>> RangesOf(const std::vector<float>& samples, int32_t bands) {
    std::vector<std::pair<float, float>> ranges(
        static_cast<size_t>(bands),
        {std::numeric_limits<float>::max(), -std::numeric_limits<float>::max()});
    for (size_t i = 0; i < samples.size(); ++i) {
        auto& [low, high] = ranges[i % static_cast<size_t>(bands)];
        if (std::isfinite(samples[i])) {
            low = std::min(low, samples[i]);
            high = std::max(high, samples[i]);
        }
    }
    return ranges;
}

Picture PictureOf(const std::vector<float>& samples, int32_t width, int32_t height, int32_t bands,
                  const CDisplayLevels& levels) {
    Picture picture{.width = width, .height = height, .channels = bands, .pixels = {}};
    picture.pixels.resize(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        picture.pixels[i] = Byte(levels.Level(i % static_cast<size_t>(bands), samples[i]));
    }
    return picture;
}

// The shown bands of one tile, interleaved as a picture's channels.
std::vector<float> ReadTile(CImageFileReader& reader, const CRegionPtr& tile, int32_t bands) {
    const int32_t pixels = static_cast<int32_t>(tile->Width() * tile->Height());
    std::vector<float> samples(static_cast<size_t>(pixels) * static_cast<size_t>(bands));
    for (int32_t b = 0; b < bands; ++b) {
        CBand* const band = reader.GetBand(b);
        if (band == nullptr) {
            throw CZarnikError::Detail("The HTML report cannot read band " + std::to_string(b));
        }
        const CBandBuffer buffer(*band, pixels);
        band->ReadRegion(tile, buffer.Samples());
        for (int32_t i = 0; i < pixels; ++i) {
            samples[static_cast<size_t>(i * bands + b)] = buffer.Samples()[i];
        }
    }
    return samples;
}

// The power of two that brings the 99th percentile of `levels` nearest to
// full scale without passing it; the largest level where that is 0.
int32_t AmplificationFor(const std::vector<uint8_t>& levels) {
    std::array<size_t, 256> counts{};
    for (const uint8_t level : levels) {
        ++counts[level];
    }
    const size_t rank = levels.size() * 99 / 100;
    int reference = 0;
    for (size_t seen = 0; reference < 255 && seen + counts[size_t(reference)] <= rank;
         ++reference) {
        seen += counts[size_t(reference)];
    }
    if (reference == 0) {
        reference = 255;
        while (reference > 0 && counts[size_t(reference)] == 0) {
            --reference;
        }
    }
    if (reference == 0) {
        return 1; // identical
    }
    int32_t factor = 1;
    while (factor < kLargestFactor && reference * factor * 2 <= 255) {
        factor *= 2;
    }
    return factor;
}

// Reads the whole original at `width` x `height`: bytes as they are, any
// other type stretched into `levels`.
Picture ReadReduced(GDALDataset& original, int32_t width, int32_t height, int32_t bands,
                    CDisplayLevels& levels) {
    std::array<int, 3> bandList = {1, 2, 3};
    const size_t count =
        static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(bands);
    const bool bytes = original.GetRasterBand(1)->GetRasterDataType() == GDT_Byte;
    Picture picture{.width = width, .height = height, .channels = bands, .pixels = {}};
    std::vector<float> samples;
    void* buffer = nullptr;
    if (bytes) {
        picture.pixels.resize(count);
        buffer = picture.pixels.data();
    } else {
        samples.resize(count);
        buffer = samples.data();
    }
    const GSpacing sampleBytes = bytes ? 1 : 4;
    if (original.RasterIO(GF_Read, 0, 0, original.GetRasterXSize(), original.GetRasterYSize(),
                          buffer, width, height, bytes ? GDT_Byte : GDT_Float32, bands,
                          bandList.data(), sampleBytes * bands, sampleBytes * bands * width,
                          sampleBytes, nullptr) != CE_None) {
        throw CZarnikError::Detail("Unable to read the quick look of the original");
    }
    if (!bytes) {
        levels = CDisplayLevels(RangesOf(samples, bands));
        picture = PictureOf(samples, width, height, bands, levels);
    }
    return picture;
}

} // namespace

CDisplayLevels::CDisplayLevels(const std::vector<std::pair<float, float>>& ranges) {
    for (const auto& [smallest, largest] : ranges) {
        low.push_back(smallest);
        scale.push_back(largest > smallest ? 255.0f / (largest - smallest) : 1.0f);
    }
}

float CDisplayLevels::Level(size_t band, float sample) const {
    if (band >= low.size()) {
        return sample;
    }
    return (sample - low[band]) * scale[band];
}

int32_t ShownBandCount(int32_t bandCount) {
    return bandCount >= 3 ? 3 : 1;
}

ScenePicture ReadScenePicture(const std::string& originalFileName, int32_t longerSide) {
    const CGdalQuietErrors quiet;
    const GDALDatasetUniquePtr original(OpenGdalRaster(originalFileName));
    if (!original || original->GetRasterCount() < 1) {
        throw CZarnikError::Detail("Unable to open original file " + originalFileName);
    }
    ScenePicture scene;
    scene.width = original->GetRasterXSize();
    scene.height = original->GetRasterYSize();
    const double reduction =
        std::min(1.0, static_cast<double>(longerSide) / std::max(scene.width, scene.height));
    const int32_t width = std::max(1, static_cast<int32_t>(std::lround(scene.width * reduction)));
    const int32_t height = std::max(1, static_cast<int32_t>(std::lround(scene.height * reduction)));
    scene.picture = ReadReduced(*original, width, height,
                                ShownBandCount(original->GetRasterCount()), scene.levels);
    return scene;
}

TilePictures ReadTilePictures(CImageFileReader& original, CImageFileReader& compressed,
                              const CRegionPtr& tile, const CDisplayLevels& levels) {
    const int32_t bands = ShownBandCount(original.GetBandCount());
    const int32_t width = static_cast<int32_t>(tile->Width());
    const int32_t height = static_cast<int32_t>(tile->Height());
    const Picture before = PictureOf(ReadTile(original, tile, bands), width, height, bands, levels);
    const Picture after =
        PictureOf(ReadTile(compressed, tile, bands), width, height, bands, levels);
    Picture difference{.width = width, .height = height, .channels = bands, .pixels = {}};
    difference.pixels.resize(before.pixels.size());
    for (size_t i = 0; i < before.pixels.size(); ++i) {
        difference.pixels[i] =
            static_cast<uint8_t>(std::abs(int{before.pixels[i]} - int{after.pixels[i]}));
    }
    TilePictures pictures;
    pictures.factor = AmplificationFor(difference.pixels);
    for (uint8_t& level : difference.pixels) {
        level = static_cast<uint8_t>(std::min(255, level * pictures.factor));
    }
    pictures.original = PngDataUri(before);
    pictures.compressed = PngDataUri(after);
    pictures.difference = PngDataUri(difference);
    return pictures;
}
