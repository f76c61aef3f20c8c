#include "raster/RgbToYuvConvertingFileReader.h"

#include "platform/Clock.h"
#include "platform/ZarnikError.h"
#include "raster/TileBytes.h"

#include <limits>
#include <new>
#include <stdexcept>

namespace {

// 32-bit float arithmetic in exactly this order; no offset, rounding or
// clamping, so U and V stay signed.
float Converted(int32_t component, float red, float green, float blue) {
    switch (component) {
    case 0:
        return (0.299f * red + 0.587f * green) + 0.114f * blue;
    case 1:
        return 0.436f * blue - (0.147f * red + 0.289f * green);
    default:
        return (0.615f * red - 0.515f * green) - 0.1f * blue;
    }
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
    lumaBand = std::make_unique<CRgbToYuvConvertingBand>(this, 0);
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

void CRgbToYuvConvertingFileReader::SetDecoderThreads(int32_t threadCount) {
    sourceReader->SetDecoderThreads(threadCount);
}

void CRgbToYuvConvertingFileReader::SetTileOrder(TileOrder order) {
    sourceReader->SetTileOrder(order);
}

void CRgbToYuvConvertingFileReader::ReadBands(const CRegionPtr& tile, std::span<BandRead> reads) {
    CMutexLock lock(mutex);
    const int32_t lumaIndex = keepRgb ? 3 : 0;
    std::vector<BandRead> sourceReads;
    BandRead* luma = nullptr;
    for (BandRead& read : reads) {
        if (read.band == lumaIndex) {
            luma = &read;
        } else if (keepRgb && read.band >= 0 && read.band < 3) {
            sourceReads.push_back(BandRead{read.band, read.samples});
        } else {
            throw CZarnikError::Detail("No band " + std::to_string(read.band) + " to read");
        }
    }
    const auto copyBack = [&](bool withTimes) {
        for (size_t i = 0, s = 0; i < reads.size(); ++i) {
            if (&reads[i] != luma) {
                reads[i].done = sourceReads[s].done;
                reads[i].readUs = withTimes ? sourceReads[s].readUs : 0;
                ++s;
            }
        }
    };
    try {
        if (!sourceReads.empty()) {
            sourceReader->ReadBands(tile, sourceReads);
        }
    } catch (...) {
        copyBack(false);
        throw;
    }
    copyBack(true);
    std::array<const BandRead*, 3> rgbReads{};
    for (const BandRead& read : sourceReads) {
        rgbReads[static_cast<size_t>(read.band)] = &read;
    }
    if (luma != nullptr) {
        luma->readUs = Convert(tile, 0, luma->samples, rgbReads);
        luma->done = true;
    }
}

void CRgbToYuvConvertingFileReader::ReadComponent(const CRegionPtr& tile, int32_t component,
                                                  float* samples) {
    CMutexLock lock(mutex);
    Convert(tile, component, samples, {});
}
int64_t CRgbToYuvConvertingFileReader::Convert(const CRegionPtr& tile, int32_t component,
                                               float* samples,
                                               const std::array<const BandRead*, 3>& rgbReads) {
    const int64_t start = MonotonicMicroseconds();
    // The source bands count their buffers in signed 32 bits.
    const size_t planeSize = TileByteCount(*tile, sizeof(float)) / sizeof(float);
    if (planeSize > size_t{std::numeric_limits<int32_t>::max()}) {
        ThrowTileTooLarge(*tile);
    }
    static const char* const kMissingBand[] = {"Unable to get underlying R band",
                                               "Unable to get underlying G band",
                                               "Unable to get underlying B band"};
    for (int32_t colour = 0; colour < 3; ++colour) {
        if (sourceReader->GetBand(colour) == nullptr) {
            throw CZarnikError::Complete(kMissingBand[colour]);
        }
    }
    std::array<const float*, 3> rgb{};
    std::vector<BandRead> ownReads;
    for (int32_t colour = 0; colour < 3; ++colour) {
        const auto c = static_cast<size_t>(colour);
        if (rgbReads[c] != nullptr) {
            rgb[c] = rgbReads[c]->samples;
            continue;
        }
        try {
            scratch[c].resize(planeSize);
        } catch (const std::bad_alloc&) {
            ThrowTileTooLarge(*tile);
        }
        rgb[c] = scratch[c].data();
        ownReads.push_back(BandRead{colour, scratch[c].data()});
    }
    try {
        if (!ownReads.empty()) {
            sourceReader->ReadBands(tile, ownReads);
        }
    } catch (...) {
        throw CZarnikError::Complete("Unable to get data from undelying band");
    }
    const auto convert = [&](auto formula) {
        for (size_t i = 0; i < planeSize; ++i) {
            samples[i] = formula(rgb[0][i], rgb[1][i], rgb[2][i]);
        }
    };
    // One loop per plane, so that the plane's formula is chosen once.
    if (component == 0) {
        convert([](float r, float g, float b) { return Converted(0, r, g, b); });
    } else if (component == 1) {
        convert([](float r, float g, float b) { return Converted(1, r, g, b); });
    } else {
        convert([](float r, float g, float b) { return Converted(2, r, g, b); });
    }
    return MonotonicMicroseconds() - start;
}
