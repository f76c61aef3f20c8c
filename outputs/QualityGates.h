#pragma once

#include "options/ParsedCommandLine.h"
#include "outputs/ResultWriter.h"
#include "outputs/RunFigures.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// One figure of a statistic on a band as a gate judges it, exactly as the
// JSON report shows it: "avg" (the average the report prints; where tiles
// without a value made it infinite, the mean of the finite values),
// "finiteAvg", "min", "p05", "p50" or "pooled". None when the band has no
// finite value to judge (a pooled PSNR of infinity is a value: a perfect
// copy).
std::optional<double> GateFigure(const std::string& figure, const ResultStatistics& statistics,
                                 const SeriesSummary& summary);

// What the gates judge: every limit of -failBelow and -failAbove on its
// statistic's figure on every band (those of -gateBands only, when given),
// and with -requireSameGeoreference the compressed file's coordinate system
// and geotransform.
struct GateSettings {
    std::vector<QualityGate> limits;
    std::vector<int32_t> bands;
    bool sameGeoreference = false;
};
GateSettings GateSettingsOf(const CParsedCommandLine& options);

// Checks every gate and writes one line to `out` per band that fails a limit
// (naming statistic, figure, band, value and limit, or saying that the band
// has no finite value) and one for a georeference that differs. Returns true
// when all passed.
bool PassesQualityGates(const RunFigures& figures, const GateSettings& gates, std::ostream& out);

// The gates as the run's last output: the verdict, and a line on `out` for
// every failure.
class CQualityGates : public IResultWriter {
public:
    // Throws, before the first tile, when -gateBands names a band that the
    // `bandCount`-band images lack.
    CQualityGates(GateSettings settings, int32_t bandCount, const CTileValueSeries& series,
                  const FileIntegrity* integrity, std::ostream& out);

    void Write(const FinishedRun& run) override;
    // True until a written run failed a gate.
    bool Passed() const { return passed; }

private:
    GateSettings gates;
    const CTileValueSeries& series;
    const FileIntegrity* integrity;
    std::ostream& verdicts;
    bool passed = true;
};
