#pragma once

#include "evaluation/EvaluationResult.h"
#include "options/ParsedCommandLine.h"
#include "outputs/ResultWriter.h"

#include <ostream>
#include <vector>

// Checks every gate on every band of its statistic against the average the
// report prints, and writes one line to `out` per band that fails a gate. An
// average that is not a number fails every gate on it. Returns true when all
// passed.
bool PassesQualityGates(const EvaluationResult& result, const std::vector<QualityGate>& gates,
                        std::ostream& out);

// The gates of -failBelow and -failAbove as the run's last output: the
// verdict, and a line on `out` for every band that fails a gate.
class CQualityGates : public IResultWriter {
public:
    CQualityGates(std::vector<QualityGate> limits, std::ostream& out)
        : gates(std::move(limits)), verdicts(out) {}

    void Write(const FinishedRun& run) override {
        passed = PassesQualityGates(run.result, gates, verdicts);
    }
    // True until a written run failed a gate.
    bool Passed() const { return passed; }

private:
    std::vector<QualityGate> gates;
    std::ostream& verdicts;
    bool passed = true;
};
