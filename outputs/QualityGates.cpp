#include "outputs/QualityGates.h"

#include "outputs/FileIntegrity.h"
#include "outputs/NumberText.h"
#include "outputs/ResultFigures.h"
#include "platform/ZarnikError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// The shortest text that reads back as the same float, in the classic notation.
std::string ShortestText(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

bool Fails(const QualityGate& gate, double value) {
    const double limit = gate.limit;
    return gate.failBelow ? !(value >= limit) : !(value <= limit);
}

bool Judged(const GateSettings& gates, int32_t band) {
    return gates.bands.empty() ||
           std::find(gates.bands.begin(), gates.bands.end(), band) != gates.bands.end();
}

// "ssim.avg on band 2 (GDAL blue)", in the words of the gate's own text
std::string WhatWasJudged(const QualityGate& gate, int32_t band, const EvaluationResult& result) {
    const auto name = result.originalBandNames.find(band);
    return gate.statistic + "." + gate.figure + " on band " + std::to_string(band) + " (" +
           (name == result.originalBandNames.end() ? "" : name->second) + ")";
}

// With -requireSameGeoreference: a line when the compressed file does not
// lie where the original does, or cannot say where it lies.
bool PassesGeoreference(const FileIntegrity* integrity, std::ostream& out) {
    if (integrity == nullptr || !integrity->Comparable()) {
        out << "Quality gate failed: the compressed file's georeference cannot be read through "
               "GDAL"
            << std::endl;
        return false;
    }
    const bool sameSystem = integrity->SameCoordinateSystem();
    const bool sameTransform = integrity->SameGeoTransform();
    if (sameSystem && sameTransform) {
        return true;
    }
    out << "Quality gate failed: the compressed file's "
        << (sameSystem ? "geotransform differs"
                       : (sameTransform ? "coordinate system differs"
                                        : "coordinate system and geotransform differ"))
        << " from the original's" << std::endl;
    return false;
}

} // namespace

std::optional<double> GateFigure(const std::string& figure, const ResultStatistics& statistics,
                                 const SeriesSummary& summary) {
    if (figure == "pooled") {
        return statistics.pooled;
    }
    if (summary.finiteCount == 0) {
        return std::nullopt;
    }
    if (figure == "avg") {
        const float average = AverageOf(statistics);
        // Infinite only through tiles without a value (too small for the
        // statistic): what the band did measure is the finite values' mean.
        return std::isinf(average) ? static_cast<float>(*summary.finiteAvg) : average;
    }
    if (figure == "finiteAvg") {
        return static_cast<float>(*summary.finiteAvg);
    }
    if (figure == "min") {
        return statistics.min;
    }
    return figure == "p05" ? summary.p05 : summary.p50;
}

GateSettings GateSettingsOf(const CParsedCommandLine& options) {
    return GateSettings{.limits = options.qualityGates,
                        .bands = options.gateBands,
                        .sameGeoreference = options.requireSameGeoreference};
}

bool PassesQualityGates(const RunFigures& figures, const GateSettings& gates, std::ostream& out) {
    bool passed = !gates.sameGeoreference || PassesGeoreference(figures.integrity, out);
    for (const QualityGate& gate : gates.limits) {
        const auto measured = figures.result.results.find(gate.statistic);
        if (measured == figures.result.results.end()) {
            continue;
        }
        for (const auto& [band, statistics] : measured->second) {
            if (!Judged(gates, band)) {
                continue;
            }
            const std::optional<double> value =
                GateFigure(gate.figure, statistics, figures.series.Summarise(gate.statistic, band));
            const std::string judged = WhatWasJudged(gate, band, figures.result);
            const std::string limit = ShortestText(gate.limit);
            if (!value) {
                out << "Quality gate failed: " << judged
                    << " has no finite value, so it cannot pass the limit " << limit << std::endl;
            } else if (Fails(gate, *value)) {
                out << "Quality gate failed: " << judged << " is " << RoundTripText(*value) << ", "
                    << (gate.failBelow ? "below" : "above") << " the limit " << limit << std::endl;
            } else {
                continue;
            }
            passed = false;
        }
    }
    return passed;
}

CQualityGates::CQualityGates(GateSettings settings, int32_t bandCount,
                             const CTileValueSeries& values, const FileIntegrity* identities,
                             std::ostream& out)
    : gates(std::move(settings)), series(values), integrity(identities), verdicts(out) {
    for (const int32_t band : gates.bands) {
        if (band >= bandCount) {
            throw CZarnikError::Detail("-gateBands names band " + std::to_string(band) +
                                       ", which the " + std::to_string(bandCount) +
                                       "-band images lack");
        }
    }
}

void CQualityGates::Write(const FinishedRun& run) {
    passed = PassesQualityGates(
        RunFigures{.result = run.result, .series = series, .integrity = integrity}, gates,
        verdicts);
}
