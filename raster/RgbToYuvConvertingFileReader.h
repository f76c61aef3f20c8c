#pragma once

#include "raster/ImageFileReader.h"
#include "raster/RgbToYuvConvertingBand.h"

#include <array>
#include <memory>
#include <vector>

// Exposes the luma Y of an RGB or RGBA reader, after the source's own R, G
// and B bands when `keepRgb` is set. A band-set read that asks for R, G, B
// and Y reads the source's bands once and computes Y from them; only the
// planes asked for are computed, and no tile is kept.
class CRgbToYuvConvertingFileReader : public CImageFileReader {
public:
    // Throws "Unable to get band count from underlying file reader" and "To
    // convert RGB to YUV, underlying file reader must have 3 (RGB) or 4 bands
    // (RGBA)".
    CRgbToYuvConvertingFileReader(std::unique_ptr<CImageFileReader> source, bool withRgb);

    int32_t GetBandCount() override { return static_cast<int32_t>(shownBands.size()); }
    CBand* GetBand(int32_t index) override;

    // Best and worst tiles are written from the unconverted source.
    CImageFileReader* GetSourceReader() override { return sourceReader.get(); }
    // The source's value with R, G and B; 255 for Y alone, whatever the source.
    float GetMaxBandValue() override;
    ImageSize GetImageSize() override { return sourceReader->GetImageSize(); }

    void SetDecoderThreads(int32_t threadCount) override;
    void SetTileOrder(TileOrder order) override;
    // The source's bands take the source's times; Y takes the time of the
    // source reads made for it alone (none when R, G and B are in the same
    // set) and of its conversion. Fails with the source's failure for a
    // source band of the set, with the conversion's messages otherwise.
    void ReadBands(const CRegionPtr& tile, std::span<BandRead> reads) override;
    // Plane `component` (0 Y, 1 U, 2 V) of `tile` into `samples`.
    void ReadComponent(const CRegionPtr& tile, int32_t component, float* samples);

private:
    // Reads the source's R, G and B of `tile` and computes `component` into
    // `samples`: R, G and B come from `rgbReads` where the set held them
    // (then already read), else into scratch planes. Returns the
    // microseconds the conversion and the reads for it alone took.
    int64_t Convert(const CRegionPtr& tile, int32_t component, float* samples,
                    const std::array<const BandRead*, 3>& rgbReads);

    std::unique_ptr<CImageFileReader> sourceReader;
    bool keepRgb;
    // R, G and B of the last tile converted without them in the set, kept
    // only so that their memory serves the next tile.
    std::array<std::vector<float>, 3> scratch;
    std::unique_ptr<CRgbToYuvConvertingBand> lumaBand;
    // What the reader shows, none of it owned here: the source's R, G and B
    // (with `keepRgb`), then `lumaBand`.
    std::vector<CBand*> shownBands;
};
