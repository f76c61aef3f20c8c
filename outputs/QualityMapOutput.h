#pragma once

#include "evaluation/RunLayout.h"
#include "evaluation/TileMeasurement.h"
#include "options/ParsedCommandLine.h"
#include "outputs/QualityMap.h"
#include "outputs/QualityMapFiles.h"
#include "outputs/ResultWriter.h"

#include <string>
#include <vector>

// -qualityMap: gathers every tile's values into the map's cells and writes
// the GeoTIFF and its PNG quick look after the last tile. Both files are
// created with the object, before the first tile.
class CQualityMapOutput : public ITileListener, public IResultWriter {
public:
    // Throws when -compareBand, which the quick look shows, is no band of
    // the images, or when a file cannot be created.
    // The map is written to `fileName`, which -qualityMap names unless a
    // campaign places it.
    CQualityMapOutput(const CParsedCommandLine& options, const RunLayout& layout,
                      const std::string& fileName);

    void OnTile(const TileMeasurement& measurement) override { map.OnTile(measurement); }
    void Write(const FinishedRun& run) override;

private:
    std::string compareStat;
    int32_t compareBand;
    std::vector<std::string> statisticNames;
    std::vector<std::string> bandNames;
    CQualityMap map;
    CQualityMapFiles files;
};
