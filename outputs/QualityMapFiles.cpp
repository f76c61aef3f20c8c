#include "outputs/QualityMapFiles.h"

#include "outputs/Viridis.h"
#include "platform/ZarnikError.h"
#include "raster/GdalOpen.h"
#include "raster/GdalQuietErrors.h"

#include <cpl_error.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <stdexcept>

std::string QualityMapPreviewName(const std::string& mapName) {
    std::filesystem::path preview(mapName);
    preview.replace_extension(".png");
    // A map named *.png must not be overwritten by its own quick look.
    return preview.string() == mapName ? mapName + ".png" : preview.string();
}

std::vector<std::string> QualityMapFileNames(const std::string& mapName) {
    const std::string preview = QualityMapPreviewName(mapName);
    // GDAL names the world file by replacing the quick look's extension.
    std::filesystem::path worldFile(preview);
    worldFile.replace_extension(".pgw");
    return {mapName, preview, worldFile.string(), preview + ".aux.xml"};
}

namespace {

// Creating the quick look now makes a name that cannot be written fail
// before the first tile; GDAL writes the file again at the end.
void CheckCreatable(const std::string& fileName, const std::string& previewName) {
    FILE* const file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) {
        throw CZarnikError::Detail("Unable to create quality map preview " + previewName);
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
                                   const QualityMapGrid& cells, int layerCount,
                                   const std::optional<RampEnds>& rampEnds)
    : mapName(fileName), previewName(QualityMapPreviewName(fileName)), grid(cells),
      fixedRamp(rampEnds) {
    for (const std::string& name : QualityMapFileNames(mapName)) {
        parts.push_back(std::make_unique<CPartialFile>(name));
    }
    const CGdalQuietErrors quiet;
    ReadGeoreferencing(originalFileName);
    GDALDriver* const geoTiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    const char* const creationOptions[] = {"COMPRESS=DEFLATE", nullptr};
    if (geoTiff != nullptr) {
        map.reset(geoTiff->Create(parts[kMap]->TemporaryName().c_str(), grid.columns, grid.rows,
                                  layerCount, GDT_Float32, const_cast<char**>(creationOptions)));
    }
    if (!map) {
        throw CZarnikError::Detail("Unable to create quality map " + mapName);
    }
    CheckCreatable(parts[kPreview]->TemporaryName(), previewName);
}

// The map's cell (0, 0) starts at the evaluated area's corner and each cell
// spans `cellSize` pixels of the original.
void CQualityMapFiles::ReadGeoreferencing(const std::string& originalFileName) {
    const GDALDatasetUniquePtr original(OpenGdalRaster(originalFileName));
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
        WritePreview(layers[previewLayer]);
    }
    CommitFiles();
}

// The map and its quick look's files are renamed into place only once all of
// them are whole. GDAL writes no coordinate system file for a quick look
// without one: an earlier run's is then removed, as it would describe
// another picture.
void CQualityMapFiles::CommitFiles() {
    for (const auto& part : parts) {
        std::error_code error;
        if (!std::filesystem::exists(part->TemporaryName(), error)) {
            std::filesystem::remove(part->FinalName(), error);
        } else if (!part->Commit()) {
            throw CZarnikError::Detail("Unable to write quality map " + mapName);
        }
    }
}

// GDAL's PNG driver keeps no georeferencing in the picture itself: the world
// file places it, the auxiliary file tells its coordinate system.
void CQualityMapFiles::WritePreview(const QualityMapLayer& layer) const {
    const PreviewPicture preview =
        MakePreviewPicture(layer.cells, grid.columns, grid.rows, layer.description, fixedRamp);
    const RgbaPicture& picture = preview.picture;
    std::array<double, 6> pixelToWorld = geoTransform;
    for (const size_t term : {1, 2, 4, 5}) {
        pixelToWorld[term] /= preview.scale;
    }

    const CGdalQuietErrors quiet;
    CPLErrorReset();
    GDALDriver* const memory = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDriver* const png = GetGDALDriverManager()->GetDriverByName("PNG");
    const GDALDatasetUniquePtr drawn(
        memory != nullptr ? memory->Create("", picture.width, picture.height, 4, GDT_Byte, nullptr)
                          : nullptr);
    bool written =
        drawn && png != nullptr &&
        drawn->RasterIO(GF_Write, 0, 0, picture.width, picture.height,
                        const_cast<uint8_t*>(picture.pixels.data()), picture.width, picture.height,
                        GDT_Byte, 4, nullptr, 4, 4 * picture.width, 1, nullptr) == CE_None;
    if (written) {
        drawn->GetRasterBand(4)->SetColorInterpretation(GCI_AlphaBand);
        drawn->SetGeoTransform(pixelToWorld.data());
        if (!coordinateSystem.empty()) {
            drawn->SetProjection(coordinateSystem.c_str());
        }
        const GDALDatasetUniquePtr copy(png->CreateCopy(parts[kPreview]->TemporaryName().c_str(),
                                                        drawn.get(), FALSE, nullptr, nullptr,
                                                        nullptr));
        written = copy != nullptr && GDALWriteWorldFile(parts[kPreview]->TemporaryName().c_str(),
                                                        "pgw", pixelToWorld.data()) != FALSE;
    }
    if (!written) {
        throw CZarnikError::Detail("Unable to write quality map preview " + previewName);
    }
    ThrowIfGdalFailed(previewName, "quality map preview");
}
