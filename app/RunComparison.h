#pragma once

#include "options/ParsedCommandLine.h"

// Opens both files, evaluates the tiles, prints the report and writes the
// further outputs asked for. Returns false when an average failed one of
// the quality gates (-failBelow, -failAbove).
bool RunComparison(const CParsedCommandLine& options);
