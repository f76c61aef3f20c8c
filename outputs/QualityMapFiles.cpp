#include "outputs/QualityMapFiles.h"

#include "outputs/Viridis.h"
#include "platform/ZarnikError.h"
#include "raster/GdalQuietErrors.h"

#include <cpl_error.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>

namespace {

// The quick look's longer side has at least this many pixels.
constexpr int kPreviewMinimumSide = 512;

std::string PreviewNameFor(const std::string& mapName) {
    std::filesystem::path preview(mapName);
    preview.replace_extension(".png");
    // A map named *.png must not be overwritten by its own quick look.
    return preview.string() == mapName ? mapName + ".png" : preview.string();
}

// Creating the quick look now makes a name that cannot be written fail
// before the first tile; GDAL writes the file again at the end.
void CheckCreatable(const std::string& fileName, const char* what) {
    FILE* const file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        throw CZarnikError::Detail(std::string("Unable to create ") + what + " " + fileName);
    }
    std::fclose(file);
}

// GDAL reports a failed write through its error state rather than a result.
void ThrowIfGdalFailed(const std::string& fileName, const char* what) {
    if (CPLGetLastErrorType() == CE_Failure || CPLGetLastErrorType() == CE_Fatal) {
        throw CZarnikError::Detail(std::string("Unable to write ") + what + " " + fileName);
    }
}

} // namespace

CQualityMapFiles::CQualityMapFiles(const std::string& fileName, const std::string& originalFileName,
                                   const QualityMapGrid& cells, int layerCount)
    : mapName(fileName), previewName(PreviewNameFor(fileName)), grid(cells) {
    const CGdalQuietErrors quiet;
    ReadGeoreferencing(originalFileName);
    GDALDriver* const geoTiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    const char* const creationOptions[] = {"COMPRESS=DEFLATE", nullptr};
    if (geoTiff != nullptr) {
        map.reset(geoTiff->Create(mapName.c_str(), grid.columns, grid.rows, layerCount, GDT_Float32,
                                  const_cast<char**>(creationOptions)));
    }
    if (!map) {
        throw CZarnikError::Detail("Unable to create quality map " + mapName);
    }
    CheckCreatable(previewName, "quality map preview");
}

// The map's cell (0, 0) starts at the evaluated area's corner and each cell
// spans `cellSize` pixels of the original.
void CQualityMapFiles::ReadGeoreferencing(const std::string& originalFileName) {
    const GDALDatasetUniquePtr original(
        GDALDataset::Open(originalFileName.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!original) {
        throw CZarnikError::Detail("Unable to open original file " + originalFileName);
    }
    std::array<double, 6> pixelToWorld{0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    if (original->GetGeoTransform(pixelToWorld.data()) != CE_None) {
        pixelToWorld = {0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    }
    const double size = grid.cellSize;
    geoTransform = {pixelToWorld[0] + grid.x0 * pixelToWorld[1] + grid.y0 * pixelToWorld[2],
                    pixelToWorld[1] * size,
                    pixelToWorld[2] * size,
                    pixelToWorld[3] + grid.x0 * pixelToWorld[4] + grid.y0 * pixelToWorld[5],
                    pixelToWorld[4] * size,
                    pixelToWorld[5] * size};
    const char* const wkt = original->GetProjectionRef();
    coordinateSystem = wkt != nullptr ? wkt : "";
}

void CQualityMapFiles::Write(const std::vector<QualityMapLayer>& layers, size_t previewLayer) {
    const CGdalQuietErrors quiet;
    CPLErrorReset();
    bool written = map->SetGeoTransform(geoTransform.data()) == CE_None;
    if (!coordinateSystem.empty()) {
        written = map->SetProjection(coordinateSystem.c_str()) == CE_None && written;
    }
    for (size_t layer = 0; layer < layers.size(); ++layer) {
        GDALRasterBand* const band = map->GetRasterBand(static_cast<int>(layer) + 1);
        band->SetDescription(layers[layer].description.c_str());
        written =
            band->SetNoDataValue(std::numeric_limits<double>::quiet_NaN()) == CE_None && written;
        written = band->RasterIO(GF_Write, 0, 0, grid.columns, grid.rows,
                                 const_cast<float*>(layers[layer].cells.data()), grid.columns,
                                 grid.rows, GDT_Float32, 0, 0, nullptr) == CE_None &&
                  written;
    }
    map.reset();
    if (!written) {
        throw CZarnikError::Detail("Unable to write quality map " + mapName);
    }
    ThrowIfGdalFailed(mapName, "quality map");
    if (previewLayer < layers.size()) {
        WritePreview(layers[previewLayer].cells);
    }
}

// One colour per cell between the layer's smallest and largest finite value,
// enlarged by a whole factor; cells without a value are transparent.
void CQualityMapFiles::WritePreview(const std::vector<float>& cells) const {
    float low = std::numeric_limits<float>::infinity();
    float high = -std::numeric_limits<float>::infinity();
    for (const float value : cells) {
        if (std::isfinite(value)) {
            low = std::min(low, value);
            high = std::max(high, value);
        }
    }
    const int scale = std::max(1, (kPreviewMinimumSide + std::max(grid.columns, grid.rows) - 1) /
                                      std::max(grid.columns, grid.rows));
    const int width = grid.columns * scale;
    const int height = grid.rows * scale;
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float value =
                cells[static_cast<size_t>(y / scale) * static_cast<size_t>(grid.columns) +
                      static_cast<size_t>(x / scale)];
            if (std::isnan(value)) {
                continue;
            }
            const double position = high > low ? (double{value} - low) / (double{high} - low) : 0.0;
            const auto colour = ViridisColour(position);
            const size_t at =
                (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4;
            std::copy(colour.begin(), colour.end(), rgba.begin() + static_cast<ptrdiff_t>(at));
            rgba[at + 3] = 255;
        }
    }

    const CGdalQuietErrors quiet;
    CPLErrorReset();
    GDALDriver* const memory = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDriver* const png = GetGDALDriverManager()->GetDriverByName("PNG");
    const GDALDatasetUniquePtr picture(
        memory != nullptr ? memory->Create("", width, height, 4, GDT_Byte, nullptr) : nullptr);
    bool written = picture && png != nullptr &&
                   picture->RasterIO(GF_Write, 0, 0, width, height, rgba.data(), width, height,
                                     GDT_Byte, 4, nullptr, 4, 4 * width, 1, nullptr) == CE_None;
    if (written) {
        picture->GetRasterBand(4)->SetColorInterpretation(GCI_AlphaBand);
        const GDALDatasetUniquePtr copy(
            png->CreateCopy(previewName.c_str(), picture.get(), FALSE, nullptr, nullptr, nullptr));
        written = copy != nullptr;
    }
    if (!written) {
        throw CZarnikError::Detail("Unable to write quality map preview " + previewName);
    }
    ThrowIfGdalFailed(previewName, "quality map preview");
}
