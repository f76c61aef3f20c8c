#include "raster/RgbToYuvConvertingFileReader.h"

#include "platform/ZarnikError.h"
#include "raster/BandBuffer.h"
#include "raster/TileBytes.h"

#include <limits>
#include <new>
#include <stdexcept>

namespace {

CBand* SourceBandOrThrow(CImageFileReader& source, int32_t index, const char* message) {
    CBand* band = source.GetBand(index);
    if (band == nullptr) {
        throw CZarnikError::Complete(message);
    }
    return band;
}

} // namespace

CRgbToYuvConvertingFileReader::CRgbToYuvConvertingFileReader(
    std::unique_ptr<CImageFileReader> source, bool withRgb)
    : CImageFileReader(std::string()), sourceReader(std::move(source)), keepRgb(withRgb) {
    int32_t sourceBandCount = 0;
    try {
        if (!sourceReader) {
            throw CZarnikError::Detail("no source reader");
        }
        sourceBandCount = sourceReader->GetBandCount();
    } catch (...) {
        throw CZarnikError::Complete("Unable to get band count from underlying file reader");
    }
    if (sourceBandCount != 3 && sourceBandCount != 4) {
        throw CZarnikError::Complete(
            "To convert RGB to YUV, underlying file reader must have 3 (RGB) or 4 bands (RGBA)");
    }
    lumaBand = std::make_unique<CRgbToYuvConvertingBand>(&mutex, this, 0);
    if (keepRgb) {
        for (int32_t index = 0; index < 3; ++index) {
            shownBands.push_back(sourceReader->GetBand(index));
        }
    }
    shownBands.push_back(lumaBand.get());
}

CBand* CRgbToYuvConvertingFileReader::GetBand(int32_t index) {
    if (index < 0 || index >= GetBandCount()) {
        return nullptr;
    }
    return shownBands[static_cast<size_t>(index)];
}

float CRgbToYuvConvertingFileReader::GetMaxBandValue() {
    return keepRgb ? sourceReader->GetMaxBandValue() : 255.0f;
}

const float* CRgbToYuvConvertingFileReader::GetPlane(const CRegionPtr& region, int32_t component) {
    // Identity, not equal bounds: the evaluator reads all bands of a tile
    // with one tile object, and the cache's own reference keeps any later
    // tile from reusing the cached one's address.
    if (cachedRegion != region) {
        ConvertTile(region);
    }
    return planes[static_cast<size_t>(component)].data();
}

void CRgbToYuvConvertingFileReader::ConvertTile(const CRegionPtr& region) {
    cachedRegion.reset();
    planes = {};
    // The source bands count their buffers in signed 32 bits.
    const size_t planeSize = TileByteCount(*region, sizeof(float)) / sizeof(float);
    if (planeSize > size_t{std::numeric_limits<int32_t>::max()}) {
        ThrowTileTooLarge(*region);
    }
    const auto sampleCount = static_cast<int32_t>(planeSize);
    std::array<std::vector<float>, 3> yuv;
    try {
        for (std::vector<float>& plane : yuv) {
            plane.resize(planeSize);
        }
    } catch (const std::bad_alloc&) {
        ThrowTileTooLarge(*region);
    }
    CBand* redBand = SourceBandOrThrow(*sourceReader, 0, "Unable to get underlying R band");
    CBand* greenBand = SourceBandOrThrow(*sourceReader, 1, "Unable to get underlying G band");
    CBand* blueBand = SourceBandOrThrow(*sourceReader, 2, "Unable to get underlying B band");
    const CBandBuffer redSamples(*redBand, sampleCount);
    const CBandBuffer greenSamples(*greenBand, sampleCount);
    const CBandBuffer blueSamples(*blueBand, sampleCount);
    try {
        redBand->ReadRegion(region, redSamples.Samples());
        greenBand->ReadRegion(region, greenSamples.Samples());
        blueBand->ReadRegion(region, blueSamples.Samples());
    } catch (...) {
        throw CZarnikError::Complete("Unable to get data from undelying band");
    }
    for (size_t i = 0; i < yuv[0].size(); ++i) {
        const float red = redSamples.Samples()[i];
        const float green = greenSamples.Samples()[i];
        const float blue = blueSamples.Samples()[i];
        // 32-bit float arithmetic in exactly this order; no offset, rounding
        // or clamping, so U and V stay signed.
        yuv[0][i] = (0.299f * red + 0.587f * green) + 0.114f * blue;
        yuv[1][i] = 0.436f * blue - (0.147f * red + 0.289f * green);
        yuv[2][i] = (0.615f * red - 0.515f * green) - 0.1f * blue;
    }
    planes = std::move(yuv);
    cachedRegion = region;
}
