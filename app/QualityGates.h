#pragma once

#include "evaluation/EvaluationResult.h"
#include "options/ParsedCommandLine.h"

#include <ostream>
#include <vector>

// Checks every gate on every band of its statistic against the average the
// report prints, and writes one line to `out` per band that fails a gate. An
// average that is not a number fails every gate on it. Returns true when all
// passed.
bool PassesQualityGates(const EvaluationResult& result, const std::vector<QualityGate>& gates,
                        std::ostream& out);
