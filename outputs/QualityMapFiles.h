#pragma once

#include "outputs/QualityMap.h"
#include "outputs/QualityMapPreview.h"

#include <gdal_priv.h>

#include "platform/PartialFile.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The quick look's name for the map `mapName`.
std::string QualityMapPreviewName(const std::string& mapName);
// Every file -qualityMap `mapName` writes: the map, its quick look, the quick
// look's world file and its coordinate system file.
std::vector<std::string> QualityMapFileNames(const std::string& mapName);

// One band of the map: its description and its cells, row by row.
struct QualityMapLayer {
    std::string description;
    std::vector<float> cells;
};

// The quality map as a Float32 GeoTIFF lying on the original, and its PNG
// quick look beside it (the same name with the extension ".png") with its
// legend, its world file (".pgw") and its coordinate system (".png.aux.xml"),
// so that a GIS lays the quick look on the original too. The map and the
// quick look are created when the object is, before the first tile, and
// filled by Write after the last, under temporary names beside them that are
// renamed into place once all of them are whole.
class CQualityMapFiles {
public:
    // Takes the coordinate system and geotransform of `originalFileName`; an
    // original without them gives a map in pixel coordinates. `rampEnds`
    // fixes the quick look's ramp (-mapRange).
    CQualityMapFiles(const std::string& fileName, const std::string& originalFileName,
                     const QualityMapGrid& grid, int layerCount,
                     const std::optional<RampEnds>& rampEnds = std::nullopt);

    // `layers` in the map's band order; `previewLayer` is the one the PNG
    // shows, its description the legend's title.
    void Write(const std::vector<QualityMapLayer>& layers, size_t previewLayer);

    const std::string& PreviewFileName() const { return previewName; }

private:
    void ReadGeoreferencing(const std::string& originalFileName);
    void WritePreview(const QualityMapLayer& layer) const;
    void CommitFiles();

    std::string mapName;
    std::string previewName;
    QualityMapGrid grid;
    std::array<double, 6> geoTransform{0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
    std::string coordinateSystem;
    std::optional<RampEnds> fixedRamp;
    // The files of QualityMapFileNames, in its order, written under
    // temporary names until every one is whole.
    enum Part : size_t { kMap, kPreview };
    std::vector<std::unique_ptr<CPartialFile>> parts;
    GDALDatasetUniquePtr map;
};
