#pragma once

#include "app/TileValueSeries.h"
#include "evaluation/EvaluationResult.h"
#include "options/ParsedCommandLine.h"

#include <cstdint>
#include <string>

// What the JSON report tells beyond the result itself.
struct JsonReportFacts {
    std::string version;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t bandCount = 0;
    double seconds = 0.0;
};

// The whole result as one JSON document (schema 1, docs/json-report.md).
std::string JsonReportText(const EvaluationResult& result, const CParsedCommandLine& options,
                           const JsonReportFacts& facts, const CTileValueSeries& series);
