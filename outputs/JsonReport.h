#pragma once

#include "evaluation/EvaluationResult.h"
#include "evaluation/RunLayout.h"
#include "options/ParsedCommandLine.h"
#include "outputs/Coverage.h"
#include "outputs/OutputFile.h"
#include "outputs/ResultWriter.h"
#include "outputs/RunFigures.h"
#include "outputs/TileValueSeries.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class CJsonWriter;

// What the JSON report tells beyond the result itself.
struct JsonReportFacts {
    std::string version;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t bandCount = 0;
    double seconds = 0.0;
    // Pixels of the visited tiles, each visit counted.
    uint64_t pixels = 0;
    // The peak value PSNR and SSIM measured against.
    float dataRange = 0.0f;
    CoverageFigures coverage;
};

// Writes further keys at the end of the report's top-level object.
using JsonAppendix = std::function<void(CJsonWriter& json, const RunFigures& figures)>;

// The whole result as one JSON document (schema 1, docs/json-report.md).
std::string JsonReportText(const RunFigures& figures, const CParsedCommandLine& options,
                           const JsonReportFacts& facts, const JsonAppendix& appendix = {});

// -json: writes the whole result once the run is over, with the run's time,
// from the run's figures and every tile's values (kept by the run's
// outputs for the percentiles). The file is created with the object, before
// the first tile.
class CJsonReportOutput : public ITileListener, public IResultWriter {
public:
    // Writes to `fileName`, which -json names unless a campaign places it;
    // an empty name writes no file, the document is only kept (for -html).
    // `integrity` may be null: not compared.
    CJsonReportOutput(const CParsedCommandLine& options, const RunLayout& layout,
                      const std::string& fileName, const CTileValueSeries& series,
                      const FileIntegrity* integrity, JsonAppendix appendix);

    void OnTile(const TileMeasurement& measurement) override;
    void Write(const FinishedRun& run) override;
    // The document as Write wrote it; empty before.
    const std::string& Text() const { return text; }

private:
    const CParsedCommandLine& options;
    uint32_t width;
    uint32_t height;
    int32_t bandCount;
    float dataRange;
    std::optional<COutputFile> file;
    std::string text;
    const CTileValueSeries& series;
    const FileIntegrity* integrity;
    CCoverage coverage;
    JsonAppendix appendix;
    uint64_t pixels = 0;
};
