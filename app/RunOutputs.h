#pragma once

#include "app/OutputFile.h"
#include "app/QualityMap.h"
#include "app/QualityMapFiles.h"
#include "app/TileValueSeries.h"
#include "app/TileValuesCsv.h"
#include "evaluation/EvaluationResult.h"
#include "evaluation/ZarnikEvaluator.h"
#include "options/ParsedCommandLine.h"

#include <memory>
#include <string>
#include <vector>

// The outputs beyond the console report that the options ask for: the JSON
// report, the tile values and the quality map. Their files are created when
// this object is, after the evaluator's set-up and before the first tile;
// the tile values and the map listen to every tile, and everything is
// completed after the last.
class CRunOutputs {
public:
    CRunOutputs(const CParsedCommandLine& options, CZarnikEvaluator& evaluator);

    // Closes the tile values and writes the map and its quick look.
    void CompleteFiles();
    // Written last, so that it can tell the run's time.
    void WriteJson(const EvaluationResult& result, double seconds);

private:
    void CreateQualityMap(CZarnikEvaluator& evaluator);

    const CParsedCommandLine& options;
    std::vector<std::string> statisticNames;
    std::vector<std::string> bandNames;
    uint32_t width = 0;
    uint32_t height = 0;
    std::unique_ptr<COutputFile> json;
    std::unique_ptr<CTileValueSeries> series;
    std::unique_ptr<CTileValuesCsv> tileValues;
    std::unique_ptr<CQualityMap> qualityMap;
    std::unique_ptr<CQualityMapFiles> qualityMapFiles;
};

// True when the JSON report takes standard output in place of the console report.
bool JsonGoesToStandardOutput(const CParsedCommandLine& options);
