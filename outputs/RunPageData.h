#pragma once

#include "evaluation/EvaluationResult.h"
#include "evaluation/RunLayout.h"
#include "evaluation/TileMeasurement.h"
#include "outputs/PagePictures.h"
#include "outputs/QualityMap.h"

#include <cstdint>
#include <string>
#include <vector>

// What the run's page shows beyond the JSON document, as one JSON text that
// the page's script reads (outputs/html/run.js).

// Every tile's rectangle and values in visiting order: the page's
// histograms. One float per tile, band and statistic, as the JSON report's
// percentiles keep them.
class RunTileValues {
public:
    explicit RunTileValues(size_t statisticCount) : statistics(statisticCount) {}
    void Add(const TileMeasurement& measurement);

    size_t statistics;
    size_t bands = 0;
    std::vector<CRegion> tiles;
    // [tile][band][statistic], NaN where the tile has no value.
    std::vector<float> values;
};

// One gate and how the run fared against it: the gate's own lines.
struct GateOutcome {
    std::string gate; // as typed, e.g. "-failBelow ssim=0.8"
    bool passed = true;
    std::vector<std::string> lines;
};

// A kept tile and its pictures: "worst" 1, "best" 2, ...
struct ShownTile {
    std::string kind;
    int32_t rank = 0;
    ScoredRegion scored;
    TilePictures pictures;
};

struct RunPageContent {
    const RunLayout& layout;
    const RunTileValues& tiles;
    const CQualityMap& map;
    // The statistic and band of the map shown first, which also rank the tiles.
    size_t shownStatistic = 0;
    size_t shownBand = 0;
    std::vector<GateOutcome> gates;
    ScenePicture scene;
    std::vector<ShownTile> shown;
};

std::string RunPageJson(const RunPageContent& content);
