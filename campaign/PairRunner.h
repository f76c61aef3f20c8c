#pragma once

#include "options/ParsedCommandLine.h"

#include <functional>
#include <string>
#include <vector>

class CJsonWriter;

// How a pair fared against the quality gates: the lines of every failing band.
struct PairVerdict {
    bool passed = true;
    std::vector<std::string> gateFailures;
};

// Writes the keys a campaign adds at the end of a pair's JSON document.
using StampWriter = std::function<void(CJsonWriter& json, const PairVerdict& verdict)>;

// The program's own comparison of one pair, with that pair's options and no
// console output. The options name the output files (the JSON document and
// whatever else they ask for) as they will finally be found; the run writes
// them under the same names into `writeFolder` instead. The JSON document
// ends with the keys `stamp` writes. A failure throws.
using PairRunner = std::function<void(const CParsedCommandLine& options,
                                      const std::string& writeFolder, const StampWriter& stamp)>;
