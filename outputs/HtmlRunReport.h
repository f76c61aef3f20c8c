#pragma once

#include "evaluation/Regions.h"
#include "evaluation/RunLayout.h"
#include "evaluation/TileMeasurement.h"
#include "options/ParsedCommandLine.h"
#include "outputs/FileIntegrity.h"
#include "outputs/HtmlPage.h"
#include "outputs/JsonReport.h"
#include "outputs/QualityMap.h"
#include "outputs/ResultWriter.h"
#include "outputs/RunPageData.h"
#include "outputs/TileValueSeries.h"

#include <functional>
#include <string>
#include <vector>

// What the page reads its gates' outcomes from besides the finished run,
// kept by the run's outputs.
struct RunPageFigures {
    const CTileValueSeries& series;
    // Null when the files' identities were not compared.
    const FileIntegrity* integrity = nullptr;
};

// -html: one self-contained page of the run. It shows the very JSON
// document the run writes (kept by the JSON report output, which runs
// before it), and adds what the document has no room for: every tile's
// values, the quality map's cells, the gates' outcomes and pictures of the
// scene and of the worst and best tiles. The libraries are read and the
// page's file is created with the object, before the first tile; the page
// is renamed into place after every other output is complete.
class CHtmlRunReport : public ITileListener, public IResultWriter {
public:
    // Throws when a library is missing, the page cannot be created, or
    // -compareBand names no band of the images.
    CHtmlRunReport(const CParsedCommandLine& options, const RunLayout& layout,
                   const std::string& fileName, const CJsonReportOutput& json,
                   RunPageFigures figures);

    void OnTile(const TileMeasurement& measurement) override;
    void Write(const FinishedRun& run) override;

private:
    std::vector<ShownTile> ShownTiles(const FinishedRun& run);

    const CParsedCommandLine& options;
    const CJsonReportOutput& json;
    RunPageFigures figures;
    RunLayout layout;
    PageLibraries libraries;
    CPageFile file;
    CQualityMap map;
    RunTileValues tiles;
    // The statistic and band that rank the tiles, and the lowest four of
    // them: shown when neither -best nor -worst keeps tiles.
    size_t rankedStatistic;
    size_t rankedBand;
    CRegions<std::less<float>> lowest;
};
