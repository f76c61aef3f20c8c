#include "outputs/QualityGates.h"

#include "outputs/ResultFigures.h"

#include <charconv>
#include <string>

namespace {

// The shortest text that reads back as the same float, in the classic notation.
std::string ShortestText(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

bool Fails(const QualityGate& gate, float average) {
    return gate.failBelow ? !(average >= gate.limit) : !(average <= gate.limit);
}

} // namespace

bool PassesQualityGates(const EvaluationResult& result, const std::vector<QualityGate>& gates,
                        std::ostream& out) {
    bool passed = true;
    for (const QualityGate& gate : gates) {
        const auto measured = result.results.find(gate.statistic);
        if (measured == result.results.end()) {
            continue;
        }
        for (const auto& [band, statistics] : measured->second) {
            const float average = AverageOf(statistics);
            if (!Fails(gate, average)) {
                continue;
            }
            passed = false;
            const auto name = result.originalBandNames.find(band);
            out << "Quality gate failed: " << gate.statistic << " on band " << band << " ("
                << (name == result.originalBandNames.end() ? "" : name->second) << ") averages "
                << ShortestText(average) << ", " << (gate.failBelow ? "below" : "above")
                << " the limit " << ShortestText(gate.limit) << std::endl;
        }
    }
    return passed;
}
