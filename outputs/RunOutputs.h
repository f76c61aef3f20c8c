#pragma once

#include "evaluation/RunLayout.h"
#include "evaluation/TileMeasurement.h"
#include "options/ParsedCommandLine.h"
#include "outputs/FileIntegrity.h"
#include "outputs/HtmlRunReport.h"
#include "outputs/JsonReport.h"
#include "outputs/QualityGates.h"
#include "outputs/QualityMapOutput.h"
#include "outputs/ResultWriter.h"
#include "outputs/TileValuesCsv.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Where the outputs' files are written and what the JSON report adds. A
// campaign writes each pair's files into a folder of its own until they are
// complete, while the report names them as they will finally be found.
struct OutputPlacement {
    // The file to write for an output the options name; null: that name.
    std::function<std::string(const std::string&)> writtenName;
    // Further keys at the end of the JSON report; null: none.
    JsonAppendix appendix;
};

// The machine outputs that the options ask for: the JSON report, the tile
// values, the quality map, the gates and the HTML page. Their files are created with this
// object, after the evaluator's set-up and before the first tile. A new
// output joins here: as a tile listener, a result writer, or both. Every
// tile's values, which the JSON report and the gates read their figures
// from, and the files' identities are kept here once for both.
class CRunOutputs {
public:
    // `verdicts` takes the lines of failed gates.
    CRunOutputs(const CParsedCommandLine& options, const RunLayout& layout, std::ostream& verdicts,
                const OutputPlacement& placement = {});

    // To be added to the evaluator, in this order.
    std::vector<ITileListener*> TileListeners();
    // To be called after the last tile, in this order: the files completed
    // before the console report, then `consoleReport` (null: none), then the
    // JSON report, which tells the run's time, the gates, and the page.
    std::vector<IResultWriter*> ResultWriters(IResultWriter* consoleReport);
    // The gates' verdict, once the writers have run.
    bool GatesPassed() const { return gates.Passed(); }

private:
    CTileValueSeries series;
    // Only the JSON report, the gates and the page read every tile's values.
    bool valuesRead;
    std::optional<FileIntegrity> integrity;
    std::unique_ptr<CJsonReportOutput> json;
    std::unique_ptr<CTileValuesCsv> tileValues;
    std::unique_ptr<CQualityMapOutput> qualityMap;
    CQualityGates gates;
    std::unique_ptr<CHtmlRunReport> html;
};

// True when the JSON report takes standard output in place of the console report.
bool JsonGoesToStandardOutput(const CParsedCommandLine& options);
