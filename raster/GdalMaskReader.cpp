#include "raster/GdalMaskReader.h"

#include "raster/GdalOpen.h"

#include "platform/ZarnikError.h"
#include "raster/GdalQuietErrors.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr int32_t kLumaSources = 3;

bool IsAlpha(GDALRasterBand& band) {
    return band.GetColorInterpretation() == GCI_AlphaBand;
}

bool DeclaresMask(GDALRasterBand& band) {
    return IsAlpha(band) || band.GetMaskFlags() != GMF_ALL_VALID;
}

// GDAL ignores a nodata value its band's type cannot hold (300 on a Byte
// band): such a value is named, where "declares no nodata value" would deny it.
void ThrowIgnoredNoData(GDALDataset& dataset, const std::string& fileName) {
    for (int number = 1; number <= dataset.GetRasterCount(); ++number) {
        GDALRasterBand& band = *dataset.GetRasterBand(number);
        int has = FALSE;
        const double value = band.GetNoDataValue(&has);
        if (has != FALSE) {
            char text[32];
            std::snprintf(text, sizeof text, "%.17g", value);
            throw CZarnikError::Detail(
                "the nodata value " + std::string(text) + " of band " + std::to_string(number - 1) +
                " of " + fileName + " lies outside the range of its data type " +
                GDALGetDataTypeName(band.GetRasterDataType()) + ", so GDAL ignores it");
        }
    }
}

} // namespace

CGdalMaskReader::CGdalMaskReader(const std::string& originalFileName, ComparedBands comparedBands)
    : fileName(originalFileName), compared(comparedBands) {
    dataset = OpenGdalRaster(fileName);
    if (!dataset) {
        throw CZarnikError::Complete("Unable to open file ", InFile(fileName));
    }
    bool declared = false;
    for (int number = 1; number <= dataset->GetRasterCount(); ++number) {
        declared = declared || DeclaresMask(*dataset->GetRasterBand(number));
    }
    if (!declared) {
        ThrowIgnoredNoData(*dataset, fileName);
        throw CZarnikError::Detail("the original declares no nodata value, mask or alpha band");
    }
}

std::vector<int32_t> CGdalMaskReader::SourceBands(int32_t band) const {
    const bool luma = (compared == ComparedBands::LumaOnly && band == 0) ||
                      (compared == ComparedBands::ColoursAndLuma && band == kLumaSources);
    if (luma) {
        return {0, 1, 2};
    }
    return {band};
}

bool CGdalMaskReader::Read(int32_t band, const CRegion& tile, uint8_t* valid) {
    const auto pixelCount = static_cast<size_t>(tile.Width() * tile.Height());
    bool first = true;
    for (const int32_t source : SourceBands(band)) {
        uint8_t* target = valid;
        if (!first) {
            scratch.resize(pixelCount);
            target = scratch.data();
        }
        try {
            ReadSourceMask(source, tile, target);
        } catch (...) {
            RethrowWithContext("Unable to read original mask for band " + std::to_string(band) +
                                   " with error ",
                               InBand(fileName, band));
        }
        if (!first) {
            std::transform(valid, valid + pixelCount, scratch.data(), valid,
                           [](uint8_t a, uint8_t b) { return static_cast<uint8_t>(a && b); });
        }
        first = false;
    }
    return std::all_of(valid, valid + pixelCount, [](uint8_t pixel) { return pixel != 0; });
}

void CGdalMaskReader::ReadSourceMask(int32_t sourceBand, const CRegion& tile, uint8_t* valid) {
    GDALRasterBand* band = dataset->GetRasterBand(sourceBand + 1);
    if (band == nullptr) {
        throw CZarnikError::Detail("the file has no band " + std::to_string(sourceBand));
    }
    const auto width = static_cast<int>(tile.Width());
    const auto height = static_cast<int>(tile.Height());
    const auto pixelCount = static_cast<size_t>(width) * static_cast<size_t>(height);
    // An alpha band compared as a band is data and its own mask.
    const bool alpha = IsAlpha(*band);
    const bool perDataset = !alpha && (band->GetMaskFlags() & GMF_PER_DATASET) != 0;
    // A mask shared by all bands is read once per tile.
    if (perDataset && sharedMaskTile && sharedMaskTile->x0 == tile.x0 &&
        sharedMaskTile->y0 == tile.y0 && sharedMaskTile->x1 == tile.x1 &&
        sharedMaskTile->y1 == tile.y1) {
        std::copy(sharedMask.begin(), sharedMask.end(), valid);
        return;
    }
    GDALRasterBand* mask = alpha ? band : band->GetMaskBand();
    const CGdalQuietErrors quiet;
    if (mask->RasterIO(GF_Read, tile.x0, tile.y0, width, height, valid, width, height, GDT_Byte, 0,
                       0, nullptr) != CE_None) {
        throw CZarnikError::Detail(CPLGetLastErrorMsg());
    }
    if (perDataset) {
        sharedMask.assign(valid, valid + pixelCount);
        sharedMaskTile.emplace(tile.x0, tile.y0, tile.x1, tile.y1);
    }
}
