#pragma once

#include "evaluation/RunLayout.h"
#include "evaluation/TileMeasurement.h"
#include "options/ParsedCommandLine.h"
#include "outputs/QualityMap.h"
#include "outputs/QualityMapFiles.h"
#include "outputs/ResultWriter.h"

#include <string>
#include <vector>

// The map's cells for the run the options describe.
QualityMapGrid QualityMapGridFor(const CParsedCommandLine& options, const RunLayout& layout);

// The statistic a picture of one layer shows: -compareStat, or the first of
// -stat when the compare statistic is none of them (e.g. "ssim,psnr" by default).
std::string ShownStatistic(const std::string& compareStat,
                           const std::vector<std::string>& statisticNames);

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
