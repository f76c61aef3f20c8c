#pragma once

#include "evaluation/EvaluationResult.h"
#include "outputs/TileValueSeries.h"

struct FileIntegrity;

// What the JSON report and the gates read a finished run's figures from:
// the running figures, every tile's values, and the files' identities.
struct RunFigures {
    const EvaluationResult& result;
    const CTileValueSeries& series;
    // Null when the files' identities were not compared.
    const FileIntegrity* integrity = nullptr;
};
