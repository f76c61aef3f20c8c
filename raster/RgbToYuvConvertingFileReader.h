#pragma once

#include "raster/ImageFileReader.h"
#include "raster/RgbToYuvConvertingBand.h"

#include <array>
#include <memory>
#include <vector>

// Exposes the luma Y of an RGB or RGBA reader, after the source's own R, G
// and B bands when `keepRgb` is set. Y, U and V of the last tile read are
// kept, so that further bands of the same tile are a copy.
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

    // Plane `component` (0 Y, 1 U, 2 V) of `region`, converted unless that very
    // tile object is the one cached. The caller holds this reader's mutex.
    const float* GetPlane(const CRegionPtr& region, int32_t component);

private:
    void ConvertTile(const CRegionPtr& region);

    std::unique_ptr<CImageFileReader> sourceReader;
    bool keepRgb;
    CRegionPtr cachedRegion;
    std::array<std::vector<float>, 3> planes;
    std::unique_ptr<CRgbToYuvConvertingBand> lumaBand;
    // What the reader shows, none of it owned here: the source's R, G and B
    // (with `keepRgb`), then `lumaBand`.
    std::vector<CBand*> shownBands;
};
