#pragma once

#include "options/ParsedCommandLine.h"
#include "outputs/RunOutputs.h"

// Opens both files, evaluates the tiles, prints the report and writes the
// further outputs asked for. Returns false when an average failed one of
// the quality gates (-failBelow, -failAbove).
bool RunComparison(const CParsedCommandLine& options);

// The same run without a word on the console, its output files written
// where `placement` says: a campaign's pair.
bool RunQuietComparison(const CParsedCommandLine& options, const OutputPlacement& placement);
